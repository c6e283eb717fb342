// The one rule for paths that an elevated run writes to or deletes below a
// folder that someone else may have been able to change: no existing
// component of the path may be a reparse point (junction, symbolic link,
// mount point). Following one would let whoever planted it steer our writes
// or deletions to any place on the machine.
#pragma once

// True when some existing component of `relative`, taken below `base`,
// is a reparse point, or cannot be examined (refused rather than trusted).
// `base` is the folder the caller trusts (the data folder); null or "" means
// the current folder. Components are checked from the first one down to the
// last, the file itself included; the walk ends at the first component that
// does not exist, since nothing below it can. `relative` may use "/" or "\".
// A path that does not fit the path buffer counts as crossing a link.
bool PathCrossesLink(const char* base, const char* relative);
