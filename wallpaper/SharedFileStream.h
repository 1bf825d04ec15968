// A picture's file read as a stream that never stands in another program's
// way: the shell rewrites its own copy of the wallpaper in place, and users
// and their programs save over a picture or delete it, at any moment, also
// while it is being decoded here.
#pragma once
#include <objidl.h>

// Opened for reading, sharing reading, writing and deletion; none where the
// file cannot be opened. A file changed meanwhile reads short or torn: its
// decode fails, and the change's own notice brings a new evaluation.
IStream* OpenSharedFileStream(const WCHAR* path);
