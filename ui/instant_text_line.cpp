// Setting and drawing a static text line in one step, without a message loop.
#include "ui/instant_text_line.h"

#include <cstring>

namespace {

// The timer that, once a message loop runs, stores the shown text as the
// window text and gives back the line's display context.
constexpr UINT_PTR kIdleTimerId = 1;

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
    Release();
    line_ = line;
    if (!line) return;
    Prepare(dialog);
    if (!memory_) return;
    // The control's messages come here first, so that it answers with the
    // text shown and repaints the picture.
    (void)SetWindowLongPtrA(line, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    controlProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(line, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LineProc)));
    if (!controlProc_) memory_.Reset();
}

void InstantTextLine::Prepare(HWND dialog) {
    format_ = TextFormatOf(GetWindowLongA(line_, GWL_STYLE));
    if (!format_ || !GetClientRect(line_, &client_) || client_.right <= 0 || client_.bottom <= 0) return;
    ScopedWindowDc window(line_);
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
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(line_, WM_GETFONT, 0, 0));
    if (font) (void)SelectObject(memory_.Get(), font);
    // The colours the dialog gives this control, asked once: the installer's
    // dialogs answer with the system's colours, which do not change mid-run.
    const WPARAM dc = reinterpret_cast<WPARAM>(memory_.Get());
    const LPARAM control = reinterpret_cast<LPARAM>(line_);
    background_ = reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLORSTATIC, dc, control));
    if (!background_) background_ = reinterpret_cast<HBRUSH>(DefWindowProcA(dialog, WM_CTLCOLORSTATIC, dc, control));
    if (!background_) memory_.Reset();
}

// Gives the control back its own procedure and its text, where it still
// exists (at the end of the process it is gone).
void InstantTextLine::Release() {
    if (line_ && IsWindow(line_)) {
        StoreText();
        if (idleTimerSet_) (void)KillTimer(line_, kIdleTimerId);
        if (controlProc_ && GetWindowLongPtrA(line_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&LineProc)) {
            (void)SetWindowLongPtrA(line_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc_));
            (void)SetWindowLongPtrA(line_, GWLP_USERDATA, 0);
        }
    }
    screen_.Reset();
    memory_.Reset();
    picture_.Reset();
    line_ = nullptr;
    controlProc_ = nullptr;
    background_ = nullptr;
    known_ = false;
    drawn_ = false;
    stored_ = true;
    idleTimerSet_ = false;
}

void InstantTextLine::StoreText() {
    if (!drawn_ || stored_) return;
    stored_ = DefWindowProcA(line_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text_)) != FALSE;
    storedAt_ = GetTickCount();
}

BOOL InstantTextLine::Show(const char* text) {
    const size_t length = std::strlen(text);
    // Most calls repeat the text on show (a file's name, once per chunk).
    if (known_ && length == length_ && std::memcmp(text_, text, length) == 0) return TRUE;
    known_ = false;
    if (!memory_ || length >= sizeof text_ || !IsWindowEnabled(line_)) {
        drawn_ = false;
        stored_ = true;
        const BOOL result = controlProc_ ? static_cast<BOOL>(CallWindowProcA(controlProc_, line_, WM_SETTEXT, 0,
                                                                             reinterpret_cast<LPARAM>(text)))
                                         : SetWindowTextA(line_, text);
        if (line_) (void)RedrawWindow(line_, nullptr, nullptr, RDW_UPDATENOW);
        if (result && length < sizeof text_) {
            std::memcpy(text_, text, length + 1);
            length_ = length;
            known_ = true;
        }
        return result;
    }
    std::memcpy(text_, text, length + 1);
    length_ = length;
    known_ = true;
    drawn_ = true;
    stored_ = false;
    (void)FillRect(memory_.Get(), &client_, background_);
    RECT layout = client_;
    (void)DrawTextA(memory_.Get(), text_, -1, &layout, format_);
    // The line's display context is kept while texts keep coming, and given
    // back once a message loop runs: taking it for each text would cost as
    // much as drawing the text.
    if (!idleTimerSet_) idleTimerSet_ = SetTimer(line_, kIdleTimerId, kStoreIntervalMs, nullptr) != 0;
    if (!screen_.Get()) screen_.Reset(line_);
    if (screen_.Get()) (void)BitBlt(screen_.Get(), 0, 0, client_.right, client_.bottom, memory_.Get(), 0, 0, SRCCOPY);
    if (!idleTimerSet_) screen_.Reset();
    if (GetTickCount() - storedAt_ >= kStoreIntervalMs || !idleTimerSet_) StoreText();
    return TRUE;
}

LRESULT CALLBACK InstantTextLine::LineProc(HWND line, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<InstantTextLine*>(GetWindowLongPtrA(line, GWLP_USERDATA));
    if (!self || self->line_ != line) return DefWindowProcA(line, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT InstantTextLine::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC control = controlProc_;
    const HWND line = line_;
    switch (message) {
    case WM_SETTEXT:
        return Show(lParam ? reinterpret_cast<const char*>(lParam) : "");
    case WM_GETTEXT:
        if (!drawn_) break;
        if (wParam == 0 || !lParam) return 0;
        {
            const size_t copied = length_ < wParam - 1 ? length_ : wParam - 1;
            std::memcpy(reinterpret_cast<char*>(lParam), text_, copied);
            reinterpret_cast<char*>(lParam)[copied] = '\0';
            return static_cast<LRESULT>(copied);
        }
    case WM_GETTEXTLENGTH:
        if (drawn_) return static_cast<LRESULT>(length_);
        break;
    case WM_PAINT:
        if (drawn_) {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(line, &paint);
            if (dc) (void)BitBlt(dc, 0, 0, client_.right, client_.bottom, memory_.Get(), 0, 0, SRCCOPY);
            (void)EndPaint(line, &paint);
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam != kIdleTimerId) break;
        StoreText();
        screen_.Reset();
        (void)KillTimer(line, kIdleTimerId);
        idleTimerSet_ = false;
        return 0;
    case WM_GETOBJECT:
        // An accessibility client may read the window text itself.
        StoreText();
        break;
    case WM_ENABLE:
        // A disabled line's text is grey: the control paints it from now on.
        StoreText();
        drawn_ = false;
        break;
    case WM_SETFONT:
    case WM_STYLECHANGED:
    case WM_NCDESTROY:
        // The picture no longer matches the control, or the control goes.
        Release();
        break;
    default:
        break;
    }
    return CallWindowProcA(control, line, message, wParam, lParam);
}
