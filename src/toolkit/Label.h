// Text labels that size themselves to their text.
#pragma once

#include "toolkit/Control.h"

namespace Toolkit {

// A windowless line of text on its parent's background. With AutoSize the
// label takes the size of its text on one line; text wider than the parent
// is cut off at the parent's edge. UI thread.
class TLabel : public TControl {
public:
    const wchar_t* ClassName() const override { return L"TLabel"; }

    const std::wstring& Caption() const noexcept { return caption_; }
    void SetCaption(const std::wstring& caption);
    bool AutoSize = true;

    void Paint(HDC dc) override;
    void AdjustSize() override;

private:
    std::wstring caption_;
};

}  // namespace Toolkit
