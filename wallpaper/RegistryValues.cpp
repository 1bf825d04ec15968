#include "RegistryValues.h"

ValueRead ValueAt(HKEY hKey, DWORD index, RegistryValue& value)
{
    value.data.Free();
    DWORD nameLength = MAX_VALUE_NAME;
    value.size = 0;
    LONG status = RegEnumValueW(hKey, index, value.name, &nameLength, nullptr, &value.type, nullptr, &value.size);
    return status == ERROR_MORE_DATA ? VALUE_SKIPPED : status == ERROR_SUCCESS ? VALUE_READ : VALUE_END;
}

void ReadValueData(HKEY hKey, RegistryValue& value)
{
    // room for a terminator that a string written without one lacks
    DWORD size = value.size, type;
    if (value.size > MAX_VALUE_BYTES || !value.data.Allocate((int)size + sizeof(WCHAR))
        || RegQueryValueExW(hKey, value.name, nullptr, &type, value.data.Data(), &size) != ERROR_SUCCESS
        || type != value.type || size != value.size)
        value.data.Free();
}
