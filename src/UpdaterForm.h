// The progress window: its components from the layout and the parts of its
// creation handler that lay it out and fill its texts.
#pragma once

#include "Draganddroparea.h"

#include "toolkit/Form.h"

namespace Toolkit {
class TImage;
class TLabel;
class TPanel;
class TProgressBar;
class TTrayIcon;
}  // namespace Toolkit

// The system's one window, the application's main form. UI thread only.
// Made by the application (CreateForm), which runs FormCreate afterwards.
class TUpdaterForm : public Toolkit::TForm {
public:
    TUpdaterForm();
    ~TUpdaterForm() override;

    Toolkit::TTrayIcon* TrayIcon1;
    Toolkit::TPanel* Panel1;
    Toolkit::TImage* Image1;
    Toolkit::TPanel* Panel2;
    Toolkit::TLabel* Label1;
    Toolkit::TLabel* Label2;
    Toolkit::TProgressBar* ProgressBar1;
    Toolkit::TPanel* Panel3;
    Toolkit::TImage* Image2;

    // Announced size of the current transfer (0 = unknown) and bytes received so far.
    unsigned long TotalSize = 0;
    unsigned long ReceivedSize = 0;
    TDragAndDropArea DragArea;

    // Returns the size line for ReceivedSize and TotalSize.
    std::wstring ProgressText() const;

private:
    void FormCreate();
    void FormClose(Toolkit::TCloseAction& action);
    void Image2Click();
    // Returns the design length L at the monitor's density: L x m / 115, truncated, at least 1.
    int Scaled(int length);
};

// The one progress window, set when the entry routine creates it.
extern TUpdaterForm* UpdaterForm;
