#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include "render/glyphs.h"
#include "render/qt/raster_canvas.h"

namespace corvane {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

// The pixels of `image` in rect (l, t, r, b), right and bottom exclusive, that are not white.
std::vector<QPoint> inkIn(const QImage& image, int l, int t, int r, int b) {
    std::vector<QPoint> points;
    for (int y = t; y < b; ++y) {
        for (int x = l; x < r; ++x) {
            if (image.pixel(x, y) != kWhite) {
                points.emplace_back(x, y);
            }
        }
    }
    return points;
}

// The bounding box of every non-white pixel.
QRect inkBox(const QImage& image) {
    QRect box;
    for (const QPoint& p : inkIn(image, 0, 0, image.width(), image.height())) {
        box = box.united(QRect(p, QSize(1, 1)));
    }
    return box;
}

TEST(RasterCanvas, StartsWhiteAndResizesExactly) {
    RasterCanvas canvas(40, 30);
    EXPECT_EQ(canvas.image().size(), QSize(40, 30));
    EXPECT_TRUE(inkIn(canvas.image(), 0, 0, 40, 30).empty());
    canvas.line(0, 5, 40, 5);
    canvas.resize(60, 20);
    EXPECT_EQ(canvas.image().size(), QSize(60, 20));
    EXPECT_TRUE(inkIn(canvas.image(), 0, 0, 60, 20).empty());
    canvas.resize(0, 0);
    canvas.line(0, 5, 40, 5);  // nothing to draw on, and no harm
    EXPECT_TRUE(canvas.image().isNull());
}

TEST(RasterCanvas, LinesUseTheTwoPixelPenWithoutTheEndPoint) {
    RasterCanvas canvas(30, 30);
    canvas.line(2, 5, 10, 5);
    EXPECT_EQ(inkBox(canvas.image()), QRect(QPoint(2, 4), QPoint(9, 5)));
    canvas.resize(30, 30);
    canvas.line(7, 20, 7, 3);  // upwards: row 20 drawn, row 3 not
    EXPECT_EQ(inkBox(canvas.image()), QRect(QPoint(6, 4), QPoint(7, 20)));
    EXPECT_EQ(canvas.image().pixel(6, 10), kBlack);
    canvas.resize(30, 30);
    canvas.line(10, 8, 3, 8);  // leftwards: column 10 drawn, column 3 not
    EXPECT_EQ(inkBox(canvas.image()), QRect(QPoint(4, 7), QPoint(10, 8)));
}

// The 2-pixel pen is centred on the ellipse's path, one pixel inside the box's right and bottom
// edges, so the ink reaches one pixel past the left and top edges.
TEST(RasterCanvas, EllipseAndArcStrokeTheirBoxWithThePen) {
    RasterCanvas canvas(40, 40);
    canvas.ellipse(10, 10, 22, 19);  // a note head box
    EXPECT_EQ(inkBox(canvas.image()), QRect(QPoint(9, 9), QPoint(21, 18)));
    EXPECT_EQ(canvas.image().pixel(16, 14), kBlack);
    canvas.resize(40, 40);
    canvas.arc(10, 10, 22, 19);
    EXPECT_EQ(inkBox(canvas.image()), QRect(QPoint(9, 9), QPoint(21, 18)));
    EXPECT_EQ(canvas.image().pixel(16, 14), kWhite);  // open inside
}

TEST(RasterCanvas, FillWhitensOnlyItsRectangle) {
    RasterCanvas canvas(20, 20);
    for (int y = 0; y < 20; y += 2) {
        canvas.line(0, y + 1, 20, y + 1);
    }
    canvas.fill(Rect{5, 5, 15, 10});
    EXPECT_TRUE(inkIn(canvas.image(), 5, 5, 15, 10).empty());
    EXPECT_EQ(inkIn(canvas.image(), 0, 0, 20, 20).size(), 400u - 50u);
}

TEST(RasterCanvas, AndKeepsBlackAndShowsWhatLiesBeneathWhite) {
    RasterCanvas canvas(20, 20);
    const std::optional<Bitmap> green = loadGlyph(Glyph::HighlightLocked);
    ASSERT_TRUE(green);
    canvas.copy(*green, 0, 0, 16, 20, 0, 0);  // a green field
    canvas.line(0, 10, 20, 10);               // a black line across it
    // A glyph: left half black, right half white.
    Bitmap glyph{1, 4, 2, {0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0, 0xFFFFFF, 0xFFFFFF}};
    canvas.multiplyBitmap(glyph, 0, 0, 4, 2, 2, 2);
    canvas.multiplyBitmap(glyph, 0, 0, 4, 2, 2, 9);
    const QImage& image = canvas.image();
    EXPECT_EQ(image.pixel(2, 2), kBlack);
    EXPECT_EQ(image.pixel(3, 3), kBlack);
    EXPECT_EQ(image.pixel(4, 2), 0xFF00BF00);  // white over green stays green
    EXPECT_EQ(image.pixel(5, 3), 0xFF00BF00);
    EXPECT_EQ(image.pixel(5, 9), kBlack);      // white over black stays black
    EXPECT_EQ(image.pixel(6, 2), 0xFF00BF00);  // outside the glyph: untouched
    EXPECT_EQ(image.pixel(17, 2), kWhite);     // outside the field: still paper
}

TEST(RasterCanvas, HighlightTurnsAnIconCellGreenOrYellowKeepingItsInk) {
    const std::optional<Bitmap> strip = loadGlyph(Glyph::Toolbar);
    ASSERT_TRUE(strip);
    for (const auto& [glyph, colour] : {std::pair{Glyph::HighlightLocked, 0xFF00BF00u},
                                        std::pair{Glyph::HighlightPending, 0xFFFDDD00u}}) {
        RasterCanvas canvas(100, 30);
        const std::optional<Bitmap> highlight = loadGlyph(glyph);
        ASSERT_TRUE(highlight);
        canvas.copy(*strip, 32, 0, 16, 19, 35, 3);  // the quarter note icon in slot 2
        const QImage before = canvas.image().copy();
        canvas.multiplyBitmap(*highlight, 0, 0, 16, 23, 35, 1);
        const QImage& after = canvas.image();
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 100; ++x) {
                const bool cell = x >= 35 && x < 51 && y >= 1 && y < 24;
                const QRgb was = before.pixel(x, y);
                const QRgb expected = !cell ? was : was == kBlack ? kBlack : colour;
                ASSERT_EQ(after.pixel(x, y), expected)
                    << displayId(glyph) << " at " << x << ',' << y;
            }
        }
    }
}

