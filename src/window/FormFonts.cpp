#include "window/FormFonts.h"

#include "window/LayoutDensity.h"

#include "toolkit/Application.h"
#include "toolkit/Panel.h"

#include <cwchar>

bool DefaultFontRemembered = false;

namespace {

// The classes whose fonts follow the tag rules, by the class's own name:
// a class derived from one of them under another name does not match.
const wchar_t* const TaggedClasses[] = {L"TLabel",   L"TLinkLabel",          L"TRadioButton", L"TButton",
                                        L"TCheckBox", L"TCategoryPanelGroup", L"TListView",    L"TPanel"};

bool IsTaggedClass(const wchar_t* name) {
    for (const wchar_t* tagged : TaggedClasses)
        if (std::wcscmp(name, tagged) == 0) return true;
    return false;
}

// The one body of both SetFormFonts; exactly one of `form` and `frame` is given.
void SetFormFonts(Toolkit::TForm* form, Toolkit::TFrame* frame, int pixelsPerInch) {
    Toolkit::TWinControl& owner = form ? static_cast<Toolkit::TWinControl&>(*form) : *frame;
    if (!DefaultFontRemembered) RememberDefaultFont(owner.Font());
    TSetControlFonts walk;
    walk.Apply(owner, pixelsPerInch);
}

}  // namespace

void RememberDefaultFont(const Toolkit::TFont& font) {
    Toolkit::Application().DefaultFont.Assign(font);
    DefaultFontRemembered = true;
}

void AssignDefaultFont(Toolkit::TFont& font) {
    if (!DefaultFontRemembered) throw RememberDefaultFontNotCalledException();
    font.Assign(Toolkit::Application().DefaultFont);
}

void ScaleFormAndSetFonts(Toolkit::TForm& form) {
    // See LayoutDensity.h: this step brings the net factor to m / 115.
    form.ScaleForPPI(form.MonitorPixelsPerInch() * 96 / kLayoutPixelsPerInch);
    for (int i = 0; i < form.ComponentCount(); ++i) {
        if (std::wcscmp(form.Components(i)->ClassName(), L"TStatusBar") != 0) continue;
        if (auto* bar = dynamic_cast<Toolkit::TStatusBar*>(form.Components(i))) bar->ScaleInPlace(kLayoutPixelsPerInch, 96);
        break;
    }
    SetFormFonts(form, form.MonitorPixelsPerInch());
}

void SetFormFonts(Toolkit::TForm& form, int pixelsPerInch) { SetFormFonts(&form, nullptr, pixelsPerInch); }

void SetFormFonts(Toolkit::TFrame& frame, int pixelsPerInch) { SetFormFonts(nullptr, &frame, pixelsPerInch); }

void TSetControlFonts::Apply(Toolkit::TComponent& owner, int pixelsPerInch) {
    DefaultFont.reset(new Toolkit::TFont);
    AssignDefaultFont(*DefaultFont);
    PixelsPerInch = pixelsPerInch;
    // The count is read again at every step.
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        Current = owner.Components(i);
        if (IsTaggedClass(Current->ClassName())) {
            if (auto* control = dynamic_cast<Toolkit::TControl*>(Current)) ApplyTagRules(*control);
        } else if (auto* frame = dynamic_cast<Toolkit::TFrame*>(Current)) {
            SetFormFonts(*frame, PixelsPerInch);
        }
    }
}

void TSetControlFonts::ApplyTagRules(Toolkit::TControl& control) {
    const int tag = control.Tag;
    const Toolkit::TFont& base = *DefaultFont;
    Toolkit::TFont font = control.Font();
    if (tag == 1) {
        font.Name = base.Name;
        font.Height = base.Height;
    } else if (tag == 2) {
        font.Name = base.Name;
    } else if (tag >= 10 && tag <= 30) {
        font.Height = base.Height - (tag - 10);
    } else if (tag == 40) {
        font.Height = PixelsPerInch > 96 ? base.Height : -13;
    } else {
        return;
    }
    // Setting the font makes it the control's own: it stops following its parent's.
    control.SetFont(font);
}
