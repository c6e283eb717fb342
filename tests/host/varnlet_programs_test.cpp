// The pure parts of Varnlet's program and uninstaller: paths, the
// uninstaller's command line and failure report, the gallery layout.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/paths.h"
#include "varnlet/rtuninst/uninstall_logic.h"
#include "varnlet/vrl32/layout.h"

using namespace varnlet;

TEST(VarnletPaths, JoinPathUsesOneBackslashAndTurnsSlashesInTheName) {
    struct Case {
        const char* folder;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Varnlet", "vrl32.exe", "C:\\Varnlet\\vrl32.exe"},
        {"C:\\Varnlet\\", "vrl32.exe", "C:\\Varnlet\\vrl32.exe"},
        {"C:/Program Files/Varnlet/", "docs/manual.htm", "C:/Program Files/Varnlet/docs\\manual.htm"},
        {"C:", "x.jpg", "C:\\x.jpg"},
    };
    for (const Case& c : cases) {
        char out[kPathBytes];
        ASSERT_TRUE(JoinPath(out, sizeof out, c.folder, c.name)) << c.folder << " + " << c.name;
        EXPECT_STREQ(c.expected, out);
    }
}

TEST(VarnletPaths, JoinPathRefusesWhatWouldNotFitOrIsEmpty) {
    char out[16];
    EXPECT_TRUE(JoinPath(out, sizeof out, "C:\\abcdef", "h.txt"));  // 15 characters + NUL
    EXPECT_STREQ("C:\\abcdef\\h.txt", out);
    EXPECT_FALSE(JoinPath(out, sizeof out, "C:\\abcdef", "hi.txt"));
    EXPECT_STREQ("", out) << "a refused join leaves no half path";
    EXPECT_FALSE(JoinPath(out, sizeof out, "", "a"));
    EXPECT_FALSE(JoinPath(out, sizeof out, "C:", ""));
}

TEST(VarnletPaths, FolderAndFileNameOfAPath) {
    char folder[kPathBytes];
    ASSERT_TRUE(FolderOfPath(folder, sizeof folder, "C:\\Program Files\\Varnlet\\rtuninst.exe"));
    EXPECT_STREQ("C:\\Program Files\\Varnlet", folder);
    ASSERT_TRUE(FolderOfPath(folder, sizeof folder, "C:/a/b"));
    EXPECT_STREQ("C:/a", folder);
    EXPECT_FALSE(FolderOfPath(folder, sizeof folder, "rtuninst.exe"));
    EXPECT_FALSE(FolderOfPath(folder, sizeof folder, "\\rtuninst.exe")) << "empty folder part";
    char small[5];
    EXPECT_FALSE(FolderOfPath(small, sizeof small, "C:\\abcd\\x"));
    EXPECT_STREQ("rtuninst.exe", FileNameOfPath("C:\\Varnlet\\rtuninst.exe"));
    EXPECT_STREQ("x", FileNameOfPath("a/b\\x"));
    EXPECT_STREQ("plain", FileNameOfPath("plain"));
}

TEST(VarnletPaths, SameFolderIgnoresCaseSeparatorKindsRunsAndTrailingSeparators) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Varnlet", "c:\\program files\\VARNLET", true},
        {"C:\\Program Files\\Varnlet\\", "C:\\Program Files\\Varnlet", true},
        {"C:/Program Files//Varnlet", "C:\\Program Files\\Varnlet", true},
        {"C:\\Varnlet", "C:\\Varnlet2", false},
        {"C:\\Varnlet2", "C:\\Varnlet", false},
        {"C:\\Var\\nlet", "C:\\Varnlet", false},
        {"C:\\Varnlet", "D:\\Varnlet", false},
        {"", "", false},
        {"C:\\Varnlet", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.same, SameFolder(c.a, c.b)) << "\"" << c.a << "\" vs \"" << c.b << "\"";
        EXPECT_EQ(c.same, SameFolder(c.b, c.a)) << "\"" << c.b << "\" vs \"" << c.a << "\"";
    }
}

