#pragma once
// A canvas that draws nothing and writes one display-list line per operation instead. Tests and
// the headless tool paint into it to see exactly what a repaint does.

#include <string>
#include <string_view>
#include <vector>

#include "render/canvas.h"

namespace corvane {

class RecordingCanvas final : public Canvas {
  public:
    // The size is not part of the display list; it is only remembered.
    void resize(int width, int height) override;
    void fill(const Rect& r) override;
    void copy(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) override;
    void multiplyBitmap(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) override;
    void line(int x1, int y1, int x2, int y2) override;
    void ellipse(int l, int t, int r, int b) override;
    void arc(int l, int t, int r, int b) override;
    void text(int x, int y, std::string_view s) override;

    // The operations recorded since construction or the last clear(), one line each, in order.
    const std::vector<std::string>& lines() const { return lines_; }
    // The same lines, each ended by '\n'.
    std::string displayList() const;
    void clear() { lines_.clear(); }

    int width() const { return width_; }
    int height() const { return height_; }

  private:
    void record(std::string_view op, std::initializer_list<int> numbers);

    std::vector<std::string> lines_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace corvane
