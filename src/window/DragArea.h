// Moving a window by dragging a chosen part of it with the left mouse button.
#pragma once

#include <boost/shared_ptr.hpp>

namespace Toolkit {
class TWinControl;
}

// A handle to an attachment of the drag behaviour to one windowed control.
// Copies share the attachment; the last handle to go removes the window
// subclass. UI thread only.
//
// Attached to a top-level form, the form's own client area acts as a title
// bar; attached to a control inside a form, a mouse move with the left button
// alone held over the control starts the system's move loop for the form.
class TDragArea {
public:
    class TImpl;

    // Attaches nothing.
    TDragArea();
    // Attaches to `control`, creating its native window if needed.
    explicit TDragArea(Toolkit::TWinControl& control);
    TDragArea(const TDragArea& other);
    TDragArea& operator=(const TDragArea& other);
    // Releases this handle's share; the last one ends the attachment.
    virtual ~TDragArea();

private:
    boost::shared_ptr<TImpl> impl_;
};
