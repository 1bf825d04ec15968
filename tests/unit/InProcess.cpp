#include "InProcess.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "tests/support/RegistryDump.h"
#include <shlwapi.h>

static const char SCRATCH_KEY[] = "Software\\Morvane\\VireolaInProcessTest";

TestApp::TestApp() : CWinApp(IDS_APP_TITLE)
{
    m_hInstance = GetModuleHandleA(nullptr);
    LoadStringA(m_hInstance, m_nIDTitle, m_szAppName, sizeof m_szAppName);
}

void RedirectedHive::SetUp()
{
    SHDeleteKeyA(HKEY_CURRENT_USER, SCRATCH_KEY);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, SCRATCH_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &m_hHive, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, m_hHive));
    SetSettingsCompanyKey();
}

void RedirectedHive::TearDown()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(m_hHive);
    SHDeleteKeyA(HKEY_CURRENT_USER, SCRATCH_KEY);
}

void RedirectedHive::MakeSoftwareKey()
{
    HKEY hSoftware;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_hHive, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &hSoftware, nullptr));
    RegCloseKey(hSoftware);
}

bool RedirectedHive::HiveHas(const char* path)
{
    HKEY hKey;
    if (RegOpenKeyExA(m_hHive, path, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

std::string RedirectedHive::Dump(const char* path)
{
    return DumpKey(m_hHive, path);
}

void RedirectedHive::SetValue(const char* path, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_hHive, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
    RegSetValueExA(hKey, name, 0, type, (const BYTE*)data, size);
    RegCloseKey(hKey);
}

std::string StoredShape::What() const
{
    return "type " + std::to_string(type) + ", " + std::to_string(data.size()) + " bytes";
}

LONG StoredShape::AsRead(LONG nDefault) const
{
    if (data.size() > 4)
        return nDefault;
    DWORD value = 0;
    for (size_t i = 0; i < data.size(); ++i)
        value |= (DWORD)data[i] << (8 * i);
    return (LONG)value;
}

bool StoredShape::CanReadAs(LONG value, LONG nDefault) const
{
    bool text = type == REG_SZ || type == REG_MULTI_SZ || type == REG_EXPAND_SZ;
    return value == AsRead(nDefault) || (text && value == nDefault);
}

std::vector<StoredShape> EveryTypeAndLength()
{
    std::vector<StoredShape> shapes;
    for (DWORD type : {(DWORD)REG_SZ, (DWORD)REG_BINARY, (DWORD)REG_QWORD, (DWORD)REG_MULTI_SZ, (DWORD)REG_DWORD})
        for (size_t length : {0, 1, 2, 3, 4, 5, 6, 7, 8, 300}) {
            std::vector<BYTE> data(length);
            for (size_t i = 0; i < length; ++i)
                data[i] = (BYTE)(i % 2 ? 0x80 + i : '1' + i);
            shapes.push_back({type, data});
        }
    return shapes;
}
