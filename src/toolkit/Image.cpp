#include "toolkit/Image.h"

namespace Toolkit {

void TImage::PictureChanged() {
    AdjustSize();
    Invalidate();
}

void TImage::AdjustSize() {
    if (AutoSize && !picture_.Empty()) SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

void TImage::Paint(HDC dc) {
    int x = Left(), y = Top();
    if (Center) {
        x += (Width() - picture_.Width()) / 2;
        y += (Height() - picture_.Height()) / 2;
    }
    picture_.Draw(dc, x, y);
}

}  // namespace Toolkit
