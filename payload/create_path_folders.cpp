// Creates the folders on a file's path before the file is opened, so that
// stored names such as "docs/images/a.jpg" land in their sub-folders.
#include <direct.h>
#include <sys/stat.h>

#include <cstring>

#include "common/paths.h"
#include "payload/extract.h"
#include "product/product_data.h"

int CreatePathFolders(const char* path) {
    char prefix[kPathBufferBytes];
    // By character: the second byte of a double-byte character may be 0x5C.
    for (size_t end = 0; path[end] != '\0'; end = static_cast<size_t>(NextChar(path + end) - path)) {
        if (!IsSeparator(path[end])) continue;
        if (end >= sizeof prefix) return 0;
        std::memcpy(prefix, path, end);
        prefix[end] = '\0';
        // A drive ("C:") is no folder to make, and an empty component (the
        // root, or a doubled separator) names a folder already handled.
        if (end == 2 && prefix[1] == ':') continue;
        if (end == 0 || EndsWithSeparator(prefix)) continue;
        struct _stat existing;
        if (_stat(prefix, &existing) == 0) continue;
        if (_mkdir(prefix) != 0) return 0;
    }
    return 1;
}
