// A damaged download: the installer finds the damage in its data before it
// asks anything, says so under "Installer Damaged" and ends; nothing of the
// product is written, registered or recorded.
#include <cstdint>

#include "tests/e2e/scenario.h"

namespace e2e {
namespace {

constexpr char kDamagedTitle[] = "Installer Damaged";
constexpr char kDamagedText[] = "The installer is damaged. Please download it again.";

class DamagedInstaller : public Scenario {
protected:
    // Copies of the Varnlet installer damaged inside its payload data, which
    // is found by the generated blob's bytes: in the generated object file,
    // from the first section's data to the zero byte before the symbol table.
    void SetUp() override {
        Scenario::SetUp();
        ASSERT_TRUE(ReadWholeFile(BuiltProgram(E2E_VARNLET_WARN_SETUP), &installer_));
        std::string object;
        ASSERT_TRUE(ReadWholeFile(WindowsPathOf(E2E_VARNLET_WARN_BLOB), &object));
        ASSERT_GT(object.size(), 44u);
        auto number = [&object](size_t at) {
            uint32_t value = 0;
            for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<unsigned char>(object[at + k]);
            return value;
        };
        const uint32_t start = number(40), end = number(8) - 1;
        ASSERT_LT(start, end);
        ASSERT_LE(end, object.size());
        const std::string blob = object.substr(start, end - start);
        ASSERT_GT(blob.size(), 4096u);
        blobStart_ = installer_.find(blob.substr(0, 4096));
        ASSERT_NE(std::string::npos, blobStart_) << "the payload data is not in the installer";
        blobBytes_ = blob.size();
    }

    // Runs `bytes` as an installer and expects the damage message and nothing else.
    void ExpectToldDamaged(const char* name, const std::string& bytes) {
        SCOPED_TRACE(name);
        std::string path = JoinPath(OutputFolder(), name);
        ASSERT_TRUE(WriteWholeFile(path, bytes)) << path;
        ASSERT_TRUE(StartInstaller(path)) << user().Failure();
        ASSERT_TRUE(ExpectBox(kDamagedTitle, kDamagedText, true, {IDOK}, IDOK)) << user().Failure();
        ASSERT_TRUE(ExpectEndsWithStatusZero()) << user().Failure();
        ExpectNoTraceOfTheProduct();
    }

    std::string installer_;
    size_t blobStart_ = 0, blobBytes_ = 0;
};

TEST_F(DamagedInstaller, OneChangedByteIsFoundBeforeAnythingIsWritten) {
    std::string flipped = installer_;
    flipped[blobStart_ + blobBytes_ / 2] ^= 0x01;
    ExpectToldDamaged("flipped.exe", flipped);
}

TEST_F(DamagedInstaller, ADownloadThatEndedInsideTheDataIsFoundBeforeAnythingIsWritten) {
    // The payload's bytes are the last section of the file. The loader still
    // starts a program whose last section lacks no more than the rest of its
    // final 512-byte sector (it reads zeros there): cut that much, which ends
    // the file inside the payload's bytes.
    const size_t cut = installer_.size() - 511;
    ASSERT_GT(cut, blobStart_);
    ASSERT_LT(cut, blobStart_ + blobBytes_) << "the payload's bytes are not at the end of the file";
    ASSERT_NE(std::string::npos, installer_.find_first_not_of('\0', cut)) << "only zeros would be lost";
    ExpectToldDamaged("truncated.exe", installer_.substr(0, cut));
}

}  // namespace
}  // namespace e2e
