// The title rules of closing running copies, and the texts they format.
#include <gtest/gtest.h>

#include <string>

#include "common/window_match.h"

namespace {

const char* Name(WindowRequest request) {
    switch (request) {
    case WindowRequest::kNone: return "none";
    case WindowRequest::kClose: return "WM_CLOSE";
    case WindowRequest::kQuit: return "WM_QUIT";
    }
    return "?";
}

}  // namespace

TEST(WindowMatch, RequestForEachTitle) {
    struct Case {
        const char* title;
        const char* productName;
        const char* pseudoServiceTitle;
        WindowRequest expected;
    };
    const Case cases[] = {
        {"Varnlet - report", "Varnlet", "", WindowRequest::kClose},
        {"Varnlet", "Varnlet", "", WindowRequest::kClose},
        {"VarnletX", "Varnlet", "", WindowRequest::kClose},
        {"My Varnlet", "Varnlet", "", WindowRequest::kNone},
        {"varnlet", "Varnlet", "", WindowRequest::kNone},
        {"Varnle", "Varnlet", "", WindowRequest::kNone},
        {"Install Varnlet", "Varnlet", "", WindowRequest::kNone},
        {"", "Varnlet", "", WindowRequest::kNone},
        // Without a service name no title is the service's, not even one made
        // of the bare suffix.
        {" Win9x Service", "Varnlet", "", WindowRequest::kNone},
        {"Agent Win9x Service", "Varnlet", "Agent Win9x Service", WindowRequest::kQuit},
        {"Agent Win9x Service 2", "Varnlet", "Agent Win9x Service", WindowRequest::kNone},
        {"Agent Win9x", "Varnlet", "Agent Win9x Service", WindowRequest::kNone},
        {"agent win9x service", "Varnlet", "Agent Win9x Service", WindowRequest::kNone},
        // The prefix test comes first: a title that is both only gets closed.
        {"Varnlet Agent Win9x Service", "Varnlet", "Varnlet Agent Win9x Service", WindowRequest::kClose},
        // An empty product name would be a prefix of every title.
        {"Varnlet", "", "", WindowRequest::kNone},
        {"anything", "", "", WindowRequest::kNone},
        {"", "", "", WindowRequest::kNone},
        {"Agent Win9x Service", "", "Agent Win9x Service", WindowRequest::kQuit},
    };
    for (const Case& c : cases) {
        WindowRequest got = RequestForTitle(c.title, c.productName, c.pseudoServiceTitle);
        EXPECT_EQ(c.expected, got) << "title \"" << c.title << "\", product \"" << c.productName
                                   << "\", service title \"" << c.pseudoServiceTitle << "\": got " << Name(got)
                                   << ", expected " << Name(c.expected);
    }
}

TEST(WindowMatch, PseudoServiceTitleIsFormedOnlyWhenThereIsANameAndItFits) {
    char buffer[32];
    EXPECT_TRUE(FormatPseudoServiceTitle(buffer, sizeof buffer, "Agent"));
    EXPECT_STREQ("Agent Win9x Service", buffer);

    buffer[0] = 'x';
    EXPECT_FALSE(FormatPseudoServiceTitle(buffer, sizeof buffer, ""));
    EXPECT_STREQ("", buffer);

    // 17 + 14 characters and the NUL fill 32 bytes exactly; one more is refused.
    EXPECT_TRUE(FormatPseudoServiceTitle(buffer, sizeof buffer, "ABCDEFGHIJKLMNOPQ"));
    EXPECT_STREQ("ABCDEFGHIJKLMNOPQ Win9x Service", buffer);
    EXPECT_FALSE(FormatPseudoServiceTitle(buffer, sizeof buffer, "ABCDEFGHIJKLMNOPQR"));
    EXPECT_STREQ("", buffer) << "a title that does not fit must not be left cut in the buffer";
}

TEST(WindowMatch, ClosingNoticeNamesTheProductOrIsRefused) {
    char buffer[1024];
    ASSERT_TRUE(FormatClosingNotice(buffer, sizeof buffer, "Varnlet"));
    EXPECT_STREQ("Any copies of Varnlet currently running must now be shut down. This may take a few seconds.",
                 buffer);

    // The longest product name the generator allows fits; a name that does
    // not fit is refused rather than cut.
    std::string longest(401, 'n');
    EXPECT_TRUE(FormatClosingNotice(buffer, sizeof buffer, longest.c_str()));
    EXPECT_EQ(std::string("Any copies of ") + longest, std::string(buffer).substr(0, 14 + 401));
    std::string tooLong(1024, 'n');
    EXPECT_FALSE(FormatClosingNotice(buffer, sizeof buffer, tooLong.c_str()));
    EXPECT_STREQ("", buffer);
}
