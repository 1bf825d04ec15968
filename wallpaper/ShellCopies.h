// The shell's own copies of the pictures it shows (Windows 8 and later), and
// which of them may stand for what shows. The shell converts each picture
// into the roaming Themes folder and keeps that copy until it next writes it,
// so a copy can hold an earlier picture: after pictures were set per monitor,
// or a monitor with its own picture was undocked. Beside each copy it records
// the picture the copy was made from, in the user's "Control Panel\Desktop":
// "TranscodedImageCache" for "TranscodedWallpaper", one picture on every
// monitor, and "TranscodedImageCache_NNN" for "Transcoded_NNN", a picture
// each. A copy is read only where its record names the picture that shows.
#pragma once
#include "PicturePath.h"
#include "RegistryValues.h"
#include "WallpaperScene.h"

enum {
    // "TranscodedImageCache" and the most "_NNN" records read
    MAX_COPY_RECORDS = MAX_SCENE_MONITORS,
    ONE_COPY = -1,          // the number of "TranscodedWallpaper"
};

struct CopyRecord
{
    int number;             // NNN, or ONE_COPY
    WCHAR source[MAX_PICTURE_PATH]; // the picture it was made from
};

struct CopyRecords
{
    CopyRecord records[MAX_COPY_RECORDS + 1];
    int count;
};

// A record's data: 24 bytes of the shell's own, then the source's path in
// UTF-16 up to its first NUL; the shell pads the value with zeros after it,
// and whatever follows the NUL is not the path's. False where it holds no
// path, or one without its end.
bool ParseCopyRecord(const BYTE* data, DWORD size, WCHAR (&source)[MAX_PICTURE_PATH]);
// A value of the desktop's key, read at the size the registry reports
// (RegistryValues.h), taken where it is a record with a whole path and there
// is room; DesktopValuesStamp takes every one, in the key's order.
void TakeCopyRecord(const RegistryValue& value, CopyRecords& records);
// The record of that copy; null where it has none.
const CopyRecord* RecordOf(const CopyRecords& records, int number);

// File attributes of a placeholder of a file elsewhere (a cloud file not on
// the disk, an offline file): reading it downloads it, or waits on a share.
bool IsPlaceholder(DWORD attributes);

// The roaming Themes folder of the user this process runs as, with its final
// backslash; false where it cannot be had.
bool ThemesFolder(WCHAR (&themes)[MAX_PATH]);

// Each monitor's file to read first and its fallback, from the pictures the
// per-monitor class names and the shell's records:
// - one picture on every monitor: its copy, then the original;
// - a picture each: the copy whose record names the monitor's picture, then
//   the original;
// - a copy whose record names another picture is never read: the original;
// - where the shell keeps no record of a copy, one picture's copy comes
//   first, and a monitor's own copy (by the class's number) after its picture.
// An original that is only a placeholder is never read. The first monitor's
// copy is the file watched, proven or not: the shell rewrites it in place.
void ChooseShownPictures(WallpaperScene& scene, const WCHAR* themes, const CopyRecords& records);
