// Writes the program's icon as a PNG file, for installing on a desktop.
// Usage: corvane-icon-png OUT.png

#include <cstdio>

#include "app/app_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: corvane-icon-png OUT.png\n", stderr);
        return 2;
    }
    const QImage icon = corvane::iconImage();
    if (icon.isNull() || !icon.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "corvane-icon-png: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
