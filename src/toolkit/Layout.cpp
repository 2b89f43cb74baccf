#include "toolkit/Layout.h"

#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/ProgressBar.h"
#include "toolkit/TrayIcon.h"
#include "win/Exception.h"

#include <string>

namespace Toolkit {

namespace {

TTrayIcon& MakeTrayIcon(TForm& form, const TControlLayout& entry) {
    auto& tray = form.Make<TTrayIcon>();
    if (entry.Picture) {
        // One 16 x 16 image of the icon resource.
        tray.SetIcon(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), entry.Picture, IMAGE_ICON, 16, 16, 0)));
    }
    return tray;
}

TControl& MakeControl(TForm& form, const TControlLayout& entry) {
    const std::wstring kind = entry.Kind;
    if (kind == L"TPanel") return form.Make<TPanel>();
    if (kind == L"TFrame") return form.Make<TFrame>();
    if (kind == L"TStatusBar") return form.Make<TStatusBar>();
    if (kind == L"TProgressBar") return form.Make<TProgressBar>();
    if (kind == L"TLabel") {
        auto& label = form.Make<TLabel>();
        if (entry.Text) label.SetCaption(entry.Text);
        return label;
    }
    if (kind == L"TImage") {
        auto& image = form.Make<TImage>();
        if (entry.Picture) image.Picture().LoadFromResource(entry.Picture);
        return image;
    }
    throw Win::Exception(L"Unknown component kind in a layout: " + kind);
}

TWinControl& ParentOf(TForm& form, const TControlLayout& entry) {
    if (!entry.Parent) return form;
    auto* parent = dynamic_cast<TWinControl*>(form.FindComponent(entry.Parent));
    if (!parent) throw Win::Exception(std::wstring(L"Unknown parent in a layout: ") + entry.Parent);
    return *parent;
}

}  // namespace

void LoadLayout(TForm& form, const TFormLayout& layout) {
    form.BorderStyle = layout.BorderStyle;
    form.SystemMenu = layout.SystemMenu;
    form.Caption = layout.Caption;
    form.Color = layout.Color;
    form.CenterOnScreen = layout.CenterOnScreen;
    TFont font;
    font.Name = layout.FontName;
    font.Height = layout.FontHeight;
    form.SetFont(font);
    // The toolkit reads a layout as made for 96 pixels per inch.
    form.PixelsPerInch = 96;
    form.SetClientSize(layout.ClientWidth, layout.ClientHeight);
    form.Handle();
    SetWindowTextW(form.Handle(), layout.Caption);

    for (const TControlLayout& entry : layout.Controls) {
        if (std::wstring(entry.Kind) == L"TTrayIcon") {
            MakeTrayIcon(form, entry).Name = entry.Name;
            continue;
        }
        TControl& control = MakeControl(form, entry);
        control.Name = entry.Name;
        control.Tag = entry.Tag;
        control.Align = entry.Align;
        control.Anchors = entry.Anchors;
        control.Color = entry.Color;
        if (auto* windowed = dynamic_cast<TWinControl*>(&control)) windowed->FrameWidth = entry.FrameWidth;
        control.SetBounds(entry.Left, entry.Top, entry.Width, entry.Height);
        TWinControl& parent = ParentOf(form, entry);
        control.SetParent(&parent);
        if (entry.FontName) {
            TFont own = control.Font();
            own.Name = entry.FontName;
            own.Height = entry.FontHeight;
            control.SetFont(own);
        }
        control.AdjustSize();
        parent.Realign();
    }
    form.ScaleToMonitor();
}

}  // namespace Toolkit
