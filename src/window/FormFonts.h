// The density and font setup of a form. It brings a loaded form to its
// monitor's density and gives selected controls fonts derived from one default
// font, by rules carried in each control's Tag. UI thread only.
#pragma once

#include "toolkit/Font.h"

#include <boost/scoped_ptr.hpp>

#include <stdexcept>

namespace Toolkit {
class TComponent;
class TControl;
class TForm;
class TFrame;
}  // namespace Toolkit

// Raised by AssignDefaultFont before any default font was remembered.
class RememberDefaultFontNotCalledException : public std::runtime_error {
public:
    RememberDefaultFontNotCalledException() : std::runtime_error("RememberDefaultFont or SetFormFonts not called!") {}
};

// Set by the first RememberDefaultFont; never cleared.
extern bool DefaultFontRemembered;

// Copies `font` into the application's default font and sets DefaultFontRemembered.
void RememberDefaultFont(const Toolkit::TFont& font);

// Copies the application's default font into `font`. Raises
// RememberDefaultFontNotCalledException when none was remembered yet.
void AssignDefaultFont(Toolkit::TFont& font);

// Brings the form from the toolkit's scale to the layout's (LayoutDensity.h),
// scales its first status bar back by 115/96 in place, then sets the fonts for
// its monitor's density.
void ScaleFormAndSetFonts(Toolkit::TForm& form);

// Remembers the form's (frame's) font as the default if none is remembered
// yet, then applies the tag rules to the components it owns.
void SetFormFonts(Toolkit::TForm& form, int pixelsPerInch);
void SetFormFonts(Toolkit::TFrame& frame, int pixelsPerInch);

// One walk over the components of a form or frame. Lives for one SetFormFonts call.
class TSetControlFonts {
public:
    // Applies the tag rules to every listed control the owner owns and walks
    // owned frames with a walk of their own.
    void Apply(Toolkit::TComponent& owner, int pixelsPerInch);

    int PixelsPerInch = 0;
    Toolkit::TComponent* Current = nullptr;  // not owned
    boost::scoped_ptr<Toolkit::TFont> DefaultFont;

private:
    void ApplyTagRules(Toolkit::TControl& control);
};
