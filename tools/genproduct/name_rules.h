// Which names Windows can hold. A stored file name, or a configuration name
// that becomes a file, link or key name, that breaks one of these rules
// would be written somewhere else than it says (a device, a stream, a name
// with its trailing dot dropped, another file of the same name in another
// letter case) or not at all, while the installer reports success. Every
// function returns "" for a good name, otherwise why it is refused.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Stored names are kept to this many characters, so that a data folder of up
// to 259 - 1 - kMaxStoredNameLength (118) characters holds every one of them
// within the system's 259-character path limit.
constexpr size_t kMaxStoredNameLength = 140;
constexpr size_t kMaxComponentLength = 255;

// A name as the description writes it (UTF-8): in code pages 932 and 949 the
// yen sign and the won sign are written as the byte 0x5C, the separator.
std::string SeparatorSignProblem(const std::string& utf8, int codePage);

// One name without separators (a folder, link, ini or product name), in the
// code page: no device name, no ":", "<>\"|?*" or control character, not
// empty, "." or "..", at most 255 characters, not ending in a dot or a blank.
std::string SingleNameProblem(const std::string& name, int codePage);

// A stored name (or an executable named by the configuration): each of its
// components, "/" and "\" alike, as SingleNameProblem says, and the whole at
// most kMaxStoredNameLength characters (after "SYSTEM/" for a file of the
// system folder).
std::string StoredNameRuleProblem(const std::string& name, int codePage);

struct ProductDescription;

// The configuration names that become folder, file, link or key names:
// folderName, productName, iniFileName and startupLinkName are single names,
// mainExecutable and serviceExecutable follow the rules of stored names.
// Empty optional names pass. A problem begins with the field's name.
std::string ConfigNameProblem(const ProductDescription& description);

// Two names, or the folders they lie in, that Windows takes for the same:
// equal once letter case is ignored and "/" and "\" are made alike, though
// they are spelled differently, or one a file and the other a folder.
// `first` and `second` index `names` when a collision is found.
std::string NameCollisionProblem(const std::vector<std::string>& names, int codePage, size_t& first,
                                 size_t& second);