// Code page 932: "\x83\x5C" (so) ends in the byte of "\\", "\x83\x41" (a) in
// that of "A"; neither is a separator or a letter.
TEST(VarnletPaths, DoubleByteCharactersAreSteppedOverWhole) {
    UsePathCodePage(932);
    char out[kPathBytes];
    EXPECT_STREQ("x.exe", FileNameOfPath("C:\\\x83\x5C\\x.exe"));
    EXPECT_STREQ("\x83\x5C", FileNameOfPath("C:\\\x83\x5C"));
    ASSERT_TRUE(FolderOfPath(out, sizeof out, "C:\\\x83\x5C\\x.exe"));
    EXPECT_STREQ("C:\\\x83\x5C", out);
    EXPECT_FALSE(FolderOfPath(out, sizeof out, "\x83\x5Cx.exe")) << "no separator in it";
    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\\x83\x5C", "x.exe"));
    EXPECT_STREQ("C:\\\x83\x5C\\x.exe", out);
    EXPECT_TRUE(EndsWithSeparator("C:\\\x83\x5C\\"));
    EXPECT_FALSE(EndsWithSeparator("C:\\\x83\x5C"));
    EXPECT_TRUE(SameFolder("C:\\\x83\x5C\\", "c:\\\x83\x5C"));
    EXPECT_FALSE(SameFolder("C:\\\x83\x41", "C:\\\x83\x61"));
    EXPECT_FALSE(SameFolder("C:\\\x83\x5C", "C:\\\x83"));
    UsePathCodePage(1252);
    EXPECT_STREQ("", FileNameOfPath("C:\\\x83\x5C")) << "in code page 1252 0x5C is a separator";
}

TEST(VarnletUninstallArguments, NoArgumentsMeansUninstall) {
    UninstallArguments arguments;
    char error[256];
    for (const char* tail : {"", "   ", "\t"}) {
        ASSERT_TRUE(ParseUninstallArguments(tail, &arguments, error, sizeof error)) << "[" << tail << "]";
        EXPECT_FALSE(arguments.finish);
    }
    ASSERT_TRUE(ParseUninstallArguments(nullptr, &arguments, error, sizeof error));
}

TEST(VarnletUninstallArguments, FinishTakesAHandleAndAQuotedPath) {
    UninstallArguments arguments;
    char error[256];
    ASSERT_TRUE(ParseUninstallArguments("/finish 124 \"C:\\Program Files\\Varnlet\\rtuninst.exe\"", &arguments, error,
                                        sizeof error))
        << error;
    EXPECT_TRUE(arguments.finish);
    EXPECT_EQ(124u, arguments.waitHandle);
    EXPECT_STREQ("C:\\Program Files\\Varnlet\\rtuninst.exe", arguments.uninstallerPath);
    ASSERT_TRUE(ParseUninstallArguments("/finish 8 C:\\V\\rtuninst.exe", &arguments, error, sizeof error)) << error;
    EXPECT_STREQ("C:\\V\\rtuninst.exe", arguments.uninstallerPath);
}

TEST(VarnletUninstallArguments, SilentOnlyForUnattendedProducts) {
    UninstallArguments arguments;
    char error[256];
    for (const char* tail : {"/S", " /s "}) {
        ASSERT_TRUE(ParseUninstallArguments(tail, &arguments, error, sizeof error, true)) << tail << ": " << error;
        EXPECT_TRUE(arguments.silent);
        EXPECT_FALSE(arguments.finish);
    }
    ASSERT_TRUE(ParseUninstallArguments("/finish 8 \"C:\\V W\\rtuninst.exe\" /S", &arguments, error, sizeof error,
                                        true))
        << error;
    EXPECT_TRUE(arguments.finish);
    EXPECT_TRUE(arguments.silent);
    EXPECT_STREQ("C:\\V W\\rtuninst.exe", arguments.uninstallerPath);
    ASSERT_TRUE(ParseUninstallArguments("", &arguments, error, sizeof error, true));
    EXPECT_FALSE(arguments.silent);

    EXPECT_FALSE(ParseUninstallArguments("/S /S", &arguments, error, sizeof error, true));
    EXPECT_NE(nullptr, std::strstr(error, "after /S")) << error;
    EXPECT_FALSE(ParseUninstallArguments("/SILENT", &arguments, error, sizeof error, true));
    EXPECT_FALSE(ParseUninstallArguments("/finish 8 C:\\V\\rtuninst.exe /S", &arguments, error, sizeof error, false));
}

