// The density and font setup of a form: the tag rules, the default font that
// the first form supplies, frames, status bars and the net scale factor.
// Every test runs in a process of its own, so DefaultFontRemembered starts false.
#include "window/FormFonts.h"

#include "support/SystemSettings.h"
#include "support/TestLayouts.h"
#include "toolkit/Application.h"
#include "toolkit/Label.h"
#include "toolkit/Layout.h"
#include "toolkit/Panel.h"
#include "win/ComApartment.h"
#include "win/Exception.h"

#include <gtest/gtest.h>

using namespace Toolkit;

namespace {

// A control that reports a class name of the test's choosing.
class NamedControl : public TControl {
public:
    explicit NamedControl(const wchar_t* name) : name_(name) {}
    const wchar_t* ClassName() const override { return name_; }

private:
    const wchar_t* name_;
};

// Derived from TLabel under another name: the rules must not reach it.
class TMyLabel : public TLabel {
public:
    const wchar_t* ClassName() const override { return L"TMyLabel"; }
};

// Derived from TFrame under another name: it is walked all the same.
class TMyFrame : public TFrame {
public:
    const wchar_t* ClassName() const override { return L"TMyFrame"; }
};

// A form with the window font "Segoe UI" -13 and no components yet.
class PlainForm : public TForm {
public:
    explicit PlainForm(int fontHeight = -13, const wchar_t* fontName = L"Segoe UI") {
        TFormLayout layout = TestSupport::BorderlessLayout(550, 151);
        layout.FontName = fontName;
        layout.FontHeight = fontHeight;
        LoadLayout(*this, layout);
    }
    // Adds a control of class `name` with `tag` and the font "Tahoma" -20.
    TControl& Add(const wchar_t* name, int tag) {
        auto& control = Make<NamedControl>(name);
        control.Tag = tag;
        TFont own;
        own.Name = L"Tahoma";
        own.Height = -20;
        own.Style = fsItalic;
        own.Color = RGB(1, 2, 3);
        control.SetFont(own);
        control.SetParent(this);
        return control;
    }
};

struct TagCase {
    int tag;
    int pixelsPerInch;
    const wchar_t* name;  // expected font name
    int height;           // expected font height
};

class FormFontsTest : public ::testing::Test {
protected:
    FormFontsTest() { Application().Initialize(); }
    Win::ComApartment com_;
};

// The tag rules, for every listed class, against a default font "Segoe UI" -13;
// each control starts with "Tahoma" -20 italic, whose style and colour stay.
TEST_F(FormFontsTest, TagRuleTable) {
    const TagCase cases[] = {
        {0, 96, L"Tahoma", -20},     {1, 96, L"Segoe UI", -13},  {2, 96, L"Segoe UI", -20},
        {3, 96, L"Tahoma", -20},     {9, 96, L"Tahoma", -20},    {10, 96, L"Tahoma", -13},
        {11, 96, L"Tahoma", -14},    {30, 96, L"Tahoma", -33},   {31, 96, L"Tahoma", -20},
        {39, 96, L"Tahoma", -20},    {40, 96, L"Tahoma", -13},   {40, 97, L"Tahoma", -17},
        {40, 144, L"Tahoma", -17},   {-1, 96, L"Tahoma", -20},   {1000, 96, L"Tahoma", -20},
    };
    const wchar_t* const classes[] = {L"TLabel",   L"TLinkLabel",          L"TRadioButton", L"TButton",
                                      L"TCheckBox", L"TCategoryPanelGroup", L"TListView",    L"TPanel"};
    TFont base;
    base.Name = L"Segoe UI";
    base.Height = -13;
    RememberDefaultFont(base);
    for (const TagCase& c : cases) {
        for (const wchar_t* name : classes) {
            // For tag 40 a base other than -13 tells the two answers apart.
            base.Height = c.tag == 40 ? -17 : -13;
            RememberDefaultFont(base);
            PlainForm form;
            TControl& control = form.Add(name, c.tag);
            SetFormFonts(form, c.pixelsPerInch);
            SCOPED_TRACE(testing::Message() << "tag " << c.tag << " at " << c.pixelsPerInch << " on "
                                            << Win::ToUtf8(name));
            EXPECT_EQ(control.Font().Name, c.name);
            EXPECT_EQ(control.Font().Height, c.height);
            EXPECT_EQ(control.Font().Style, static_cast<unsigned>(fsItalic));
            EXPECT_EQ(control.Font().Color, RGB(1, 2, 3));
        }
    }
}

// Other classes, and classes derived from a listed one under their own name, are left alone.
TEST_F(FormFontsTest, UnlistedAndDerivedClassesKeepTheirFonts) {
    PlainForm form;
    TControl& image = form.Add(L"TImage", 1);
    auto& derived = form.Make<TMyLabel>();
    derived.Tag = 1;
    TFont own;
    own.Name = L"Tahoma";
    own.Height = -20;
    derived.SetFont(own);
    derived.SetParent(&form);
    SetFormFonts(form, 96);
    EXPECT_EQ(image.Font().Name, L"Tahoma");
    EXPECT_EQ(derived.Font().Name, L"Tahoma");
    EXPECT_EQ(derived.Font().Height, -20);
}

// The first form handled supplies the default font; a second form's
// controls get fonts derived from it, not from the second form's own font.
TEST_F(FormFontsTest, SecondFormTakesTheFirstFormsFont) {
    EXPECT_FALSE(DefaultFontRemembered);
    PlainForm first(-15, L"Segoe UI");
    SetFormFonts(first, 96);
    EXPECT_TRUE(DefaultFontRemembered);
    PlainForm second(-30, L"Courier New");
    TControl& label = second.Add(L"TLabel", 1);
    SetFormFonts(second, 96);
    EXPECT_EQ(label.Font().Name, L"Segoe UI");
    EXPECT_EQ(label.Font().Height, -15);
    EXPECT_EQ(second.Font().Name, L"Courier New");  // the walk leaves the form's own font alone
    // An explicit call replaces the default font.
    RememberDefaultFont(second.Font());
    TControl& later = second.Add(L"TLabel", 1);
    SetFormFonts(second, 96);
    EXPECT_EQ(later.Font().Name, L"Courier New");
}

// AssignDefaultFont before anything was remembered raises the exception with its message.
TEST_F(FormFontsTest, AssignBeforeRememberRaises) {
    TFont font;
    try {
        AssignDefaultFont(font);
        FAIL() << "no exception";
    } catch (const RememberDefaultFontNotCalledException& error) {
        EXPECT_STREQ(error.what(), "RememberDefaultFont or SetFormFonts not called!");
    }
    TSetControlFonts walk;
    PlainForm form;
    EXPECT_THROW(walk.Apply(form, 96), RememberDefaultFontNotCalledException);
}

// Components a frame owns are reached through the frame, also a frame derived
// under another class name; components placed inside panels are the form's own.
TEST_F(FormFontsTest, FramesAreWalkedAndPanelContentsVisited) {
    PlainForm form;
    auto& frame = form.Make<TMyFrame>();
    frame.SetParent(&form);
    auto& inFrame = frame.Make<TLabel>();
    inFrame.Tag = 12;
    inFrame.SetParent(&frame);
    auto& panel = form.Make<TPanel>();
    panel.SetParent(&form);
    auto& inPanel = form.Make<TLabel>();
    inPanel.Tag = 10;
    inPanel.SetParent(&panel);
    SetFormFonts(form, 96);
    EXPECT_EQ(inFrame.Font().Height, form.Font().Height - 2);
    EXPECT_FALSE(inFrame.ParentFont());
    EXPECT_EQ(inPanel.Font().Height, form.Font().Height);
    EXPECT_FALSE(inPanel.ParentFont());
    EXPECT_TRUE(panel.ParentFont());  // tag 0: untouched
}

// The whole setup: net factor m / 115 for sizes (96 -> m, then m -> m*96/115);
// only the first status bar is scaled by 115/96, and it keeps its position.
TEST_F(FormFontsTest, ScaleFormAndSetFontsReachesTheNetFactor) {
    PlainForm form;
    TStatusBar* bars[2];
    for (TStatusBar*& bar : bars) {
        bar = &form.Make<TStatusBar>();
        bar->Align = TAlign::alNone;
        bar->SetBounds(50, 70, 96, 20);
        bar->SetParent(&form);
    }
    const int m = form.MonitorPixelsPerInch();
    ASSERT_EQ(m, TestSupport::StartedDensity());
    const int target = m * 96 / 115;
    ScaleFormAndSetFonts(form);
    EXPECT_EQ(form.PixelsPerInch, target);
    EXPECT_EQ(form.ClientWidth(), MulDiv(MulDiv(550, m, 96), target, m));
    EXPECT_LE(std::abs(form.ClientWidth() - 550 * m / 115), 2);
    EXPECT_EQ(form.Font().Height, MulDiv(MulDiv(-13, m, 96), target, m));
    const int barWidth = MulDiv(96, target, m);
    EXPECT_EQ(bars[0]->Width(), MulDiv(barWidth, 115, 96));
    EXPECT_EQ(bars[0]->Height(), MulDiv(MulDiv(20, target, m), 115, 96));
    EXPECT_EQ(bars[1]->Width(), barWidth);
    for (TStatusBar* bar : bars) {
        EXPECT_EQ(bar->Left(), MulDiv(50, target, m));
        EXPECT_EQ(bar->Top(), MulDiv(70, target, m));
    }
    EXPECT_TRUE(DefaultFontRemembered);
    EXPECT_EQ(Application().DefaultFont.Height, form.Font().Height);
}

}  // namespace