TEST(RasterCanvas, CopyTransfersOnlyTheInsideOfTheBitmap) {
    RasterCanvas canvas(40, 40);
    canvas.line(0, 1, 40, 1);
    Bitmap square{2, 3, 3, std::vector<std::uint32_t>(9, 0x123456)};
    canvas.copy(square, 0, 0, 3, 3, 0, 0);
    EXPECT_EQ(canvas.image().pixel(0, 0), 0xFF123456);
    EXPECT_EQ(canvas.image().pixel(2, 1), 0xFF123456);  // copy overwrites ink
    EXPECT_EQ(canvas.image().pixel(3, 1), kBlack);
    // A source rectangle reaching past the bitmap transfers just the part inside it.
    canvas.resize(40, 40);
    canvas.copy(square, 1, 1, 10, 10, 20, 20);
    EXPECT_EQ(inkBox(canvas.image()), QRect(20, 20, 2, 2));
    canvas.multiplyBitmap(Bitmap{}, 0, 0, 5, 5, 0, 0);  // an empty bitmap draws nothing
    EXPECT_EQ(inkBox(canvas.image()), QRect(20, 20, 2, 2));
}

TEST(RasterCanvas, TextIsBlackOnOpaqueWhiteFromItsTopLeft) {
    EXPECT_TRUE(QFontInfo(textFont()).family().startsWith(QStringLiteral("Nimbus Sans")));
    EXPECT_TRUE(QFontInfo(textFont()).bold());
    EXPECT_EQ(QFontInfo(textFont()).pixelSize(), 11);
    RasterCanvas canvas(120, 40);
    canvas.line(0, 12, 120, 12);  // a staff line through the text
    canvas.text(5, 4, "Piano");
    const QImage& image = canvas.image();
    const QRect box = inkBox(image);
    // The text's ink starts near its top-left corner and covers the line with its background.
    EXPECT_GE(box.left(), 0);
    int paperOnLine = 0;
    for (int x = 8; x < 30; ++x) {
        paperOnLine += image.pixel(x, 11) == kWhite ? 1 : 0;
    }
    EXPECT_GT(paperOnLine, 0);
    const std::vector<QPoint> inkAboveTop = inkIn(image, 0, 0, 120, 4);
    EXPECT_TRUE(inkAboveTop.empty());
    for (const QPoint& p : inkIn(image, 0, 0, 120, 40)) {
        const QRgb c = image.pixel(p);
        EXPECT_TRUE(c == kBlack || c == kWhite) << std::hex << c;
    }
}

