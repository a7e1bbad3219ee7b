#include "render/recording_canvas.h"

#include <initializer_list>

namespace corvane {

void RecordingCanvas::record(std::string_view op, std::initializer_list<int> numbers) {
    std::string out(op);
    for (const int n : numbers) {
        out += ' ';
        out += std::to_string(n);
    }
    lines_.push_back(std::move(out));
}

void RecordingCanvas::resize(int width, int height) {
    width_ = width;
    height_ = height;
}

void RecordingCanvas::fill(const Rect& r) {
    record("fill", {r.left, r.top, r.right, r.bottom});
}

void RecordingCanvas::copy(const Bitmap& bitmap, int sx, int sy, int w, int h, int x, int y) {
    record("copy", {bitmap.id, sx, sy, w, h, x, y});
}

void RecordingCanvas::multiplyBitmap(const Bitmap& bitmap, int sx, int sy, int w, int h, int x,
                                     int y) {
    record("and", {bitmap.id, sx, sy, w, h, x, y});
}

void RecordingCanvas::line(int x1, int y1, int x2, int y2) {
    record("line", {x1, y1, x2, y2});
}

void RecordingCanvas::ellipse(int l, int t, int r, int b) {
    record("ellipse", {l, t, r, b});
}

void RecordingCanvas::arc(int l, int t, int r, int b) {
    record("arc", {l, t, r, b});
}

void RecordingCanvas::text(int x, int y, std::string_view s) {
    record("text", {x, y});
    lines_.back() += ' ';
    lines_.back() += s;
}

std::string RecordingCanvas::displayList() const {
    std::string out;
    for (const std::string& line : lines_) {
        out += line;
        out += '\n';
    }
    return out;
}

}  // namespace corvane