TEST(VarnletUninstallArguments, AnythingElseIsRefusedWithAReason) {
    struct Case {
        const char* tail;
        const char* inError;
    };
    const Case cases[] = {
        {"/S", "Unknown command-line argument \"/S\""},
        {"/finish", "/finish needs"},
        {"/finish x \"C:\\a.exe\"", "/finish needs"},
        {"/finish 0 \"C:\\a.exe\"", "/finish needs"},
        {"/finish 12", "/finish needs"},
        {"/finish 12 \"C:\\a.exe", "/finish needs"},
        {"/finish 12 \"\"", "/finish needs"},
        {"/finish 12 C:\\a.exe extra", "Unexpected command-line argument after /finish \"extra\""},
        {"\"unclosed", "too long or not closed"},
    };
    for (const Case& c : cases) {
        UninstallArguments arguments;
        char error[256];
        EXPECT_FALSE(ParseUninstallArguments(c.tail, &arguments, error, sizeof error)) << c.tail;
        EXPECT_NE(nullptr, std::strstr(error, c.inError)) << c.tail << " -> " << error;
    }
    std::string longPath = "/finish 5 " + std::string(2000, 'a');
    UninstallArguments arguments;
    char error[256];
    EXPECT_FALSE(ParseUninstallArguments(longPath.c_str(), &arguments, error, sizeof error));
}

TEST(VarnletUninstallLogic, SystemFolderNamesAndLinkNames) {
    EXPECT_TRUE(IsSystemFolderName("SYSTEM/vrlhook.dll"));
    EXPECT_TRUE(IsSystemFolderName("SYSTEM\\vrlhook.dll"));
    EXPECT_FALSE(IsSystemFolderName("system/vrlhook.dll"));
    EXPECT_FALSE(IsSystemFolderName("SYSTEMS/x"));
    EXPECT_FALSE(IsSystemFolderName("vrl32.exe"));
    char link[16];
    ASSERT_TRUE(FormatLinkFileName(link, sizeof link, "Varnlet"));
    EXPECT_STREQ("Varnlet.lnk", link);
    EXPECT_FALSE(FormatLinkFileName(link, sizeof link, ""));
    EXPECT_FALSE(FormatLinkFileName(link, sizeof link, "Twelve chars"));  // 16 with ".lnk" and NUL
    EXPECT_STREQ("", link);
}

TEST(VarnletRemovalReport, ListsEveryFailureWithItsReason) {
    RemovalReport report;
    report.AddFailure("C:\\V\\sample1.jpg", "Sharing violation");
    report.AddFailure("the registry key", "Access denied");
    char text[1024];
    ASSERT_TRUE(report.Format(text, sizeof text, "Varnlet"));
    EXPECT_STREQ(
        "Varnlet was removed, except for the following, which you may delete yourself once no program uses it:\r\n"
        "\r\nC:\\V\\sample1.jpg (Sharing violation)"
        "\r\nthe registry key (Access denied)",
        text);
    EXPECT_EQ(2, report.FailureCount());
}

TEST(VarnletRemovalReport, AnEntryAddedOnceIsListedOnceWhileSimilarNamesAreOthers) {
    RemovalReport report;
    for (const char* what : {"C:\\V\\docs (2)", "C:\\V\\docs", "C:\\V\\docs", "C:\\V\\doc", "C:\\V\\docs2"}) {
        report.AddFailureOnce(what, "a link");
    }
    ASSERT_EQ(4, report.FailureCount());
    EXPECT_STREQ("C:\\V\\docs (2) (a link)", report.Item(0));
    EXPECT_STREQ("C:\\V\\docs (a link)", report.Item(1));
}

TEST(VarnletRemovalReport, AListTooLongForTheMessageEndsWithHowManyMore) {
    RemovalReport report;
    std::string path = "C:\\" + std::string(100, 'p');
    for (int i = 0; i < RemovalReport::kMaxItems + 5; ++i) report.AddFailure(path.c_str(), "Access denied");
    EXPECT_EQ(RemovalReport::kMaxItems + 5, report.FailureCount());
    char text[700];
    ASSERT_TRUE(report.Format(text, sizeof text, "Varnlet"));
    std::string message = text;
    size_t shown = 0;
    for (size_t at = message.find(path); at != std::string::npos; at = message.find(path, at + 1)) ++shown;
    ASSERT_GT(shown, 0u);
    std::string closing = "\r\n...and " + std::to_string(RemovalReport::kMaxItems + 5 - shown) + " more.";
    ASSERT_GE(message.size(), closing.size());
    EXPECT_EQ(closing, message.substr(message.size() - closing.size())) << message;
    EXPECT_LT(message.size(), sizeof text);
}

