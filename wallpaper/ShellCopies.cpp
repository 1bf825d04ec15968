// The known folders' call is Windows Vista's; the headers declare it only for it.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "ShellCopies.h"
#include "RegistryValues.h"
#include <shlobj.h>

#ifndef FILE_ATTRIBUTE_RECALL_ON_OPEN
#define FILE_ATTRIBUTE_RECALL_ON_OPEN 0x00040000
#endif
#ifndef FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS
#define FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS 0x00400000
#endif

// The shell's own bytes before the path
enum { RECORD_HEADER = 24 };

bool ParseCopyRecord(const BYTE* data, DWORD size, WCHAR (&source)[MAX_PICTURE_PATH])
{
    source[0] = 0;
    if (size <= RECORD_HEADER)
        return false;
    const WCHAR* path = (const WCHAR*)(data + RECORD_HEADER);
    DWORD length = 0, most = (size - RECORD_HEADER) / sizeof(WCHAR);
    while (length < most && path[length])
        ++length;
    if (!length || length == most || length >= MAX_PICTURE_PATH)
        return false;
    CopyMemory(source, path, length * sizeof(WCHAR));
    source[length] = 0;
    return true;
}

// "TranscodedImageCache" is ONE_COPY, "TranscodedImageCache_NNN" NNN; -2 for
// any other name.
static int RecordNumber(const WCHAR* name)
{
    static const WCHAR PREFIX[] = L"TranscodedImageCache";
    const int prefix = (int)(sizeof PREFIX / sizeof(WCHAR)) - 1;
    WCHAR start[prefix + 1];
    if (lstrlenW(name) < prefix)
        return -2;
    lstrcpynW(start, name, prefix + 1);
    if (lstrcmpiW(start, PREFIX) != 0)
        return -2;
    name += prefix;
    if (!*name)
        return ONE_COPY;
    if (*name++ != L'_' || !*name)
        return -2;
    int number = 0;
    for (; *name; ++name) {
        if (*name < L'0' || *name > L'9' || number > 999)
            return -2;
        number = number * 10 + (*name - L'0');
    }
    return number;
}

void TakeCopyRecord(const RegistryValue& value, CopyRecords& records)
{
    if (records.count > MAX_COPY_RECORDS || value.type != REG_BINARY || !value.data.Count())
        return;
    CopyRecord& record = records.records[records.count];
    if ((record.number = RecordNumber(value.name)) != -2 && ParseCopyRecord(value.data.Data(), value.size, record.source))
        ++records.count;
}

const CopyRecord* RecordOf(const CopyRecords& records, int number)
{
    for (int i = 0; i < records.count; ++i)
        if (records.records[i].number == number)
            return &records.records[i];
    return nullptr;
}

bool IsPlaceholder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES
           && (attributes & (FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_RECALL_ON_OPEN | FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS));
}

// Not %APPDATA%, which a copy started by another account's "Run as" or by a
// scheduled task may have from someone else.
bool ThemesFolder(WCHAR (&themes)[MAX_PATH])
{
    WCHAR* appData = nullptr;
    bool found = SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr, &appData))
                 && lstrlenW(appData) < MAX_PATH - 60;
    if (found)
        wsprintfW(themes, L"%s\\Microsoft\\Windows\\Themes\\", appData);
    CoTaskMemFree(appData);
    return found;
}

static void CopyPath(WCHAR (&path)[MAX_PICTURE_PATH], const WCHAR* themes, int number)
{
    if (number == ONE_COPY)
        wsprintfW(path, L"%sTranscodedWallpaper", themes);
    else
        wsprintfW(path, L"%sTranscoded_%03d", themes, number);
}

void ChooseShownPictures(WallpaperScene& scene, const WCHAR* themes, const CopyRecords& records)
{
    scene.watched[0] = 0;
    bool one = scene.monitorCount > 0;
    for (int i = 0; i < scene.monitorCount; ++i)
        one = one && lstrcmpiW(scene.monitors[i].path, scene.monitors[0].path) == 0;
    for (int i = 0; i < scene.monitorCount; ++i) {
        MonitorWallpaper& m = scene.monitors[i];
        m.fallback[0] = 0;
        // none: the desktop colour, whatever copy is left over
        if (!m.path[0] || lstrlenW(themes) > MAX_PATH - 24)
            continue;
        // the copy where it would be, else any copy made from this picture
        int expected = one ? ONE_COPY : m.shellIndex;
        const CopyRecord* own = RecordOf(records, expected);
        const CopyRecord* proven = own && SamePicture(own->source, m.path) ? own : nullptr;
        for (int r = 0; !proven && r < records.count; ++r)
            if (SamePicture(records.records[r].source, m.path))
                proven = &records.records[r];
        WCHAR copy[MAX_PICTURE_PATH] = L"";
        if (proven || !own)
            CopyPath(copy, themes, proven ? proven->number : expected);
        if (i == 0)
            CopyPath(scene.watched, themes, proven ? proven->number : expected);
        bool copyFirst = proven || one;
        lstrcpyW(m.fallback, copyFirst ? m.path : copy);
        if (copyFirst)
            lstrcpyW(m.path, copy);
        // a stale copy: the original alone
        if (!m.path[0]) {
            lstrcpyW(m.path, m.fallback);
            m.fallback[0] = 0;
        }
    }
}
