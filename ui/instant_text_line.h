#pragma once

#include <windows.h>

#include <cstddef>

#include "common/scoped.h"

// A static text control of a dialog whose text changes many times a second
// while no message loop runs (the progress dialog's lines during the
// extraction). Each text is drawn at once as the control itself paints it (its
// font, the dialog's WM_CTLCOLORSTATIC colours and brush, its alignment), from
// a memory picture prepared once, and the control answers WM_GETTEXT,
// WM_GETTEXTLENGTH and WM_PAINT from that text and picture: the control's own
// repainting asks the dialog for its colours, takes a display context and
// selects the font anew for every text, and under Wine storing a window's text
// is a round trip to the server that costs as much again.
// The window text proper (what GetWindowText of another process returns) is
// stored at most every kStoreIntervalMs while texts keep coming, and at the
// latest when a message loop next runs (a timer), or when an accessibility
// client asks for the control. The line's display context is held as long:
// until a message loop runs, or the line is given back.
// A line that cannot be prepared this way (a style other than a plain left,
// centred or right text, no memory picture, a text longer than the buffer, or
// a disabled line, whose text is grey) is set and painted by the control
// itself, as SetWindowText does.
class InstantTextLine {
public:
    static constexpr size_t kTextBytes = 1024;
    static constexpr DWORD kStoreIntervalMs = 50;

    InstantTextLine() = default;
    ~InstantTextLine() { Release(); }
    InstantTextLine(const InstantTextLine&) = delete;
    InstantTextLine& operator=(const InstantTextLine&) = delete;

    // Prepares for `line`, a child of `dialog`, and lets go of the line held
    // before; a null line holds nothing.
    void Attach(HWND dialog, HWND line);
    // Sets `text` and puts it on screen; the result is SetWindowText's. The
    // text already shown is not set again.
    BOOL Show(const char* text);

private:
    static LRESULT CALLBACK LineProc(HWND line, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Prepare(HWND dialog);
    void Release();
    // Brings the window text proper up to the shown text.
    void StoreText();

    HWND line_ = nullptr;
    WNDPROC controlProc_ = nullptr;
    RECT client_ = {};
    UINT format_ = 0;
    HBRUSH background_ = nullptr;
    // Declared before the memory DC so that the DC, which holds it, goes first.
    ScopedGdiObject<HBITMAP> picture_;
    ScopedMemoryDc memory_;
    // The line's own display context, held while texts keep coming.
    ScopedWindowDc screen_;
    // The text last shown, while `known_`; the picture shows it while
    // `drawn_`, and the window text proper is the same when `stored_`.
    char text_[kTextBytes] = {};
    size_t length_ = 0;
    bool known_ = false;
    bool drawn_ = false;
    bool stored_ = true;
    bool idleTimerSet_ = false;
    DWORD storedAt_ = 0;
};
