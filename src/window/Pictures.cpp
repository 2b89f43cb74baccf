#include "window/Pictures.h"

#include "win/DeviceContext.h"
#include "win/Exception.h"

#include <algorithm>
#include <cmath>

namespace {

// Each pixel is the average of kSamples x kSamples points of the shape.
constexpr int kSamples = 4;

struct Colour {
    int r, g, b;
};
constexpr Colour kRing{204, 32, 40};
constexpr Colour kArrow{40, 40, 48};
constexpr Colour kCross{128, 128, 128};

bool InsidePolygon(double x, double y, const double (*points)[2], int count) {
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const double xi = points[i][0], yi = points[i][1], xj = points[j][0], yj = points[j][1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - ax - t * dx, y - ay - t * dy);
}

// The shapes in the unit square; they return false where the picture is transparent.
bool ArrowInRingAt(double u, double v, Colour& colour) {
    const double r = std::hypot(u - 0.5, v - 0.5);
    if (r >= 0.40 && r <= 0.49) {
        colour = kRing;
        return true;
    }
    static const double arrow[][2] = {{0.42, 0.22}, {0.58, 0.22}, {0.58, 0.50}, {0.70, 0.50},
                                      {0.50, 0.76}, {0.30, 0.50}, {0.42, 0.50}};
    if (u < 0.30 || u > 0.70 || v < 0.22 || v > 0.76 || !InsidePolygon(u, v, arrow, 7)) return false;
    colour = kArrow;
    return true;
}

bool CrossAt(double u, double v, Colour& colour) {
    const double d = std::min(SegmentDistance(u, v, 0.2, 0.2, 0.8, 0.8), SegmentDistance(u, v, 0.8, 0.2, 0.2, 0.8));
    colour = kCross;
    return d <= 0.085;
}

}  // namespace

template <typename Shape>
Picture Picture::Render(int size, Shape shape) {
    Picture picture;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    picture.bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    Win::ThrowLastErrorIf(!picture.bitmap_, "CreateDIBSection");
    picture.pixels_ = static_cast<unsigned*>(bits);
    picture.size_ = size;
    const double step = 1.0 / (kSamples * size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int r = 0, g = 0, b = 0, hits = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    Colour colour{};
                    if (!shape((x * kSamples + sx + 0.5) * step, (y * kSamples + sy + 0.5) * step, colour)) continue;
                    r += colour.r;
                    g += colour.g;
                    b += colour.b;
                    ++hits;
                }
            }
            // Premultiplied: each channel is its mean over all samples, the
            // transparent ones counting as 0.
            constexpr int all = kSamples * kSamples;
            const unsigned alpha = static_cast<unsigned>((255 * hits + all / 2) / all);
            picture.pixels_[y * size + x] = alpha << 24 | static_cast<unsigned>((r + all / 2) / all) << 16 |
                                            static_cast<unsigned>((g + all / 2) / all) << 8 |
                                            static_cast<unsigned>((b + all / 2) / all);
        }
    }
    GdiFlush();
    return picture;
}

Picture Picture::ArrowInRing(int size) { return Render(size, ArrowInRingAt); }

Picture Picture::Cross(int size) { return Render(size, CrossAt); }

void Picture::Draw(HDC dc, int x, int y) const {
    if (!bitmap_) return;
    const Win::UniqueMemoryDc source(CreateCompatibleDC(dc));
    if (!source) return;
    const Win::SelectedObject selected(source.get(), bitmap_.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // GdiAlphaBlend is gdi32's own entry point (AlphaBlend of msimg32 forwards to it).
    GdiAlphaBlend(dc, x, y, size_, size_, source.get(), 0, 0, size_, size_, blend);
}
