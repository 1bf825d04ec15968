// The stand-in taskbar's reading of notification-icon records in both
// platforms' layouts, on records put together byte by byte.
#include "tests/standin/TrayRecord.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Put(std::vector<BYTE>& record, size_t offset, DWORD value)
{
    std::memcpy(&record[offset], &value, sizeof value);
}

void PutTip(std::vector<BYTE>& record, size_t offset, const wchar_t* tip)
{
    std::memcpy(&record[offset], tip, (wcslen(tip) + 1) * sizeof(wchar_t));
}

// Wine's: window, id, flags, callback at 0..15, the tip at 16, the icon's
// width and height at 944 and 948, its pixels after 960.
std::vector<BYTE> WineRecord(bool withIcon)
{
    std::vector<BYTE> record(withIcon ? 960 + 16 * 16 * 4 : 960);
    Put(record, 0, 0x20064);
    Put(record, 4, 1);
    Put(record, 8, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    Put(record, 12, 0x8064);
    PutTip(record, 16, L"Vireola");
    Put(record, 944, withIcon ? 16 : 0);
    Put(record, 948, withIcon ? 16 : 0);
    return record;
}

// Windows': signature, request, then cbSize, window, id, flags, callback,
// icon handle and the tip, all 32 bits wide.
std::vector<BYTE> WindowsRecord(DWORD signature, DWORD hIcon)
{
    std::vector<BYTE> record(964);
    Put(record, 0, signature);
    Put(record, 4, NIM_DELETE);
    Put(record, 8, 956);
    Put(record, 12, 0x20064);
    Put(record, 16, 1);
    Put(record, 20, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    Put(record, 24, 0x8064);
    Put(record, 28, hIcon);
    PutTip(record, 32, L"Vireola");
    return record;
}

std::string Line(ULONG_PTR dwData, const std::vector<BYTE>& bytes)
{
    TrayRecord record;
    ReadTrayRecord(dwData, bytes.data(), (DWORD)bytes.size(), record);
    char line[300];
    FormatTrayRecord(record, line, sizeof line);
    return line;
}

TEST(TrayRecords, EachLayoutReadsAsTheSameRequestLine)
{
    struct Case
    {
        const char* what;
        ULONG_PTR dwData;
        std::vector<BYTE> bytes;
        const char* line;
    };
    const Case cases[] = {
        {"Wine, with an icon", NIM_ADD, WineRecord(true),
         "TRAY 0 hwnd=131172 id=1 flags=7 callback=0x8064 tip=\"Vireola\" bytes=1984 layout=wine icon=16x16"},
        {"Wine, without", NIM_DELETE, WineRecord(false),
         "TRAY 2 hwnd=131172 id=1 flags=7 callback=0x8064 tip=\"Vireola\" bytes=960 layout=wine"},
        {"Windows", 1, WindowsRecord(0x34753423, 0x10003),
         "TRAY 2 hwnd=131172 id=1 flags=7 callback=0x8064 tip=\"Vireola\" bytes=964 layout=windows"},
        // without the signature the record cannot be Windows': dwData is then the request
        {"Windows' size, no signature", 1, std::vector<BYTE>(964),
         "TRAY 1 hwnd=0 id=0 flags=0 callback=0x0 tip=\"\" bytes=964 layout=wine"},
        {"too short for either", 1, std::vector<BYTE>(100), "TRAY short bytes=100 layout=unknown"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.line, Line(c.dwData, c.bytes)) << c.what;
}

TEST(TrayRecords, WindowsIconHandleIsKeptForTheTaskbarToMeasure)
{
    std::vector<BYTE> bytes = WindowsRecord(0x34753423, 0x10003);
    TrayRecord record;
    ASSERT_TRUE(ReadTrayRecord(1, bytes.data(), (DWORD)bytes.size(), record));
    EXPECT_EQ(0x10003u, record.hIcon);
    EXPECT_EQ(0u, record.iconWidth);
}

TEST(TrayRecords, ATipWithoutItsEndIsCutAtTheField)
{
    std::vector<BYTE> bytes = WindowsRecord(0x34753423, 0);
    for (size_t i = 32; i < 32 + 256; i += 2)
        Put(bytes, i, L'x');
    TrayRecord record;
    ASSERT_TRUE(ReadTrayRecord(1, bytes.data(), (DWORD)bytes.size(), record));
    EXPECT_EQ(std::string(127, 'x'), record.tip);
}

} // namespace
