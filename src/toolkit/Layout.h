// Forms built from a layout description: a table of controls with their
// places, sizes, fonts and pictures.
#pragma once

#include "toolkit/Form.h"

#include <vector>

namespace Toolkit {

// One component. Kind is its class name: "TPanel", "TLabel", "TImage",
// "TProgressBar", "TFrame", "TStatusBar" or "TTrayIcon".
struct TControlLayout {
    const wchar_t* Kind;
    const wchar_t* Name;
    const wchar_t* Parent = nullptr;  // null: the form itself
    int Left = 0, Top = 0, Width = 0, Height = 0;
    TAlign Align = TAlign::alNone;
    unsigned Anchors = akLeft | akTop;
    int Tag = 0;
    const wchar_t* Text = nullptr;      // a label's caption
    const wchar_t* FontName = nullptr;  // an own font; null follows the parent's
    int FontHeight = 0;
    int FrameWidth = 0;
    const wchar_t* Picture = nullptr;  // RCDATA resource (TImage) or icon resource (TTrayIcon)
    TColor Color = clWindow;
};

struct TFormLayout {
    int ClientWidth = 0, ClientHeight = 0;
    TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
    bool SystemMenu = true;
    const wchar_t* Caption = L"";
    TColor Color = clBtnFace;
    const wchar_t* FontName = L"Segoe UI";
    int FontHeight = -13;
    bool CenterOnScreen = false;
    std::vector<TControlLayout> Controls;
};

// Makes the form's window and its components as `layout` describes them,
// owned by the form in table order, then scales the whole form from 96
// pixels per inch to the density of its monitor (TForm::ScaleToMonitor).
// Pictures need COM on the calling thread.
void LoadLayout(TForm& form, const TFormLayout& layout);

}  // namespace Toolkit
