// Font objects: the attributes of a font and the GDI font made from them.
#pragma once

#include "win/Unique.h"

#include <string>

namespace Toolkit {

// A colour: an RGB value, or a system colour index with the top byte 0xFF.
using TColor = unsigned long;
constexpr TColor SystemColor(int index) { return 0xFF000000ul | static_cast<unsigned long>(index); }
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);

// Returns the RGB value of a colour, looking system colours up now.
COLORREF ColorToRGB(TColor color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font's attributes. Height follows the toolkit's convention: a negative
// height is the character height in pixels, a positive one the cell height.
// Owns the GDI font it makes on demand. UI thread.
class TFont {
public:
    TFont() = default;
    TFont(const TFont& other) { Assign(other); }
    TFont& operator=(const TFont& other) {
        Assign(other);
        return *this;
    }

    std::wstring Name = L"Segoe UI";
    int Height = -13;
    unsigned Style = 0;
    TColor Color = clWindowText;
    BYTE Charset = DEFAULT_CHARSET;

    // Copies every attribute: name, height, style, colour and character set.
    void Assign(const TFont& other);

    bool SameAs(const TFont& other) const;

    // Returns a GDI font for the current attributes; this object keeps it.
    HFONT Handle() const;

private:
    mutable Win::UniqueHFont handle_;
    mutable std::wstring madeName_;
    mutable int madeHeight_ = 0;
    mutable unsigned madeStyle_ = 0;
    mutable BYTE madeCharset_ = 0;
};

}  // namespace Toolkit
