#include "prnui/imaging/logo_levels.h"

#include <cmath>

#include "prnui/imaging/logo_image.h"

namespace k20::prnui {

namespace {

int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

}  // namespace

int AdjustLevel(int v, int c, int b) {
    int d;
    if (c < 0) {
        // Single precision throughout: the printed levels depend on this rounding.
        const float t = 255.0f / float(2 * c + 255);
        const float q = float(v) / t;
        const float r = q - float(c);
        d = int(r);
    } else if (v <= c) {
        d = 0;
    } else if (v >= 255 - c) {
        d = 255;
    } else {
        const float k = float((255.0 - 2.0 * c) / 255.0);
        d = int(double(v - c) / double(k));
    }
    return Clamp255(d + b);
}

int AdjustAroundMean(int v, int c, int b, int m) {
    const float f = float(c >= 0 ? 1.0 + c / 10.0 : 1.0 - std::sqrt(double(-c)) / 10.0);
    const float p = float(v - m) * f;
    const float s = p + float(m);
    return Clamp255(int(s) + b);
}

int Luminance(int r, int g, int b) {
    return (587 * g + 299 * r + 114 * b) / 1000;
}

namespace logo {

int ClampSetting(int v) {
    return v < -100 ? -100 : (v > 100 ? 100 : v);
}

Lut LevelTable(int c, int b) {
    Lut t;
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(AdjustLevel(v, c, b));
    return t;
}

Lut AroundMeanTable(int c, int b, int m) {
    Lut t;
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(AdjustAroundMean(v, c, b, m));
    return t;
}

Lut IdentityTable() {
    Lut t;
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(v);
    return t;
}

void ColourLevelRow(const uint8_t* p, int w, const WeightedTables& t, uint8_t* l) {
    for (int x = 0; x < w; ++x, p += 3) l[x] = uint8_t(t.Sum(p) / 1000u);
}

void GrayLevelRow(const uint8_t* p, int w, const Lut& t, uint8_t* l) {
    for (int x = 0; x < w; ++x) l[x] = t[p[x]];
}

}  // namespace logo

}  // namespace k20::prnui