TEST(VarnletRemovalReport, RefusesWhenNotEvenTheOpeningFits) {
    RemovalReport report;
    report.AddFailure("x", "y");
    char text[20];
    EXPECT_FALSE(report.Format(text, sizeof text, "Varnlet"));
    EXPECT_STREQ("", text);
}

TEST(VarnletLayout, FitInsideShrinksKeepingProportionsAndNeverEnlarges) {
    struct Case {
        PixelSize picture;
        PixelRect box;
        PixelRect expected;
    };
    const Case cases[] = {
        {{200, 200}, {0, 0, 300, 300}, {50, 50, 250, 250}},       // smaller: centred, unscaled
        {{240, 180}, {0, 0, 120, 180}, {0, 45, 120, 135}},        // too wide: width decides
        {{240, 180}, {10, 10, 410, 100}, {150, 10, 270, 100}},    // too tall: height decides
        {{200, 200}, {0, 0, 100, 50}, {25, 0, 75, 50}},
        {{0, 0}, {0, 0, 100, 100}, {50, 50, 50, 50}},             // nothing to draw
        {{200, 200}, {0, 0, 0, 100}, {0, 50, 0, 50}},             // no room
    };
    for (const Case& c : cases) {
        PixelRect got = FitInside(c.picture, c.box);
        EXPECT_EQ(c.expected.left, got.left) << c.picture.width << "x" << c.picture.height;
        EXPECT_EQ(c.expected.top, got.top) << c.picture.width << "x" << c.picture.height;
        EXPECT_EQ(c.expected.right, got.right) << c.picture.width << "x" << c.picture.height;
        EXPECT_EQ(c.expected.bottom, got.bottom) << c.picture.width << "x" << c.picture.height;
    }
}

namespace {

bool Overlap(const PixelRect& a, const PixelRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const PixelRect& a, int width, int height) {
    return a.left >= 0 && a.top >= 0 && a.right <= width && a.bottom <= height;
}

}  // namespace

TEST(VarnletLayout, AtThePreferredSizeEveryPictureShowsUnscaledWithoutOverlap) {
    PixelSize client = PreferredClientSize();
    const PixelSize samples[kSampleCount] = {kSampleNominal, kSampleNominal};
    GalleryLayout layout = ComputeGalleryLayout(client.width, client.height, kEmblemNominal, samples);
    EXPECT_EQ(kEmblemNominal.width, layout.emblem.Width());
    EXPECT_EQ(kEmblemNominal.height, layout.emblem.Height());
    for (int i = 0; i < kSampleCount; ++i) {
        EXPECT_EQ(kSampleNominal.width, layout.samples[i].Width()) << i;
        EXPECT_EQ(kSampleNominal.height, layout.samples[i].Height()) << i;
        EXPECT_EQ(layout.samples[i].bottom, layout.captions[i].top) << "caption right under sample " << i;
        EXPECT_FALSE(Overlap(layout.emblem, layout.samples[i])) << i;
        EXPECT_TRUE(Inside(layout.captions[i], client.width, client.height)) << i;
    }
    EXPECT_FALSE(Overlap(layout.samples[0], layout.samples[1]));
}

TEST(VarnletLayout, ASmallWindowShrinksEverythingAndKeepsItInside) {
    const PixelSize samples[kSampleCount] = {{0, 0}, kSampleNominal};  // the first could not be read
    for (PixelSize client : {PixelSize{300, 250}, PixelSize{200, 400}, PixelSize{120, 90}}) {
        GalleryLayout layout = ComputeGalleryLayout(client.width, client.height, kEmblemNominal, samples);
        SCOPED_TRACE(std::to_string(client.width) + "x" + std::to_string(client.height));
        EXPECT_TRUE(Inside(layout.emblem, client.width, client.height));
        EXPECT_LE(layout.emblem.Width(), kEmblemNominal.width);
        for (int i = 0; i < kSampleCount; ++i) {
            EXPECT_TRUE(Inside(layout.samples[i], client.width, client.height)) << i;
            EXPECT_FALSE(Overlap(layout.emblem, layout.samples[i])) << i;
            EXPECT_EQ(layout.samples[i].Width(), layout.samples[i].Height()) << "square stays square " << i;
        }
        EXPECT_FALSE(Overlap(layout.samples[0], layout.samples[1]));
    }
}
