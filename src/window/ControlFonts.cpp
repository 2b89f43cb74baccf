#include "window/ControlFonts.h"

FontChoice FontByTag(ControlKind kind, int tag, const FontChoice& own, const FontChoice& base, int pixelsPerInch) {
    if (kind != ControlKind::Label && kind != ControlKind::Panel && kind != ControlKind::Button) return own;
    FontChoice font = own;
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
