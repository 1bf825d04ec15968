// What in-process tests of the product's code share: an application object on
// the test executable's own resources, and a user hive of the test's own.
#pragma once
#include "framework/WinApp.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

struct TestApp : CWinApp
{
    TestApp();
    BOOL StartInstance() override { return FALSE; }
};

// HKEY_CURRENT_USER redirected, inside this process only, to a scratch key
// that starts empty (no "Software" key unless a test makes one).
class RedirectedHive : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    void MakeSoftwareKey();
    bool HiveHas(const char* path);
    // Every value of a key below the scratch key, with its type and data.
    std::string Dump(const char* path);
    void SetValue(const char* path, const char* name, DWORD type, const void* data, DWORD size);

    TestApp m_app;
    HKEY m_hHive = nullptr;
};

// A stored value of some registry type and length, as a hand edit or another
// program might leave it.
struct StoredShape
{
    DWORD type;
    std::vector<BYTE> data;

    std::string What() const;
    // What a read of it gives: up to four bytes as a little-endian number,
    // the missing high bytes zero; anything longer, the default.
    LONG AsRead(LONG nDefault) const;
    // Whether a read may give the value: strings are converted by the
    // system's own rules on the way, and may come out longer than stored.
    bool CanReadAs(LONG value, LONG nDefault) const;
};

// Strings, binary, 64-bit and multi-strings, and DWORDs, from 0 to 8 bytes and 300.
std::vector<StoredShape> EveryTypeAndLength();
