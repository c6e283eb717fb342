#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

const char* FileKindName(mode_t mode) {
    if (S_ISREG(mode)) return "a regular file";
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

namespace {

std::string Named(const char* what, const std::string& path) {
    return (what[0] ? std::string(what) + " \"" : std::string("\"")) + path + "\"";
}

}  // namespace

int OpenRegularFile(const std::string& path, const char* what, std::string& why) {
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of
    // waiting; the type is then read from the open descriptor itself, so a
    // file swapped between a check and the open cannot slip through.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = "cannot read " + Named(what, path) + " (" + std::strerror(errno) + ")";
        return -1;
    }
    struct stat status;
    if (fstat(fd, &status) != 0) {
        why = "cannot read " + Named(what, path) + " (" + std::strerror(errno) + ")";
        close(fd);
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        why = Named(what, path) + " is " + FileKindName(status.st_mode) + ", not a regular file";
        close(fd);
        return -1;
    }
    // Regular files never block; plain reads from here on.
    (void)fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ReadRegularFile(const std::string& path, const char* what, std::string& out, std::string& why) {
    out.clear();
    int fd = OpenRegularFile(path, what, why);
    if (fd < 0) return false;
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            why = "cannot read " + Named(what, path) + " (" + std::strerror(errno) + ")";
            close(fd);
            return false;
        }
        out.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return true;
}
