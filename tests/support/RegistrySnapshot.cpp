#include "RegistrySnapshot.h"
#include <stdio.h>

void DeleteKeyTree(HKEY hRoot, const std::string& path)
{
    HKEY hKey;
    if (RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return;
    char child[256];
    DWORD size = sizeof child;
    while (RegEnumKeyExA(hKey, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        DeleteKeyTree(hKey, child);
        size = sizeof child;
    }
    RegCloseKey(hKey);
    RegDeleteKeyA(hRoot, path.c_str());
}

RegistrySnapshot::RegistrySnapshot(HKEY hRoot, const std::string& path) : m_hRoot(hRoot), m_path(path)
{
    HKEY hKey;
    if (RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    m_existed = true;
    Read(hKey, "");
    RegCloseKey(hKey);
}

void RegistrySnapshot::Read(HKEY hKey, const std::string& key)
{
    m_keys.push_back(key);
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, type = 0, dataSize = 0;
        if (RegEnumValueA(hKey, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS)
            break;
        Value value = {key, name, type, std::vector<BYTE>(dataSize)};
        nameSize = sizeof name;
        RegEnumValueA(hKey, i, name, &nameSize, nullptr, &type, value.data.data(), &dataSize);
        value.data.resize(dataSize);
        m_values.push_back(value);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(hKey, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY hChild;
        if (RegOpenKeyExA(hKey, name, 0, KEY_READ, &hChild) != ERROR_SUCCESS)
            continue;
        Read(hChild, key.empty() ? std::string(name) : key + "\\" + name);
        RegCloseKey(hChild);
    }
}

bool RegistrySnapshot::Restore() const
{
    DeleteKeyTree(m_hRoot, m_path);
    bool ok = true;
    for (const std::string& key : m_keys) {
        HKEY hKey;
        std::string path = key.empty() ? m_path : m_path + "\\" + key;
        if (RegCreateKeyExA(m_hRoot, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr)
            != ERROR_SUCCESS) {
            ok = false;
            continue;
        }
        for (const Value& v : m_values)
            if (v.key == key)
                ok &= RegSetValueExA(hKey, v.name.c_str(), 0, v.type, v.data.data(), (DWORD)v.data.size())
                      == ERROR_SUCCESS;
        RegCloseKey(hKey);
    }
    return ok;
}

std::string RegistrySnapshot::Text() const
{
    std::string text;
    for (const std::string& key : m_keys)
        text += "[" + key + "]\n";
    for (const Value& v : m_values) {
        char head[64];
        snprintf(head, sizeof head, " type %lu:", (unsigned long)v.type);
        text += v.key + "\\" + v.name + head;
        for (BYTE b : v.data) {
            char hex[4];
            snprintf(hex, sizeof hex, " %02X", b);
            text += hex;
        }
        text += "\n";
    }
    return text;
}
