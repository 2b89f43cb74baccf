#include "window/ControlFonts.h"

TFontChoice FontByTag(TControlKind kind, int tag, const TFontChoice& own, const TFontChoice& base, int pixelsPerInch) {
    if (kind != TControlKind::Label && kind != TControlKind::Panel && kind != TControlKind::Button) return own;
    TFontChoice font = own;
    if (tag == 1) {
        font = base;
    } else if (tag == 2) {
        font.Name = base.Name;
    } else if (tag >= 10 && tag <= 30) {
        font.Height = base.Height - (tag - 10);
    } else if (tag == 40) {
        font.Height = pixelsPerInch > 96 ? base.Height : -13;
    }
    return font;
}
