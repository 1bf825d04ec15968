// The real settings dialog, created hidden inside the test process as a
// silent start creates it, for what another process cannot observe.
#pragma once
#include "InProcess.h"
#include "tools/TrayRecord.h"
#include "ui/VireolaDlg.h"
#include <vector>

HWND CreateHiddenDialog();
void DestroyDialog();
// The last notification-icon request the test's own taskbar received, with
// the size of its icon.
TrayRecord LastTrayRequest();
// The requests (NIM_ADD, ...) it received since the last call.
std::vector<DWORD> TakeTrayRequests();
// Whether it answers every request as failed.
void RefuseTrayRequests(bool refuse);

// A user hive with a "Software" key and the icon option off, and no dialog
// left over when a test ends.
class HostedDialog : public RedirectedHive
{
protected:
    void SetUp() override;
    void TearDown() override;

    static constexpr const char* SETTINGS_KEY = "Software\\Morvane\\Vireola\\Settings";
    static constexpr const char* CUSTOM_KEY = "Software\\Morvane\\Vireola\\CustomColors";
};
