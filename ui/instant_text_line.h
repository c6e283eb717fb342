#pragma once

#include <windows.h>

#include "common/scoped.h"

// A static text control of a dialog whose text changes many times a second
// while no message loop runs (the progress dialog's lines during the
// extraction). Setting its text stores it in the control as SetWindowText
// would, and draws it at once as the control itself paints it (its font, the
// dialog's WM_CTLCOLORSTATIC colours and brush, its alignment), from a memory
// picture prepared once: the control's own repainting asks the dialog for its
// colours, takes a display context and selects the font anew for every text,
// which costs several times the drawing itself.
// A line that cannot be prepared this way (a style other than a plain left,
// centred or right text, or no memory picture) is set with SetWindowText and
// painted by the control.
class InstantTextLine {
public:
    InstantTextLine() = default;
    InstantTextLine(const InstantTextLine&) = delete;
    InstantTextLine& operator=(const InstantTextLine&) = delete;

    // Prepares for `line`, a child of `dialog`; a null line holds nothing.
    void Attach(HWND dialog, HWND line);
    // Sets `text` and puts it on screen; the result is SetWindowText's.
    BOOL Show(const char* text);

private:
    HWND line_ = nullptr;
    RECT client_ = {};
    UINT format_ = 0;
    HBRUSH background_ = nullptr;
    // Declared before the memory DC so that the DC, which holds it, goes first.
    ScopedGdiObject<HBITMAP> picture_;
    ScopedMemoryDc memory_;
};
