// The font rules of the window's controls: a control's kind and its tag
// decide whether its font takes the name or the height of the window font.
#pragma once

#include <string>

// The kinds of the window's parts. The rules reach texts, panels and buttons
// only; pictures and the progress bar keep the fonts they have.
enum class ControlKind { Label, Panel, Button, Picture, ProgressBar };

// A font's face and height. A negative height is the character height in
// pixels (LOGFONT's convention), so subtracting from it makes the font larger.
struct FontChoice {
    std::wstring Name;
    int Height = 0;
};

// Returns the font a control of `kind` with `tag` gets, from its own font and
// the window font `base`, on a monitor of `pixelsPerInch`:
//   tag 1: base name and height;   tag 2: base name;
//   tags 10 to 30: base height - (tag - 10), own name;
//   tag 40: base height above 96 pixels per inch, -13 at 96 or less;
//   any other tag, and kinds the rules do not reach: the own font unchanged.
FontChoice FontByTag(ControlKind kind, int tag, const FontChoice& own, const FontChoice& base, int pixelsPerInch);
