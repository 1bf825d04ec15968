// A picture's path in the forms the system gives it: plain, UNC, in the
// extended "\\?\" and "\\?\UNC\" forms, and longer than the system's older
// calls take, which only the extended form opens.
#pragma once
#include <windows.h>

// The longest path of a picture that is read; a longer one counts as none.
enum { MAX_PICTURE_PATH = 1024 };

// Whether the text begins with the prefix, character for character.
bool Begins(const WCHAR* text, const WCHAR* prefix);

// The path as the file calls take it: one of MAX_PATH or more in its
// extended form; false where it has none (relative) or is too long.
bool ReadablePath(const WCHAR* path, WCHAR (&readable)[MAX_PICTURE_PATH]);

// One picture by either name: without regard to case, the extended and the
// plain form alike, and a short (8.3) and a long form of one path alike.
bool SamePicture(const WCHAR* a, const WCHAR* b);
