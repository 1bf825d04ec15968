// Values of a key that others write (the shell, users' scripts, policy), read
// at the size the registry reports: the shell pads its records with zeros
// past any length this program could expect.
#pragma once
#include "../framework/HeapArray.h"
#include <windows.h>

enum {
    // The most of one value that is read: far past any record the shell
    // writes; a longer value is taken by its length alone.
    MAX_VALUE_BYTES = 64 * 1024,
    // Value names longer than this are none of the ones read here.
    MAX_VALUE_NAME = 64,
};

struct RegistryValue
{
    WCHAR name[MAX_VALUE_NAME];
    DWORD type;
    DWORD size;                 // as the registry reports it
    HeapArray<BYTE> data;       // the whole value, and a NUL character after it; empty past the bound
};

enum ValueRead {
    VALUE_READ,                 // its name, type and size
    VALUE_SKIPPED,              // a name too long
    VALUE_END,
};

// The name, type and size of the value at that index of the key; its data,
// which most callers want of few values, is read apart.
ValueRead ValueAt(HKEY hKey, DWORD index, RegistryValue& value);
// Its data, within the bound; none where it has changed or gone since.
void ReadValueData(HKEY hKey, RegistryValue& value);
