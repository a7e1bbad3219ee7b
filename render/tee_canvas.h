#pragma once
// A canvas that hands every operation to two others, so that one repaint yields both a picture
// and its display list.

#include <memory>

#include "render/canvas.h"

namespace corvane {

class TeeCanvas final : public Canvas {
  public:
    TeeCanvas(std::unique_ptr<Canvas> first, std::unique_ptr<Canvas> second)
        : first_(std::move(first)), second_(std::move(second)) {}

    Canvas& first() { return *first_; }
    Canvas& second() { return *second_; }

    void resize(int width, int height) override {
        first_->resize(width, height);
        second_->resize(width, height);
    }
    void fill(const Rect& r) override {
        first_->fill(r);
        second_->fill(r);
    }
    void copy(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) override {
        first_->copy(bitmap, sx, sy, w, h, x, y);
        second_->copy(bitmap, sx, sy, w, h, x, y);
    }
    void multiplyBitmap(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) override {
        first_->multiplyBitmap(bitmap, sx, sy, w, h, x, y);
        second_->multiplyBitmap(bitmap, sx, sy, w, h, x, y);
    }
    void line(int x1, int y1, int x2, int y2) override {
        first_->line(x1, y1, x2, y2);
        second_->line(x1, y1, x2, y2);
    }
    void ellipse(int l, int t, int r, int b) override {
        first_->ellipse(l, t, r, b);
        second_->ellipse(l, t, r, b);
    }
    void arc(int l, int t, int r, int b) override {
        first_->arc(l, t, r, b);
        second_->arc(l, t, r, b);
    }
    void text(int x, int y, std::string_view s) override {
        first_->text(x, y, s);
        second_->text(x, y, s);
    }

  private:
    std::unique_ptr<Canvas> first_;
    std::unique_ptr<Canvas> second_;
};

}  // namespace corvane
