// The real settings dialog, created hidden inside the test process as a
// silent start creates it, for what another process cannot observe.
#pragma once
#include "InProcess.h"
#include "framework/NewerWindows.h"
#include "tests/standin/TrayRecord.h"
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

// A function the program looks up, stood in for by the test's: the program
// calls the stand-in while it lives, and the real function after.
class StandIn
{
public:
    StandIn(Newer::Function function, void* pfn) : m_function(function) { Newer::Replace(function, pfn); }
    ~StandIn()
    {
        HMODULE hModule = LoadLibraryA(Newer::DllOf(m_function));
        Newer::Replace(m_function, hModule ? (void*)GetProcAddress(hModule, Newer::NameOf(m_function)) : nullptr);
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

private:
    Newer::Function m_function;
};

// Points this program's import of a system function, by its name, at the
// test's: the product's code in this process calls that instead. Gives the
// function it called before, which the test's may call on to.
void* ReplaceImport(const char* name, void* pfn);
