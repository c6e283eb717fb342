// Setting and drawing a static text line in one step, without a message loop.
#include "ui/instant_text_line.h"

namespace {

// The DrawText format a static control of `style` paints its text with, or 0
// for a style this drawing does not reproduce (images, single-line, ellipsis
// and edit-control texts).
UINT TextFormatOf(LONG style) {
    if (style & (SS_CENTERIMAGE | SS_EDITCONTROL | SS_ELLIPSISMASK)) return 0;
    UINT format = DT_EXPANDTABS | DT_WORDBREAK;
    switch (style & SS_TYPEMASK) {
    case SS_LEFT: format |= DT_LEFT; break;
    case SS_CENTER: format |= DT_CENTER; break;
    case SS_RIGHT: format |= DT_RIGHT; break;
    default: return 0;
    }
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    return format;
}

}  // namespace

void InstantTextLine::Attach(HWND dialog, HWND line) {
    memory_.Reset();
    picture_.Reset();
    line_ = line;
    background_ = nullptr;
    format_ = line ? TextFormatOf(GetWindowLongA(line, GWL_STYLE)) : 0;
    if (!format_ || !GetClientRect(line, &client_) || client_.right <= 0 || client_.bottom <= 0) return;
    ScopedWindowDc window(line);
    if (!window.Get()) return;
    picture_.Reset(CreateCompatibleBitmap(window.Get(), client_.right, client_.bottom));
    memory_.Reset(picture_ ? CreateCompatibleDC(window.Get()) : nullptr);
    if (!memory_ || !SelectObject(memory_.Get(), picture_.Get())) {
        memory_.Reset();
        return;
    }
    // The font stays the dialog's: the memory DC only borrows it, and is
    // deleted before the dialog is. Without a font of its own the control
    // draws with the DC's, as the memory DC does.
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(line, WM_GETFONT, 0, 0));
    if (font) (void)SelectObject(memory_.Get(), font);
    // The colours the dialog gives this control, asked once: the installer's
    // dialogs answer with the system's colours, which do not change mid-run.
    background_ = reinterpret_cast<HBRUSH>(
        SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory_.Get()), reinterpret_cast<LPARAM>(line)));
    if (!background_)
        background_ = reinterpret_cast<HBRUSH>(DefWindowProcA(
            dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory_.Get()), reinterpret_cast<LPARAM>(line)));
    if (!background_) memory_.Reset();
}

BOOL InstantTextLine::Show(const char* text) {
    // A disabled line has grey text, which the control draws itself.
    if (!memory_ || !IsWindowEnabled(line_)) {
        const BOOL result = SetWindowTextA(line_, text);
        if (line_) (void)RedrawWindow(line_, nullptr, nullptr, RDW_UPDATENOW);
        return result;
    }
    // The text as the control keeps it, for its own later repaints, WM_GETTEXT
    // and accessibility tools; the control's WM_SETTEXT would also repaint it.
    const BOOL result = static_cast<BOOL>(DefWindowProcA(line_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
    if (!result) return result;
    (void)FillRect(memory_.Get(), &client_, background_);
    RECT layout = client_;
    (void)DrawTextA(memory_.Get(), text, -1, &layout, format_);
    ScopedWindowDc window(line_);
    if (window.Get()) (void)BitBlt(window.Get(), 0, 0, client_.right, client_.bottom, memory_.Get(), 0, 0, SRCCOPY);
    return result;
}