// The fast paths give exactly the pixels of the QPainter calls that reproduce the window
// system's pens, ellipses and text (antialiasing off), wherever the shape lands.
TEST(RasterCanvas, MatchesQPainterDrawingPixelForPixel) {
    RasterCanvas canvas(120, 90);
    QImage reference(120, 90, QImage::Format_RGB32);
    reference.fill(Qt::white);
    QPainter p(&reference);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap));
    p.setFont(textFont());
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    const auto line = [&](int x1, int y1, int x2, int y2) {
        canvas.line(x1, y1, x2, y2);
        const int dx = x2 < x1 ? 1 : 0;
        const int dy = y2 < y1 ? 1 : 0;
        p.drawLine(QPoint(x1 + dx, y1 + dy), QPoint(x2 + dx, y2 + dy));
    };
    line(3, 5, 40, 5);
    line(60, 8, 20, 8);
    line(7, 80, 7, 12);
    line(110, 12, 110, 80);
    line(-5, 88, 130, 88);  // clipped at both ends
    line(30, 30, 50, 60);   // slanted
    int x = 1;
    for (const auto& [w, h] : {std::pair{12, 9}, std::pair{5, 5}, std::pair{7, 4}}) {
        for (int shift = 0; shift < 3; ++shift, x += 14) {
            canvas.ellipse(x, 20 + shift, x + w, 20 + shift + h);
            p.setBrush(Qt::black);
            p.drawEllipse(QRectF(x, 20 + shift, w - 1, h - 1));
            canvas.arc(x, 40 + shift, x + w, 40 + shift + h);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRect(x, 40 + shift, w - 1, h - 1));
        }
    }
    canvas.ellipse(-4, -3, 8, 6);  // partly outside
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(-4, -3, 11, 8));
    canvas.text(5, 60, "1 BPM: 120");
    p.drawText(QPoint(5, 60 + QFontMetrics(textFont()).ascent()), QStringLiteral("1 BPM: 120"));
    canvas.text(100, 70, "Piano");  // runs off the right edge
    p.drawText(QPoint(100, 70 + QFontMetrics(textFont()).ascent()), QStringLiteral("Piano"));
    p.end();
    for (int y = 0; y < 90; ++y) {
        for (int xx = 0; xx < 120; ++xx) {
            EXPECT_EQ(canvas.image().pixel(xx, y), reference.pixel(xx, y)) << xx << "," << y;
        }
    }
}

// Bitmap transfers give the pixels of QPainter's image drawing: plain for a copy, through the
// raster operation that ANDs source and destination for an AND, clipped at the picture's edges.
TEST(RasterCanvas, TransfersMatchQPainterRasterOperations) {
    const std::optional<Bitmap> strip = loadGlyph(Glyph::Toolbar);
    const std::optional<Bitmap> sharp = loadGlyph(Glyph::Sharp);
    const std::optional<Bitmap> yellow = loadGlyph(Glyph::HighlightPending);
    ASSERT_TRUE(strip && sharp && yellow);
    const auto toImage = [](const Bitmap& b) {
        QImage image(b.width, b.height, QImage::Format_RGB32);
        for (int y = 0; y < b.height; ++y) {
            for (int x = 0; x < b.width; ++x) {
                image.setPixel(x, y,
                               0xFF000000u | b.pixels[static_cast<std::size_t>(y * b.width + x)]);
            }
        }
        return image;
    };
    RasterCanvas canvas(80, 40);
    QImage reference(80, 40, QImage::Format_RGB32);
    reference.fill(Qt::white);
    QPainter p(&reference);
    canvas.copy(*strip, 224, 0, 32, 19, 30, 2);  // play and stop icons
    p.drawImage(QPoint(30, 2), toImage(*strip), QRect(224, 0, 32, 19));
    canvas.copy(*yellow, 0, 0, 16, 23, -4, 15);  // partly off the left edge
    p.drawImage(QPoint(-4, 15), toImage(*yellow));
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    for (const auto& [x, y] : {std::pair{0, 12}, std::pair{34, 5}, std::pair{70, 30}}) {
        canvas.multiplyBitmap(*sharp, 0, 0, 14, 19, x, y);
        p.drawImage(QPoint(x, y), toImage(*sharp));
    }
    p.end();
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 80; ++x) {
            ASSERT_EQ(canvas.image().pixel(x, y), reference.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(RasterCanvas, WritesThePictureAsPng) {
    RasterCanvas canvas(50, 40);
    canvas.line(0, 5, 50, 5);
    const QString path = QDir::temp().filePath(QStringLiteral("corvane_raster_test.png"));
    writePng(canvas, 30, 20, path.toStdString());
    const QImage read(path);
    EXPECT_EQ(read.size(), QSize(30, 20));
    EXPECT_EQ(read.pixel(3, 4), kBlack);
    QFile::remove(path);
    EXPECT_THROW(writePng(canvas, 30, 20, "/nonexistent-folder/x.png"), std::runtime_error);
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    // Test discovery runs this program without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
