// Output files that appear whole or not at all: written under a temporary
// name and renamed into place, so a failed run leaves no half-made file. The
// temporary file is always a new one (O_CREAT | O_EXCL): a file or link
// already standing under its name is never opened or written through.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool Open(const std::string& path, std::string& error);
    bool Write(const void* data, size_t size, std::string& error);
    // Reads back `size` bytes written before at `offset`; later writes still
    // go to the end.
    bool ReadAt(unsigned long long offset, void* data, size_t size, std::string& error);
    // Writes over `size` bytes at `offset`, which must have been written
    // before; later writes still go to the end.
    bool WriteAt(unsigned long long offset, const void* data, size_t size, std::string& error);
    // Flushes, closes and renames the temporary file to the path given to Open.
    bool Commit(std::string& error);

    // The temporary name tried for `path` at `attempt` (0, 1, ...) by this
    // process: beside `path`, so the rename stays within one file system.
    static std::string TemporaryNameOf(const std::string& path, int attempt);

private:
    std::string path_, temporary_;
    FILE* file_ = nullptr;
};

// Writes `contents` to `path` through a temporary file and a rename.
bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error);
