#include "tests/e2e/driver/user_driver.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "tests/e2e/driver/install_traces.h"
#include "tests/support/screenshot.h"
#include "tests/support/window_driver.h"

namespace e2e {

namespace {

constexpr int kPollMs = 20;
// How long a window of the installer may take to answer a message while it
// waits for the user; it answers at once unless the installer is stuck.
constexpr UINT kAnswerMs = 5000;
// A window that does not answer this soon is busy (a timed wait, the
// extraction) and is photographed as it is.
constexpr UINT kPaintAnswerMs = 1000;
constexpr int kLongestSlug = 40;
constexpr int kExtraPaintRounds = 4;
constexpr size_t kLongestFieldShown = 60;

std::string TitleOf(HWND window) {
    // Reads the caption without sending the window a message, so a window
    // whose thread is busy (a timed wait of the installer) cannot stall us.
    char title[1024];
    int length = GetWindowTextA(window, title, sizeof title);
    return std::string(title, length > 0 ? static_cast<size_t>(length) : 0);
}

// Not SMTO_ABORTIFHUNG: right after one of the installer's timed waits its
// thread counts as hung until its next message loop runs, and a message box
// that has just appeared would read as empty.
bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result, UINT timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, result ? result : &ignored) !=
           0;
}

bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
    return SendWithin(window, message, wParam, lParam, result, kAnswerMs);
}

std::string Slug(const std::string& text) {
    std::string slug;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) {
            slug += static_cast<char>(std::tolower(u));
        } else if (!slug.empty() && slug.back() != '-') {
            slug += '-';
        }
        if (static_cast<int>(slug.size()) >= kLongestSlug) break;
    }
    while (!slug.empty() && slug.back() == '-') slug.pop_back();
    return slug.empty() ? std::string("step") : slug;
}

// Our environment with `overrides` ("NAME=VALUE") set on top, as the block
// CreateProcessA takes, entries sorted by name as Windows expects.
std::vector<char> EnvironmentBlock(const std::vector<std::string>& overrides) {
    std::vector<std::string> entries;
    char* strings = GetEnvironmentStringsA();
    if (strings) {
        for (const char* entry = strings; *entry; entry += std::strlen(entry) + 1) entries.emplace_back(entry);
        FreeEnvironmentStringsA(strings);
    }
    auto nameOf = [](const std::string& entry) {
        // Entries such as "=C:=C:\" begin with '='; their name runs to the second one.
        size_t equals = entry.find('=', 1);
        std::string name = entry.substr(0, equals);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return name;
    };
    for (const std::string& override : overrides) {
        std::string name = nameOf(override);
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const std::string& entry) { return nameOf(entry) == name; }),
                      entries.end());
        entries.push_back(override);
    }
    std::sort(entries.begin(), entries.end(),
              [&](const std::string& a, const std::string& b) { return nameOf(a) < nameOf(b); });
    std::vector<char> block;
    for (const std::string& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

struct ProcessWindowSearch {
    DWORD processId;
    const std::vector<std::string>* titles;
    const char* className;  // null: any
    HWND found;
    int which;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM parameter) {
    ProcessWindowSearch* search = reinterpret_cast<ProcessWindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (search->className && testing_support::ClassName(window) != search->className) return TRUE;
    std::string title = TitleOf(window);
    for (size_t i = 0; i < search->titles->size(); ++i) {
        if (title == (*search->titles)[i]) {
            search->found = window;
            search->which = static_cast<int>(i);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CALLBACK CollectVisibleButton(HWND child, LPARAM parameter) {
    std::vector<int>* buttons = reinterpret_cast<std::vector<int>*>(parameter);
    if (IsWindowVisible(child) && testing_support::ClassName(child) == "Button")
        buttons->push_back(GetDlgCtrlID(child));
    return TRUE;
}

struct FieldListing {
    std::vector<HWND> fields;
};

// Edit fields and static texts that carry an id: what a dialog tells the
// user beyond its fixed sentences.
BOOL CALLBACK CollectField(HWND child, LPARAM parameter) {
    int id = GetDlgCtrlID(child);
    std::string className = testing_support::ClassName(child);
    if (id != 0 && id != 0xFFFF && id != -1 && (className == "Edit" || className == "Static"))
        reinterpret_cast<FieldListing*>(parameter)->fields.push_back(child);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND, LPARAM parameter) {
    ++*reinterpret_cast<int*>(parameter);
    return TRUE;
}

}  // namespace

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
        case '\r': quoted += "\\r"; break;
        case '\n': quoted += "\\n"; break;
        case '\t': quoted += "\\t"; break;
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

const char* ButtonName(int id) {
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "another button";
    }
}

UserDriver::UserDriver(const std::string& screenshotFolder, FILE* echo)
    : screenshotFolder_(screenshotFolder), echo_(echo) {
    if (!screenshotFolder_.empty() && !CreateFolders(screenshotFolder_)) screenshotFolder_.clear();
}

UserDriver::~UserDriver() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        (void)TerminateProcess(process_, 1);
        (void)WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool UserDriver::Start(const std::string& program, const std::string& arguments, const std::string& workingFolder,
                       const std::vector<std::string>& environment) {
    if (process_) {
        // A user runs the installer again once the last run has ended.
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) return Fail("the installer started before still runs");
        CloseHandle(process_);
        process_ = nullptr;
        processId_ = 0;
    }
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    std::vector<char> commandBuffer(commandLine.begin(), commandLine.end());
    commandBuffer.push_back('\0');
    std::vector<char> environmentBlock = EnvironmentBlock(environment);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program.c_str(), commandBuffer.data(), nullptr, nullptr, FALSE, 0, environmentBlock.data(),
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &started)) {
        DWORD error = GetLastError();
        return Fail("could not start " + Quoted(commandLine) + " (error " + std::to_string(error) + ")");
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    processId_ = started.dwProcessId;
    Step("started " + commandLine, false);
    return true;
}

