#include "RegistryValues.h"

ValueRead ReadValueAt(HKEY hKey, DWORD index, RegistryValue& value)
{
    value.data.Free();
    DWORD nameLength = MAX_VALUE_NAME;
    value.size = 0;
    LONG status = RegEnumValueW(hKey, index, value.name, &nameLength, nullptr, &value.type, nullptr, &value.size);
    if (status == ERROR_MORE_DATA)
        return VALUE_SKIPPED;
    if (status != ERROR_SUCCESS)
        return VALUE_END;
    if (value.size > MAX_VALUE_BYTES)
        return VALUE_READ;
    // room for a terminator that a string written without one lacks
    DWORD size = value.size;
    if (!value.data.Allocate((int)size + sizeof(WCHAR)))
        return VALUE_SKIPPED;
    DWORD type;
    status = RegQueryValueExW(hKey, value.name, nullptr, &type, value.data.Data(), &size);
    if (status != ERROR_SUCCESS || type != value.type || size != value.size) {
        value.data.Free();
        return VALUE_SKIPPED;
    }
    return VALUE_READ;
}
