// Pictures decoded with the Windows Imaging Component.
#pragma once

#include "win/Unique.h"

#include <string>

namespace Toolkit {

// A 32-bit bitmap with premultiplied alpha, ready for AlphaBlend. UI thread;
// decoding needs COM on the calling thread.
class TPicture {
public:
    // Decodes a PNG (or any format WIC reads) held in memory.
    void LoadFromBytes(const void* data, size_t size);
    // Decodes an RCDATA resource of the program.
    void LoadFromResource(const wchar_t* name);

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    bool Empty() const noexcept { return !bitmap_; }

    // Draws the picture with its transparency at (x, y).
    void Draw(HDC dc, int x, int y) const;

private:
    Win::UniqueHBitmap bitmap_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace Toolkit