HWND UserDriver::FindWindowOfProcess(const std::vector<std::string>& titles, const char* className,
                                     int* which) const {
    ProcessWindowSearch search{processId_, &titles, className, nullptr, -1};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (which) *which = search.which;
    return search.found;
}

bool UserDriver::ProcessEnded(DWORD* exitStatus) const {
    if (!process_ || WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return false;
    if (!GetExitCodeProcess(process_, exitStatus)) *exitStatus = 0xFFFFFFFF;
    return true;
}

HWND UserDriver::PollForWindow(const std::vector<std::string>& titles, const char* className, const char* kind,
                               int timeoutMs, int* which) {
    std::string wanted;
    for (const std::string& title : titles) wanted += (wanted.empty() ? "" : " or ") + Quoted(title);
    wanted = std::string(kind) + " " + wanted;
    if (!process_) {
        Fail("no installer was started, so no " + wanted + " can come");
        return nullptr;
    }
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowOfProcess(titles, className, which);
        if (window) return window;
        DWORD exitStatus = 0;
        if (ProcessEnded(&exitStatus)) {
            char reason[200];
            std::snprintf(reason, sizeof reason, "the installer ended (exit status %lu) before ", exitStatus);
            Fail(reason + wanted + " came");
            return nullptr;
        }
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
            char reason[100];
            std::snprintf(reason, sizeof reason, " did not come within %d ms", timeoutMs);
            Fail(wanted + reason);
            return nullptr;
        }
        Sleep(kPollMs);
    }
}

HWND UserDriver::WaitForAnyWindow(const std::vector<std::string>& titles, int timeoutMs, int* which) {
    int index = -1;
    HWND window = PollForWindow(titles, nullptr, "window", timeoutMs, &index);
    if (!window) return nullptr;
    if (which) *which = index;
    SettlePainting(window);
    Step("window " + Quoted(titles[index]) + " is on screen" + FieldSummary(window), true);
    return window;
}

