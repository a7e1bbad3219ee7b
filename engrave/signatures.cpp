#include "engrave/signatures.h"

#include <algorithm>
#include <array>
#include <string>

namespace corvane::engrave {

namespace {

constexpr int kMaxSigns = 6;
constexpr double kSignGap = 0.12;
constexpr double kCancelGap = 0.5;

// Staff positions of the signs on a treble staff, in the order they are added; a bass staff's
// are two steps lower.
constexpr std::array<int, kMaxSigns> kSharpPositions{4, 1, 5, 2, -1, 3};
constexpr std::array<int, kMaxSigns> kFlatPositions{0, 3, -1, 2, -2, 1};

int clampedKey(int key) {
    return std::clamp(key, -kMaxSigns, kMaxSigns);
}

// Adds |key| signs of the key's kind (or naturals in their places) from x on; returns the end.
double addSigns(int key, bool naturals, TrackKind kind, double x, SignatureGlyphs& out) {
    const int count = std::abs(clampedKey(key));
    const auto& positions = key > 0 ? kSharpPositions : kFlatPositions;
    const Sym glyph = naturals ? Sym::AccidentalNatural
                      : key > 0 ? Sym::AccidentalSharp
                                : Sym::AccidentalFlat;
    const int shift = kind == Bass ? -2 : 0;
    for (int i = 0; i < count; ++i) {
        if (kind != Drums) {
            out.glyphs.push_back(
                {glyph, x, positionY(positions[static_cast<std::size_t>(i)] + shift)});
        }
        x += symInfo(glyph).advance + kSignGap;
    }
    return x;
}

}  // namespace

PlacedSymbol clef(TrackKind kind) {
    switch (kind) {
        case Treble:
            return {Sym::GClef, 0, positionY(-2)};  // curls round the G line
        case Bass:
            return {Sym::FClef, 0, positionY(2)};  // its dots frame the F line
        default:
            return {Sym::PercussionClef, 0, 0};
    }
}

SignatureGlyphs keySignature(int key, TrackKind kind) {
    SignatureGlyphs out;
    out.width = std::max(0.0, addSigns(key, false, kind, 0, out) - kSignGap);
    return out;
}

SignatureGlyphs keyChange(int from, int to, TrackKind kind) {
    SignatureGlyphs out;
    from = clampedKey(from);
    to = clampedKey(to);
    double x = 0;
    const bool cancel = from != 0 && (to == 0 || (from > 0) != (to > 0));
    if (cancel) {
        x = addSigns(from, true, kind, x, out) - kSignGap;
        if (to != 0) {
            x += kCancelGap;
        }
    }
    if (to != 0) {
        x = addSigns(to, false, kind, x, out) - kSignGap;
    }
    out.width = std::max(0.0, x);
    return out;
}

SignatureGlyphs systemKeySignature(const Score& score, std::size_t m, TrackKind kind) {
    const int key = score.measures[m].key;
    if (m > 0 && clampedKey(score.measures[m - 1].key) != clampedKey(key)) {
        return keyChange(score.measures[m - 1].key, key, kind);
    }
    return keySignature(key, kind);
}

SignatureGlyphs timeSignature(int beats) {
    SignatureGlyphs out;
    const auto digitsOf = [](int n) {
        std::vector<Sym> digits;
        for (const char c : std::to_string(std::max(n, 0))) {
            digits.push_back(timeSigDigit(c - '0'));
        }
        return digits;
    };
    const std::vector<Sym> upper = digitsOf(beats);
    const std::vector<Sym> lower = digitsOf(4);
    const auto widthOf = [](const std::vector<Sym>& digits) {
        double w = 0;
        for (const Sym d : digits) {
            w += symInfo(d).advance;
        }
        return w;
    };
    out.width = std::max(widthOf(upper), widthOf(lower));
    const auto add = [&](const std::vector<Sym>& digits, double y) {
        double x = (out.width - widthOf(digits)) / 2;
        for (const Sym d : digits) {
            out.glyphs.push_back({d, x, y});
            x += symInfo(d).advance;
        }
    };
    add(upper, positionY(2));
    add(lower, positionY(-2));
    return out;
}

}  // namespace corvane::engrave
