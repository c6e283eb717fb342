// The folders on the path of the file being written, each made if missing,
// checked once to be no junction or symbolic link, and held open without
// delete sharing until the extraction moves on to another folder. While one
// is held nobody can delete it, rename it or put a link in its place, so the
// check stays true for every file written into it and the next file in the
// same folder needs no lookup at all. A folder that the chain has let go is
// looked up and checked again when a later file needs it: by then it may
// have been removed, or replaced.
#pragma once

#include <windows.h>

#include <cstddef>

#include "product/product_data.h"

class FolderChain {
public:
    FolderChain() = default;
    ~FolderChain() { LetGoFrom(0); }
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;

    // Makes every folder on `path` (relative to the current folder; the last
    // component is the file and is not made) exist and holds it. False when a
    // folder cannot be made, when something other than a folder stands
    // where one belongs, or when one is a link.
    bool Enter(const char* path);
    // Lets go of the folders held from `level` down (0: all of them).
    void LetGoFrom(int level);
    // The folder of the path entered last, held; null when it has none.
    HANDLE Innermost() const { return depth_ > 0 ? levels_[depth_ - 1].folder : nullptr; }

private:
    bool HoldFolder(size_t parentEnd, size_t end);

    struct Level {
        size_t end;  // index of the separator after the folder's name
        HANDLE folder;
    };
    static constexpr int kMaxLevels = kPathBufferBytes / 2;
    char path_[kPathBufferBytes] = {};  // the path entered last
    Level levels_[kMaxLevels] = {};
    int depth_ = 0;
};
