#include "tests/setup/message_box_answerer.h"

#include <algorithm>

#include "tests/support/window_driver.h"

namespace sequence_test {
namespace {

constexpr int kIconId = 0x0440;  // the icon control of the system's message box

BOOL CALLBACK CollectButton(HWND child, LPARAM parameter) {
    if (testing_support::ClassName(child) == "Button" && IsWindowVisible(child))
        reinterpret_cast<std::vector<int>*>(parameter)->push_back(GetDlgCtrlID(child));
    return TRUE;
}

BoxSeen Read(HWND box) {
    BoxSeen seen;
    seen.title = testing_support::WindowText(box);
    seen.text = testing_support::MessageBoxText(box);
    HWND icon = GetDlgItem(box, kIconId);
    if (icon && IsWindowVisible(icon)) {
        HICON shown = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
        seen.anyIcon = shown != nullptr;
        seen.warningIcon = shown != nullptr && shown == LoadIconA(nullptr, IDI_WARNING);
    }
    EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&seen.buttons));
    std::sort(seen.buttons.begin(), seen.buttons.end());
    seen.owner = GetWindow(box, GW_OWNER);
    return seen;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(const std::map<std::string, int>& answers, BoxProbe probe)
    : answers_(answers), probe_(probe), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    Stop();
    CloseHandle(stop_);
}

void MessageBoxAnswerer::Stop() {
    if (!thread_) return;
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI MessageBoxAnswerer::Run(LPVOID self) {
    static_cast<MessageBoxAnswerer*>(self)->Watch();
    return 0;
}

void MessageBoxAnswerer::Watch() {
    while (WaitForSingleObject(stop_, 0) == WAIT_TIMEOUT) {
        HWND box = testing_support::WaitForWindow(GetCurrentProcessId(), nullptr, "#32770", 100);
        if (!box) continue;
        BoxSeen seen = Read(box);
        if (probe_) seen.note = probe_();
        auto chosen = answers_.find(seen.title);
        int answer = chosen != answers_.end() ? chosen->second : IDOK;
        if (std::find(seen.buttons.begin(), seen.buttons.end(), answer) == seen.buttons.end())
            answer = seen.buttons.empty() ? IDOK : seen.buttons.back();
        seen.answered = answer;
        seen_.push_back(seen);
        testing_support::PressButton(box, answer);
        (void)testing_support::WaitForWindowGone(box, 10000);
    }
}

std::string MessageBoxAnswerer::Describe() const {
    std::string out = "message boxes:\n";
    for (const BoxSeen& box : seen_) {
        out += "  [" + box.title + "] " + (box.warningIcon ? "warning " : box.anyIcon ? "icon " : "") + "buttons";
        for (int id : box.buttons) out += " " + std::to_string(id);
        out += " answered " + std::to_string(box.answered) + ": " + box.text + "\n";
    }
    return out;
}

}  // namespace sequence_test
