#include "PicturePath.h"

static const WCHAR EXTENDED[] = L"\\\\?\\", EXTENDED_UNC[] = L"\\\\?\\UNC\\";

static bool Begins(const WCHAR* path, const WCHAR* prefix)
{
    while (*prefix && *path == *prefix)
        ++path, ++prefix;
    return !*prefix;
}

// The prefix, then the path from its first character to keep, backslashes
// only, as the extended form wants them.
static bool Join(const WCHAR* prefix, const WCHAR* rest, WCHAR (&path)[MAX_PICTURE_PATH])
{
    int length = lstrlenW(prefix);
    if (length + lstrlenW(rest) >= MAX_PICTURE_PATH)
        return false;
    lstrcpyW(path, prefix);
    for (WCHAR* p = lstrcpyW(path + length, rest); *p; ++p)
        if (*p == L'/')
            *p = L'\\';
    return true;
}

bool ReadablePath(const WCHAR* path, WCHAR (&readable)[MAX_PICTURE_PATH])
{
    readable[0] = 0;
    if (lstrlenW(path) < MAX_PATH || Begins(path, EXTENDED))
        return lstrlenW(path) < MAX_PICTURE_PATH && lstrcpyW(readable, path);
    bool unc = (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
    bool drive = path[0] && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return unc ? Join(EXTENDED_UNC, path + 2, readable) : drive && Join(EXTENDED, path, readable);
}

// "\\?\C:\x" as "C:\x", "\\?\UNC\server\x" as "\\server\x".
static const WCHAR* Plain(const WCHAR* path, WCHAR (&plain)[MAX_PICTURE_PATH])
{
    if (Begins(path, EXTENDED_UNC))
        return Join(L"\\\\", path + lstrlenW(EXTENDED_UNC), plain) ? plain : path;
    return Begins(path, EXTENDED) ? path + lstrlenW(EXTENDED) : path;
}

// Only a path with a short name in it is looked up: the look-up touches the
// file, which on a share that does not answer waits.
static const WCHAR* LongForm(const WCHAR* path, WCHAR (&full)[MAX_PICTURE_PATH], bool& shortName)
{
    shortName = false;
    for (const WCHAR* p = path; *p; ++p)
        shortName = shortName || *p == L'~';
    DWORD length = shortName ? GetLongPathNameW(path, full, MAX_PICTURE_PATH) : 0;
    return length && length < MAX_PICTURE_PATH ? full : path;
}

bool SamePicture(const WCHAR* a, const WCHAR* b)
{
    WCHAR plainA[MAX_PICTURE_PATH], plainB[MAX_PICTURE_PATH];
    if (lstrcmpiW(Plain(a, plainA), Plain(b, plainB)) == 0)
        return true;
    WCHAR longA[MAX_PICTURE_PATH], longB[MAX_PICTURE_PATH];
    bool shortA, shortB;
    const WCHAR* fullA = LongForm(a, longA, shortA);
    const WCHAR* fullB = LongForm(b, longB, shortB);
    return (shortA || shortB) && lstrcmpiW(Plain(fullA, plainA), Plain(fullB, plainB)) == 0;
}
