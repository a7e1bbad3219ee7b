#pragma once
// The bitmap resources compiled into the program, and the reader of their text form (XPM).

#include <cstddef>
#include <optional>
#include <span>

#include "render/canvas.h"

namespace corvane {

// The numbers of every bitmap resource the program carries, in ascending order.
std::span<const int> bitmapIds();

// Reads an XPM image given as its strings (header, colour table, pixel rows). Only "c #RRGGBB"
// colours are understood; anything malformed gives nullopt.
std::optional<Bitmap> parseXpm(int id, std::span<const char* const> rows);

}  // namespace corvane
