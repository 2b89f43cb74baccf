// Visible parts of a form: position, size, font, alignment and mouse events.
#pragma once

#include "toolkit/Component.h"
#include "toolkit/Font.h"

#include <functional>

namespace Toolkit {

class TWinControl;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// A control without a native window of its own: its parent paints it and
// routes its mouse messages to it. Bounds are in the parent's client
// coordinates. UI thread.
class TControl : public TComponent {
public:
    ~TControl() override;
    const wchar_t* ClassName() const override { return L"TControl"; }

    // Places this control in `parent` (null takes it out).
    virtual void SetParent(TWinControl* parent);
    TWinControl* Parent() const noexcept { return parent_; }

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }

    // The control's own font, or a copy of its parent's while ParentFont is true.
    const TFont& Font() const noexcept { return font_; }
    // Gives the control its own font: it no longer follows its parent's.
    void SetFont(const TFont& font);
    bool ParentFont() const noexcept { return parentFont_; }
    void SetParentFont(bool value);

    TAlign Align = TAlign::alNone;
    unsigned Anchors = akLeft | akTop;
    TColor Color = clWindow;

    bool Visible() const noexcept { return visible_; }
    virtual void SetVisible(bool visible);

    std::function<void()> OnClick;
    std::function<void(unsigned keys, int x, int y)> OnMouseMove;

    // Multiplies position, size and (own) font height by m / d, to the nearest
    // integer; a windowed control does the same for its children.
    virtual void ChangeScale(int m, int d);

    // Paints the control on its parent's device context, in the parent's client coordinates.
    virtual void Paint(HDC) {}

    // Asks the parent to repaint this control's area.
    virtual void Invalidate();

    // Sets the size the control's content asks for, for controls that size themselves.
    virtual void AdjustSize() {}

protected:
    // Called after the font has changed (own or parent's).
    virtual void FontChanged();
    // Called after the bounds have changed.
    virtual void BoundsChanged() {}
    // Scales the bounds for ChangeScale; a form scales its client size instead.
    virtual void ScaleBounds(int m, int d);

private:
    friend class TWinControl;
    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TFont font_;
    bool parentFont_ = true;
    bool visible_ = true;
};

// Returns the result of MulDiv(value, m, d): rounded to the nearest integer.
int Scale(int value, int m, int d);

}  // namespace Toolkit
