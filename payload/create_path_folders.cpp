// Creates the folders on a file's path before the file is opened, so that
// stored names such as "docs/images/a.jpg" land in their sub-folders.
#include <direct.h>
#include <sys/stat.h>

#include <cstring>

#include "payload/extract.h"
#include "product/product_data.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

int CreatePathFolders(const char* path) {
    char prefix[kPathBufferBytes];
    for (size_t end = 0; path[end] != '\0'; ++end) {
        if (!IsSeparator(path[end])) continue;
        if (end >= sizeof prefix) return 0;
        std::memcpy(prefix, path, end);
        prefix[end] = '\0';
        // A drive ("C:") is no folder to make, and an empty component (the
        // root, or a doubled separator) names a folder already handled.
        if (end == 2 && prefix[1] == ':') continue;
        if (end == 0 || IsSeparator(prefix[end - 1])) continue;
        struct _stat existing;
        if (_stat(prefix, &existing) == 0) continue;
        if (_mkdir(prefix) != 0) return 0;
    }
    return 1;
}
