#include "atomic_file.h"

#include <unistd.h>

AtomicFile::~AtomicFile() {
    if (file_) std::fclose(file_);
    if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool AtomicFile::Open(const std::string& path, std::string& error) {
    path_ = path;
    temporary_ = path + ".tmp" + std::to_string(getpid());
    file_ = std::fopen(temporary_.c_str(), "w+b");
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

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error) {
    AtomicFile file;
    return file.Open(path, error) && file.Write(contents.data(), contents.size(), error) && file.Commit(error);
}
