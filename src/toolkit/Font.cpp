#include "toolkit/Font.h"

#include "win/Exception.h"

namespace Toolkit {

COLORREF ColorToRGB(TColor color) {
    if ((color & 0xFF000000ul) == 0xFF000000ul) return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color);
}

void TFont::Assign(const TFont& other) {
    Name = other.Name;
    Height = other.Height;
    Style = other.Style;
    Color = other.Color;
    Charset = other.Charset;
}

bool TFont::SameAs(const TFont& other) const {
    return Name == other.Name && Height == other.Height && Style == other.Style && Color == other.Color &&
           Charset == other.Charset;
}

HFONT TFont::Handle() const {
    if (handle_ && madeName_ == Name && madeHeight_ == Height && madeStyle_ == Style && madeCharset_ == Charset)
        return handle_.get();
    LOGFONTW description = {};
    description.lfHeight = Height;
    description.lfWeight = (Style & fsBold) ? FW_BOLD : FW_NORMAL;
    description.lfItalic = (Style & fsItalic) ? TRUE : FALSE;
    description.lfUnderline = (Style & fsUnderline) ? TRUE : FALSE;
    description.lfStrikeOut = (Style & fsStrikeOut) ? TRUE : FALSE;
    description.lfCharSet = Charset;
    description.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(description.lfFaceName, Name.c_str(), LF_FACESIZE);
    handle_.reset(CreateFontIndirectW(&description));
    Win::ThrowLastErrorIf(!handle_, "CreateFontIndirectW");
    madeName_ = Name;
    madeHeight_ = Height;
    madeStyle_ = Style;
    madeCharset_ = Charset;
    return handle_.get();
}

}  // namespace Toolkit
