// The installer's custom action that tells whether the installation runs
// elevated (msiexec started as administrator). A copy of the program started
// from there would run at high integrity, where Windows filters out the
// shell's messages to it and a later installation without elevation could
// not end it: the installer then leaves the start to the next logon. Only a
// token elevated above the user's own counts: with User Account Control off,
// or as the built-in Administrator, everything runs at one level.
// (Windows Installer's MsiRunningElevated says so on Windows, but Wine's sets
// it whatever the installer's rights: the token is what tells.)
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

extern "C" __declspec(dllexport) UINT __stdcall NoteElevation(MSIHANDLE hInstall)
{
    // an immediate custom action may run impersonating the installing user
    HANDLE hToken;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &hToken)
        && !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return ERROR_SUCCESS;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size;
    BOOL known = GetTokenInformation(hToken, TokenElevationType, &type, sizeof type, &size);
    CloseHandle(hToken);
    if (known && type == TokenElevationTypeFull)
        MsiSetPropertyA(hInstall, "InstallerElevated", "1");
    return ERROR_SUCCESS;
}
