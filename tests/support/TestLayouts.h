// Layouts for forms that tests build with the window toolkit.
#pragma once

#include "toolkit/Layout.h"

#include <vector>

namespace TestSupport {

// Returns a borderless layout of the given client size holding `controls`.
inline Toolkit::TFormLayout BorderlessLayout(int clientWidth, int clientHeight,
                                             std::vector<Toolkit::TControlLayout> controls = {}) {
    Toolkit::TFormLayout layout;
    layout.ClientWidth = clientWidth;
    layout.ClientHeight = clientHeight;
    layout.BorderStyle = Toolkit::TBorderStyle::bsNone;
    layout.Controls = std::move(controls);
    return layout;
}

}  // namespace TestSupport
