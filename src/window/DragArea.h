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
class DragArea {
public:
    class Impl;

    // Attaches nothing.
    DragArea();
    // Attaches to `area`, which drags `movedWindow` (`area` itself or the
    // top-level window that contains it); a null `movedWindow` attaches nothing.
    DragArea(HWND area, HWND movedWindow);
    DragArea(const DragArea& other);
    DragArea& operator=(const DragArea& other);
    // Releases this handle's share; the last one ends the attachment.
    virtual ~DragArea();

private:
    std::shared_ptr<Impl> impl_;
};
