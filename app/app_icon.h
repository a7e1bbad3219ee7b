#pragma once
// The program's icon, the AppIcon glyph.

#include <QIcon>
#include <QImage>

namespace corvane {

// The 32 x 32 icon picture; a null image when the program lacks the bitmap.
QImage iconImage();

// The icon at 32 x 32 with its 16 x 16 scaled form, for the window and the task bar.
QIcon applicationIcon();

}  // namespace corvane