HWND UserDriver::WaitForWindow(const char* title, int timeoutMs) {
    return WaitForAnyWindow({title}, timeoutMs, nullptr);
}

bool UserDriver::WaitForMessageBox(const char* title, int timeoutMs, MessageBoxSeen* seen) {
    return WaitForAnyMessageBox({title}, timeoutMs, nullptr, seen);
}

bool UserDriver::WaitForAnyMessageBox(const std::vector<std::string>& titles, int timeoutMs, int* which,
                                      MessageBoxSeen* seen) {
    *seen = MessageBoxSeen();
    int index = -1;
    HWND box = PollForWindow(titles, "#32770", "message box", timeoutMs, &index);
    if (!box) return false;
    if (which) *which = index;
    seen->window = box;
    seen->title = titles[index];
    seen->text = Field(box, kMessageBoxTextId);
    HWND icon = GetDlgItem(box, kMessageBoxIconId);
    DWORD_PTR iconHandle = 0;
    seen->hasIcon = icon && IsWindowVisible(icon) && SendAndWait(icon, STM_GETICON, 0, 0, &iconHandle) &&
                    iconHandle != 0;
    EnumChildWindows(box, CollectVisibleButton, reinterpret_cast<LPARAM>(&seen->buttons));
    std::sort(seen->buttons.begin(), seen->buttons.end());

    std::string buttons;
    for (int id : seen->buttons) buttons += std::string(buttons.empty() ? "" : ", ") + ButtonName(id);
    SettlePainting(box);
    Step("message box " + Quoted(seen->title) + (seen->hasIcon ? " with an icon" : " without an icon") + " [" +
             buttons + "]: " + Quoted(seen->text),
         true);
    return true;
}

bool UserDriver::WaitForWindowGone(HWND window, const char* what, int timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
            char reason[200];
            std::snprintf(reason, sizeof reason, " was still on screen after %d ms", timeoutMs);
            return Fail(Quoted(what) + reason);
        }
        Sleep(kPollMs);
    }
    return true;
}

std::string UserDriver::FieldSummary(HWND dialog) {
    if (testing_support::ClassName(dialog) != "#32770") return "";
    FieldListing listing;
    EnumChildWindows(dialog, CollectField, reinterpret_cast<LPARAM>(&listing));
    std::string summary;
    for (HWND field : listing.fields) {
        int id = GetDlgCtrlID(field);
        std::string text = Field(dialog, id);
        if (text.size() > kLongestFieldShown) text = text.substr(0, kLongestFieldShown) + "...";
        char label[16];
        std::snprintf(label, sizeof label, " %d=", id);
        summary += label + Quoted(text);
    }
    return summary.empty() ? summary : ", fields" + summary;
}

std::string UserDriver::Field(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return "";
    char text[4096];
    DWORD_PTR length = 0;
    if (!SendAndWait(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), &length)) return "";
    return std::string(text, std::min<size_t>(length, sizeof text - 1));
}

bool UserDriver::Type(HWND dialog, int id, const std::string& text) {
    HWND edit = GetDlgItem(dialog, id);
    char where[160];
    std::snprintf(where, sizeof where, "field %d of %s", id, Quoted(TitleOf(dialog)).c_str());
    if (!edit || !IsWindowVisible(edit) || !IsWindowEnabled(edit))
        return Fail(std::string("cannot type into ") + where + ": it is missing, hidden or disabled");
    // Select everything and delete it, then type character by character, as a
    // person replacing a proposal does.
    bool typed = SendAndWait(edit, EM_SETSEL, 0, -1, nullptr) && SendAndWait(edit, WM_CLEAR, 0, 0, nullptr);
    for (char c : text) {
        if (!typed) break;
        typed = SendAndWait(edit, WM_CHAR, static_cast<unsigned char>(c), 1, nullptr);
    }
    if (!typed) return Fail(std::string("the installer did not take the typing into ") + where);
    std::string now = Field(dialog, id);
    if (now != text) return Fail(std::string(where) + " holds " + Quoted(now) + " after typing " + Quoted(text));
    SettlePainting(dialog);
    Step(std::string("typed ") + Quoted(text) + " into " + where, true);
    return true;
}

