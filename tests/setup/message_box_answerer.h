// Answers the message boxes that code under test shows on this process's
// main thread, from a second thread, the way a user would: it waits for each
// box, reads its title, text, icon, buttons and owner, and clicks the button
// the test chose for that title (OK, or No, when the test chose none).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace sequence_test {

struct BoxSeen {
    std::string title;
    std::string text;
    bool warningIcon = false;  // the system's warning icon is shown
    bool anyIcon = false;
    std::vector<int> buttons;  // visible button ids, ascending
    HWND owner = nullptr;
    int answered = 0;
    std::string note;  // what the answerer's probe said when the box came
};

// Called on the answering thread when a box comes, before it is answered;
// lets a test note the state of the world at that moment.
typedef std::string (*BoxProbe)();

class MessageBoxAnswerer {
public:
    // `answers`: the button to click for a title.
    explicit MessageBoxAnswerer(const std::map<std::string, int>& answers, BoxProbe probe = nullptr);
    // Stops watching; boxes seen stay readable.
    ~MessageBoxAnswerer();
    void Stop();
    const std::vector<BoxSeen>& Seen() const { return seen_; }
    std::string Describe() const;

private:
    static DWORD WINAPI Run(LPVOID self);
    void Watch();

    std::map<std::string, int> answers_;
    BoxProbe probe_;
    std::vector<BoxSeen> seen_;
    HANDLE stop_;
    HANDLE thread_;
};

}  // namespace sequence_test
