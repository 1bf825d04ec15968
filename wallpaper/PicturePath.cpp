#include "PicturePath.h"

static const WCHAR EXTENDED[] = L"\\\\?\\", EXTENDED_UNC[] = L"\\\\?\\UNC\\";

bool Begins(const WCHAR* text, const WCHAR* prefix)
{
    while (*prefix && *text == *prefix)
        ++text, ++prefix;
    return !*prefix;
}

bool ReadablePath(const WCHAR* path, WCHAR (&readable)[MAX_PICTURE_PATH])
{
    int length = lstrlenW(path);
    bool unc = path[0] == L'\\' && path[1] == L'\\';
    readable[0] = 0;
    if (length < MAX_PATH || Begins(path, EXTENDED))
        return length < MAX_PICTURE_PATH && lstrcpyW(readable, path);
    // only a full path has an extended form, which takes backslashes alone
    if (length + 6 >= MAX_PICTURE_PATH || (!unc && path[1] != L':'))
        return false;
    wsprintfW(readable, L"\\\\?\\%s%s", unc ? L"UNC\\" : L"", unc ? path + 2 : path);
    for (WCHAR* p = readable; *p; ++p)
        *p = *p == L'/' ? L'\\' : *p;
    return true;
}

// What follows the server's two backslashes in a UNC path, plain or
// extended, or the extended prefix of another; unc tells which.
static const WCHAR* Plain(const WCHAR* path, bool& unc)
{
    if ((unc = Begins(path, EXTENDED_UNC)))
        return path + 8;
    if (Begins(path, EXTENDED))
        return path + 4;
    unc = path[0] == L'\\' && path[1] == L'\\';
    return unc ? path + 2 : path;
}

static bool SameForms(const WCHAR* a, const WCHAR* b)
{
    bool uncA, uncB;
    const WCHAR *plainA = Plain(a, uncA), *plainB = Plain(b, uncB);
    return uncA == uncB && lstrcmpiW(plainA, plainB) == 0;
}

// Only a path with a short name in it is looked up: the look-up touches the
// file, which on a share that does not answer waits.
static const WCHAR* LongForm(const WCHAR* path, WCHAR (&full)[MAX_PICTURE_PATH])
{
    bool shortName = false;
    for (const WCHAR* p = path; *p; ++p)
        shortName = shortName || *p == L'~';
    DWORD length = shortName ? GetLongPathNameW(path, full, MAX_PICTURE_PATH) : 0;
    return length && length < MAX_PICTURE_PATH ? full : path;
}

bool SamePicture(const WCHAR* a, const WCHAR* b)
{
    if (SameForms(a, b))
        return true;
    WCHAR longA[MAX_PICTURE_PATH], longB[MAX_PICTURE_PATH];
    const WCHAR *fullA = LongForm(a, longA), *fullB = LongForm(b, longB);
    return (fullA != a || fullB != b) && SameForms(fullA, fullB);
}
