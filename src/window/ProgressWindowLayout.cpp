#include "window/ProgressWindowLayout.h"

using Toolkit::akLeft;
using Toolkit::akRight;
using Toolkit::akTop;
using Toolkit::TAlign;

const Toolkit::TFormLayout& ProgressWindowLayout() {
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
        // text, own font name and height, frame, picture. The labels' texts
        // come from the job when the window is created.
        l.Controls = {
            {L"TTrayIcon", L"TrayIcon", nullptr, 0, 0, 0, 0, TAlign::alNone, akLeft | akTop, 0, nullptr, nullptr, 0,
             0, L"MAINICON"},
            {L"TPanel", L"FramePanel", nullptr, 0, 0, 550, 151, TAlign::alClient, akLeft | akTop, 0, nullptr, nullptr, 0,
             2},
            {L"TImage", L"ArrowPicture", L"FramePanel", 20, 42, 48, 48, TAlign::alNone, akLeft | akTop, 0, nullptr, nullptr, 0,
             0, L"ARROW48"},
            {L"TPanel", L"DragStrip", L"FramePanel", 0, 0, 546, 23, TAlign::alTop},
            {L"TImage", L"CloseButton", L"DragStrip", 523, 5, 16, 16, TAlign::alNone, akTop | akRight, 0, nullptr, nullptr,
             0, 0, L"CLOSE16"},
            {L"TPanel", L"ProgressPanel", L"FramePanel", 91, 23, 455, 124, TAlign::alRight},
            {L"TLabel", L"TitleLabel", L"ProgressPanel", 0, 15, 374, 25, TAlign::alNone, akLeft | akTop, 0,
             nullptr, L"Segoe UI Semilight", -18},
            {L"TProgressBar", L"ProgressBar", L"ProgressPanel", 0, 46, 437, 20},
            {L"TLabel", L"SizeLabel", L"ProgressPanel", 0, 72, 149, 19, TAlign::alNone, akLeft | akTop, 11,
             nullptr, L"Segoe UI", -14},
        };
        return l;
    }();
    return layout;
}
