// Windowless pictures.
#pragma once

#include "toolkit/Control.h"
#include "toolkit/Picture.h"

namespace Toolkit {

// A picture drawn on its parent; its clicks and mouse moves arrive at the
// parent's window, which routes them here (OnClick, OnMouseMove). UI thread.
class TImage : public TControl {
public:
    const wchar_t* ClassName() const override { return L"TImage"; }

    TPicture& Picture() noexcept { return picture_; }
    // Takes the picture's size (AutoSize) and repaints.
    void PictureChanged();

    bool AutoSize = true;
    bool Center = true;

    void Paint(HDC dc) override;
    void AdjustSize() override;

private:
    TPicture picture_;
};

}  // namespace Toolkit
