// The common controls' progress bar, in normal and marquee styles.
#pragma once

#include "toolkit/WinControl.h"

namespace Toolkit {

enum class TProgressBarStyle { pbstNormal, pbstMarquee };

// A native progress bar (the marquee style needs common controls 6). UI thread.
class TProgressBar : public TWinControl {
public:
    const wchar_t* ClassName() const override { return L"TProgressBar"; }

    int Min() const noexcept { return min_; }
    int Max() const noexcept { return max_; }
    void SetRange(int min, int max);
    int Position() const noexcept { return position_; }
    void SetPosition(int position);
    TProgressBarStyle Style() const noexcept { return style_; }
    void SetStyle(TProgressBarStyle style);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandle() override;

private:
    int min_ = 0, max_ = 100, position_ = 0;
    TProgressBarStyle style_ = TProgressBarStyle::pbstNormal;
};

}  // namespace Toolkit
