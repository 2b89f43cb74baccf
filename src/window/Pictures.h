// The window's pictures, drawn in code for the window's density so that their
// edges stay clean at any size: the ring with the arrow and the close cross.
#pragma once

#include "win/Unique.h"

// A square picture with transparency: a 32-bit top-down DIB section with
// premultiplied alpha, as AlphaBlend takes it. Move-only; UI thread.
class Picture {
public:
    Picture() = default;

    int Size() const noexcept { return size_; }
    HBITMAP Bitmap() const noexcept { return bitmap_.get(); }
    // Returns the pixel at (x, y) as premultiplied 0xAARRGGBB.
    unsigned Pixel(int x, int y) const noexcept { return pixels_[y * size_ + x]; }

    // Blends the picture onto `dc` with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y) const;

    // Returns the red ring with the dark downward arrow, `size` pixels square.
    static Picture ArrowInRing(int size);
    // Returns the grey diagonal cross, `size` pixels square.
    static Picture Cross(int size);

private:
    template <typename Shape>
    static Picture Render(int size, Shape shape);

    Win::UniqueHBitmap bitmap_;
    unsigned* pixels_ = nullptr;  // owned by bitmap_
    int size_ = 0;
};
