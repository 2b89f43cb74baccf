#include "UpdaterFormLayout.h"

using Toolkit::akLeft;
using Toolkit::akRight;
using Toolkit::akTop;
using Toolkit::TAlign;

const Toolkit::TFormLayout& UpdaterFormLayout() {
    static const Toolkit::TFormLayout layout = [] {
        Toolkit::TFormLayout l;
        l.ClientWidth = 550;
        l.ClientHeight = 151;
        l.BorderStyle = Toolkit::TBorderStyle::bsNone;
        l.SystemMenu = true;
        l.Caption = L"";
        l.Color = Toolkit::clWindow;
        l.FontName = L"Segoe UI";
        l.FontHeight = -13;
        l.CenterOnScreen = true;
        // Kind, name, parent, left, top, width, height, align, anchors, tag,
        // text, own font name and height, frame, picture.
        l.Controls = {
            {L"TTrayIcon", L"TrayIcon1", nullptr, 0, 0, 0, 0, TAlign::alNone, akLeft | akTop, 0, nullptr, nullptr, 0,
             0, L"MAINICON"},
            {L"TPanel", L"Panel1", nullptr, 0, 0, 550, 151, TAlign::alClient, akLeft | akTop, 0, nullptr, nullptr, 0,
             2},
            {L"TImage", L"Image1", L"Panel1", 20, 42, 48, 48, TAlign::alNone, akLeft | akTop, 0, nullptr, nullptr, 0,
             0, L"ARROW48"},
            {L"TPanel", L"Panel3", L"Panel1", 0, 0, 546, 23, TAlign::alTop},
            {L"TImage", L"Image2", L"Panel3", 523, 5, 16, 16, TAlign::alNone, akTop | akRight, 0, nullptr, nullptr,
             0, 0, L"CLOSE16"},
            {L"TPanel", L"Panel2", L"Panel1", 91, 23, 455, 124, TAlign::alRight},
            {L"TLabel", L"Label1", L"Panel2", 0, 15, 374, 25, TAlign::alNone, akLeft | akTop, 0,
             L"Downloading update for the Tessaly...", L"Segoe UI Semilight", -18},
            {L"TProgressBar", L"ProgressBar1", L"Panel2", 0, 46, 437, 20},
            {L"TLabel", L"Label2", L"Panel2", 0, 72, 149, 19, TAlign::alNone, akLeft | akTop, 11,
             L"Received: 544 / 1025 Kb", L"Segoe UI", -14},
        };
        return l;
    }();
    return layout;
}
