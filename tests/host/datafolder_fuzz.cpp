// Random inputs for the data folder's text operations, run under
// AddressSanitizer: the separator normalisation and the folder dialog's
// split and composition must stay inside their buffers and keep their
// promises for any text, including texts at and beyond the buffer limits.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "datafolder/folder_text.h"
#include "datafolder/path_ops.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

long Iterations() {
    const char* text = std::getenv("DATAFOLDER_FUZZ_ITERATIONS");
    long count = text ? std::strtol(text, nullptr, 10) : 0;
    return count > 0 ? count : 100000;
}

// Texts rich in separators, drive colons and lengths near the limits.
class TextSource {
public:
    explicit TextSource(unsigned seed) : random_(seed) {}
    std::string Next() {
        static const size_t kLengths[] = {0, 1, 2, 3, 8, 40, 255, 258, 259, 260, 261, 519, 1022, 1023, 1024, 1100};
        size_t length = Pick(4) == 0 ? Pick(1101) : kLengths[Pick(sizeof kLengths / sizeof kLengths[0])];
        length += Pick(3);
        std::string text(length, 'a');
        for (char& c : text) {
            switch (Pick(8)) {
            case 0: case 1: c = '\\'; break;
            case 2: c = '/'; break;
            case 3: c = ':'; break;
            case 4: c = static_cast<char>(1 + Pick(255)); break;
            default: c = "aVnlet .C"[Pick(9)]; break;
            }
        }
        return text;
    }

private:
    size_t Pick(size_t below) { return std::uniform_int_distribution<size_t>(0, below - 1)(random_); }
    std::mt19937 random_;
};

std::string WithoutSeparators(const std::string& text) {
    std::string out;
    for (char c : text)
        if (!IsSeparator(c)) out += c;
    return out;
}

// Exactly sized heap buffers, so that one byte too many is caught.
std::unique_ptr<char[]> Buffer(size_t size) { return std::unique_ptr<char[]>(new char[size]); }

}  // namespace

TEST(DataFolderFuzz, NormalizeSeparators) {
    TextSource source(20261208);
    long count = Iterations();
    for (long i = 0; i < count; ++i) {
        std::string input = source.Next();
        auto buffer = Buffer(input.size() + 1);
        std::memcpy(buffer.get(), input.c_str(), input.size() + 1);
        normalizeSeparators(buffer.get());
        std::string out = buffer.get();
        bool network = input.size() >= 2 && IsSeparator(input[0]) && IsSeparator(input[1]);
        ASSERT_LE(out.size(), input.size()) << "input #" << i << " \"" << input << "\"";
        ASSERT_EQ(WithoutSeparators(input), WithoutSeparators(out)) << "input #" << i << " \"" << input << "\"";
        ASSERT_EQ(std::string::npos, out.find('/')) << "input #" << i << " \"" << input << "\" gave \"" << out << "\"";
        size_t doubled = out.find("\\\\", network ? 1 : 0);
        ASSERT_EQ(std::string::npos, doubled) << "input #" << i << " \"" << input << "\" gave \"" << out << "\"";
        ASSERT_EQ(network, out.compare(0, 2, "\\\\") == 0) << "input #" << i << " \"" << input << "\"";
        // Normalising twice changes nothing.
        normalizeSeparators(buffer.get());
        ASSERT_EQ(out, std::string(buffer.get())) << "input #" << i;
    }
    std::printf("normalizeSeparators: %ld random inputs\n", count);
}

TEST(DataFolderFuzz, SplitAndCompose) {
    TextSource source(1208);
    long count = Iterations();
    long whole = 0;
    for (long i = 0; i < count; ++i) {
        std::string input = source.Next();
        auto parent = Buffer(kFieldBytes);
        auto application = Buffer(kFieldBytes);
        bool fits = splitFolderText(input.c_str(), parent.get(), kFieldBytes, application.get(), kFieldBytes);
        std::string p = parent.get(), a = application.get();
        ASSERT_LT(p.size(), kFieldBytes);
        ASSERT_LT(a.size(), kFieldBytes);
        ASSERT_EQ(0u, input.compare(0, p.size(), p)) << "input #" << i << " \"" << input << "\"";
        ASSERT_EQ(std::string::npos, a.find('\\')) << "input #" << i << " \"" << input << "\"";
        if (fits) {
            ++whole;
            // The parts and the separator between them are the whole text.
            if (p.size() == input.size()) {
                ASSERT_EQ(std::string::npos, input.find_first_of("\\/")) << "input #" << i;
                ASSERT_TRUE(a.empty());
            } else {
                ASSERT_TRUE(IsSeparator(input[p.size()])) << "input #" << i;
                ASSERT_EQ(input, p + input[p.size()] + a) << "input #" << i;
            }
            auto composed = Buffer(kFieldBytes);
            bool joined = composeFolderPath(p.c_str(), a.c_str(), composed.get(), kFieldBytes);
            std::string expectedParent = p;
            for (char& c : expectedParent)
                if (c == '/') c = '\\';
            if (expectedParent.empty() || expectedParent.back() != '\\') expectedParent += '\\';
            std::string expected = expectedParent + a;
            ASSERT_EQ(expected.size() < kFieldBytes, joined) << "input #" << i << " \"" << input << "\"";
            ASSERT_EQ(joined ? expected : std::string(), std::string(composed.get())) << "input #" << i;
        } else {
            ASSERT_GT(input.size(), kMaxFolderPathLength) << "input #" << i << " cut though it fits";
        }
    }
    std::printf("splitFolderText and composeFolderPath: %ld random inputs (%ld split whole)\n", count, whole);
}

TEST(DataFolderFuzz, HomeProposal) {
    TextSource source(77);
    long count = Iterations() / 4;
    for (long i = 0; i < count; ++i) {
        std::string drive = source.Next(), home = source.Next();
        auto out = Buffer(1024);
        bool fits = formatHomeProposal(drive.c_str(), home.c_str(), "Varnlet", out.get(), 1024);
        std::string result = out.get();
        ASSERT_LT(result.size(), 1024u);
        if (fits)
            ASSERT_EQ(0u, result.compare(result.size() - 8, 8, "\\Varnlet")) << "input #" << i;
        else
            ASSERT_TRUE(result.empty()) << "input #" << i;
    }
    std::printf("formatHomeProposal: %ld random inputs\n", count);
}
