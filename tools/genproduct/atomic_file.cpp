#include "atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Names tried beside the output before giving up: each one that already
// exists (left by a killed run, or planted) is passed over, never opened.
constexpr int kTemporaryNameAttempts = 100;

// Creates a new file `name`; fails when anything, a link included, is
// already there.
FILE* CreateExclusively(const std::string& name) {
    int descriptor = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    FILE* file = fdopen(descriptor, "w+b");
    if (!file) close(descriptor);
    return file;
}

}  // namespace

AtomicFile::~AtomicFile() {
    if (file_) std::fclose(file_);
    if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool AtomicFile::Open(const std::string& path, std::string& error) {
    path_ = path;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && !file_; ++attempt) {
        temporary_ = TemporaryNameOf(path, attempt);
        file_ = CreateExclusively(temporary_);
        if (!file_ && errno != EEXIST) break;
    }
    if (!file_) {
        temporary_.clear();
        error = "cannot write \"" + path_ + "\"";
        return false;
    }
    // The blob arrives in chunks of a few kilobytes; fewer, larger writes.
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    return true;
}

bool AtomicFile::Write(const void* data, size_t size, std::string& error) {
    if (file_ && std::fwrite(data, 1, size, file_) == size) return true;
    error = "cannot write \"" + path_ + "\"";
    return false;
}

bool AtomicFile::ReadAt(unsigned long long offset, void* data, size_t size, std::string& error) {
    bool read = file_ && std::fflush(file_) == 0 && fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0 &&
                std::fread(data, 1, size, file_) == size;
    // Back to the end, where the next write belongs.
    if (file_ && fseeko(file_, 0, SEEK_END) != 0) read = false;
    if (!read) error = "cannot read back \"" + temporary_ + "\"";
    return read;
}

bool AtomicFile::WriteAt(unsigned long long offset, const void* data, size_t size, std::string& error) {
    bool written = file_ && std::fflush(file_) == 0 && fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0 &&
                   std::fwrite(data, 1, size, file_) == size;
    if (file_ && fseeko(file_, 0, SEEK_END) != 0) written = false;
    if (!written) error = "cannot write \"" + path_ + "\"";
    return written;
}

bool AtomicFile::Commit(std::string& error) {
    bool written = file_ && std::fflush(file_) == 0 && !std::ferror(file_);
    if (file_ && std::fclose(file_) != 0) written = false;
    file_ = nullptr;
    if (!written) {
        error = "cannot write \"" + path_ + "\"";
        return false;
    }
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        error = "cannot replace \"" + path_ + "\"";
        return false;
    }
    temporary_.clear();
    return true;
}

std::string AtomicFile::TemporaryNameOf(const std::string& path, int attempt) {
    return path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error) {
    AtomicFile file;
    return file.Open(path, error) && file.Write(contents.data(), contents.size(), error) && file.Commit(error);
}
