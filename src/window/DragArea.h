// Moving a window by dragging a chosen part of it with the left mouse button.
#pragma once

#include <windows.h>

#include <memory>

// A handle to an attachment of the drag behaviour to one window. Copies share
// the attachment; the last handle to go removes the window subclass. UI thread
// only.
//
// Attached to the moved window itself, that window's own client area acts as
// a title bar; attached to a child of it, a mouse move with the left button
// alone held over the child starts the system's move loop for the moved window.
class TDragArea {
public:
    class TImpl;

    // Attaches nothing.
    TDragArea();
    // Attaches to `area`, which drags `movedWindow` (`area` itself or the
    // top-level window that contains it); a null `movedWindow` attaches nothing.
    TDragArea(HWND area, HWND movedWindow);
    TDragArea(const TDragArea& other);
    TDragArea& operator=(const TDragArea& other);
    // Releases this handle's share; the last one ends the attachment.
    virtual ~TDragArea();

private:
    std::shared_ptr<TImpl> impl_;
};
