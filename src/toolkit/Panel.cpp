#include "toolkit/Panel.h"

namespace Toolkit {

void TStatusBar::ScaleInPlace(int m, int d) {
    if (!ParentFont()) {
        TFont font = Font();
        font.Height = Scale(font.Height, m, d);
        SetFont(font);
    }
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(m, d);
    SetBounds(Left(), Top(), Scale(Width(), m, d), Scale(Height(), m, d));
}

}  // namespace Toolkit
