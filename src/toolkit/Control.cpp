#include "toolkit/Control.h"

#include "toolkit/WinControl.h"

namespace Toolkit {

int Scale(int value, int m, int d) { return d ? MulDiv(value, m, d) : value; }

TControl::~TControl() {
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) {
        Invalidate();
        parent_->RemoveControl(this);
    }
    parent_ = parent;
    if (parent_) {
        parent_->InsertControl(this);
        if (parentFont_) {
            font_.Assign(parent_->Font());
            FontChanged();
        }
        Invalidate();
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
    BoundsChanged();
    // An aligned control that changes its size moves its siblings.
    if (Align != TAlign::alNone && parent_) parent_->Realign();
}

void TControl::SetFont(const TFont& font) {
    font_.Assign(font);
    parentFont_ = false;
    FontChanged();
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (parentFont_ && parent_) {
        font_.Assign(parent_->Font());
        FontChanged();
    }
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    // A hidden windowless control still needs its old area repainted.
    if (parent_) parent_->Invalidate();
}

void TControl::ChangeScale(int m, int d) {
    if (!parentFont_) {
        font_.Height = Scale(font_.Height, m, d);
        FontChanged();
    }
    ScaleBounds(m, d);
    AdjustSize();
}

void TControl::ScaleBounds(int m, int d) {
    SetBounds(Scale(left_, m, d), Scale(top_, m, d), Scale(width_, m, d), Scale(height_, m, d));
}

void TControl::Invalidate() {
    if (!parent_ || !parent_->HandleAllocated()) return;
    const RECT area{left_, top_, left_ + width_, top_ + height_};
    InvalidateRect(parent_->Handle(), &area, FALSE);
}

void TControl::FontChanged() {
    AdjustSize();
    Invalidate();
}

}  // namespace Toolkit
