// A registry key and everything below it, read once and put back exactly
// later (a key that did not exist is removed again): for tools and test
// runs that change the user's own settings on a real machine.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class RegistrySnapshot
{
public:
    RegistrySnapshot(HKEY hRoot, const std::string& path);
    bool Existed() const { return m_existed; }
    // The tree as it was read; false if any part could not be written.
    bool Restore() const;
    // Every key and value, one a line: for comparing two trees.
    std::string Text() const;

private:
    struct Value
    {
        std::string key, name;
        DWORD type;
        std::vector<BYTE> data;
    };
    void Read(HKEY hKey, const std::string& key);

    HKEY m_hRoot;
    std::string m_path;
    bool m_existed = false;
    std::vector<std::string> m_keys;   // relative to m_path, parents first; "" is the key itself
    std::vector<Value> m_values;
};

// Removes a key and everything below it.
void DeleteKeyTree(HKEY hRoot, const std::string& path);
