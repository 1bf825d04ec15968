// Every value of a registry key, with its type and data, as one text: two
// dumps compare equal when nothing under the key has changed.
#pragma once
#include <windows.h>
#include <string>

inline std::string DumpKey(HKEY hRoot, const std::string& path)
{
    HKEY hKey;
    if (RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return "<no key>";
    std::string dump;
    char name[256];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type;
        if (RegEnumValueA(hKey, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        dump += std::string(name) + ":" + std::to_string(type) + ":";
        for (DWORD b = 0; b < dataSize; ++b)
            dump += std::to_string(data[b]) + ",";
        dump += "\n";
    }
    RegCloseKey(hKey);
    return dump;
}