bool UserDriver::Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    char where[200];
    std::snprintf(where, sizeof where, "button %d (%s) of %s", id, ButtonName(id), Quoted(TitleOf(dialog)).c_str());
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button))
        return Fail(std::string("cannot click ") + where + ": it is missing, hidden or disabled");
    std::string caption = Field(dialog, id);
    // Posted: the click may open a modal window, and we must not wait for it.
    if (!PostMessageA(button, BM_CLICK, 0, 0)) return Fail(std::string("could not click ") + where);
    Step("clicked " + Quoted(caption) + " in " + Quoted(TitleOf(dialog)), false);
    return true;
}

bool UserDriver::Answer(const MessageBoxSeen& box, int id) {
    if (std::find(box.buttons.begin(), box.buttons.end(), id) == box.buttons.end())
        return Fail(std::string("message box ") + Quoted(box.title) + " has no " + ButtonName(id) + " button");
    return Click(box.window, id);
}

bool UserDriver::WaitForExit(int timeoutMs, DWORD* exitStatus) {
    if (!process_) return Fail("no installer was started");
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        char reason[100];
        std::snprintf(reason, sizeof reason, "the installer was still running after %d ms", timeoutMs);
        return Fail(reason);
    }
    if (!GetExitCodeProcess(process_, exitStatus)) return Fail("the installer's exit status cannot be read");
    char line[80];
    std::snprintf(line, sizeof line, "the installer ended with exit status %lu", *exitStatus);
    Step(line, false);
    return true;
}

std::string UserDriver::Step(const std::string& line, bool screenshot) {
    ++stepNumber_;
    char number[16];
    std::snprintf(number, sizeof number, "[%02d] ", stepNumber_);
    std::string entry = number + line;
    std::string file;
    if (screenshot) {
        file = Screenshot(line);
        if (!file.empty()) entry += "  (" + file + ")";
    }
    steps_.push_back(entry);
    if (echo_) {
        std::fprintf(echo_, "%s\n", entry.c_str());
        std::fflush(echo_);
    }
    return file;
}

std::string UserDriver::Screenshot(const std::string& what) {
    if (screenshotFolder_.empty()) return "";
    char name[80];
    std::snprintf(name, sizeof name, "%02d-%s.bmp", stepNumber_, Slug(what).c_str());
    if (!testing_support::SaveScreenshotAs(screenshotFolder_ + "\\" + name)) return "";
    screenshots_.push_back(name);
    return name;
}

void UserDriver::SettlePainting(HWND window) const {
    // Only a window that answers is waiting for the user; one that is busy
    // paints when it gets to it, and the screenshot shows what is there.
    if (!SendWithin(window, WM_NULL, 0, 0, nullptr, kPaintAnswerMs)) return;
    (void)RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    // The window's thread takes one paint message from its queue between two
    // messages that we send it, so one round trip per window of the tree
    // (and a few more for the frame and the flush to the display) lets the
    // whole dialog paint.
    int windows = 1;
    EnumChildWindows(window, CountWindow, reinterpret_cast<LPARAM>(&windows));
    for (int round = 0; round < windows + kExtraPaintRounds; ++round)
        if (!SendWithin(window, WM_NULL, 0, 0, nullptr, kPaintAnswerMs)) return;
}

bool UserDriver::Fail(const std::string& reason) {
    std::string shot = Step("FAILED: " + reason, true);
    failure_ = reason + "\n" + testing_support::DescribeWindows(0);
    if (!shot.empty()) failure_ += "screenshot: " + screenshotFolder_ + "\\" + shot + "\n";
    return false;
}

}  // namespace e2e
