#include "app/app_icon.h"

#include <QPixmap>

#include "render/resources.h"

namespace corvane {

namespace {

// The icon's number among the program's bitmaps.
constexpr int kIconBitmap = 101;

}  // namespace

QImage iconImage() {
    const std::optional<Bitmap> bitmap = loadBitmap(kIconBitmap);
    if (!bitmap) {
        return {};
    }
    QImage image(bitmap->width, bitmap->height, QImage::Format_RGB32);
    for (int y = 0; y < bitmap->height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap->width; ++x) {
            line[x] = 0xFF000000u | bitmap->pixels[static_cast<std::size_t>(y * bitmap->width + x)];
        }
    }
    return image;
}

QIcon applicationIcon() {
    const QImage image = iconImage();
    QIcon icon;
    if (!image.isNull()) {
        icon.addPixmap(QPixmap::fromImage(image));
        icon.addPixmap(QPixmap::fromImage(
            image.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    }
    return icon;
}

}  // namespace corvane
