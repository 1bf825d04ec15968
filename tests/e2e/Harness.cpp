#include "Harness.h"
#include "app/RunningCopy.h"
#include "res/resource.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/RegistrySnapshot.h"
#include "ui/VireolaDlg.h"
#include <fstream>
#include <sstream>

static const char APP_KEY[] = "Software\\Morvane\\Vireola";

static std::string TempLogPath()
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "shl", 0, path);
    return path;
}

Desktop::Desktop(const std::string& options, const char* onDesktop) : m_logPath(TempLogPath())
{
    m_process.Start("\"" + BinPath("StandInShell.exe") + "\" --log \"" + m_logPath + "\" " + options, nullptr, onDesktop);
    if (WaitFor([&] { return ListView() != nullptr || !m_process.Running(); }, 10000) && ListView())
        return;
    std::vector<std::string> said = NewMessages();
    ADD_FAILURE() << "the stand-in shell did not start: "
                  << (!m_process.Running() ? "it ended with " + std::to_string(m_process.Wait(0)) + ": " +
                                                 (said.empty() ? "" : said.back())
                      : Progman()          ? "its window has no list view"
                                           : "it runs without its window");
}

Desktop::~Desktop()
{
    Close();
    DeleteFileA(m_logPath.c_str());
}

HWND Desktop::Progman() const
{
    return FindWindowA("Progman", "Program Manager");
}

HWND Desktop::ListView() const
{
    HWND hDefView = FindWindowExA(Progman(), nullptr, "SHELLDLL_DefView", nullptr);
    for (HWND hWorker = nullptr; !hDefView && (hWorker = FindWindowExA(nullptr, hWorker, "WorkerW", nullptr));)
        hDefView = FindWindowExA(hWorker, nullptr, "SHELLDLL_DefView", nullptr);
    return FindWindowExA(hDefView ? hDefView : Progman(), nullptr, "SysListView32", nullptr);
}

COLORREF Desktop::TextColor() const
{
    return (COLORREF)Send(ListView(), LVM_GETTEXTCOLOR, 0, 0);
}

COLORREF Desktop::TextBkColor() const
{
    return (COLORREF)Send(ListView(), LVM_GETTEXTBKCOLOR, 0, 0);
}

void Desktop::Reset() const
{
    Send(Progman(), SHELL_RESET_COLORS, 0, 0);
}

void Desktop::Hang(DWORD ms, bool resetFirst) const
{
    PostMessageA(Progman(), SHELL_HANG, ms, resetFirst);
}

LRESULT Desktop::Ask(UINT message) const
{
    return Send(Progman(), message, 0, 0);
}

int Desktop::ChecksOver(DWORD ms)
{
    PumpFor(ms);
    int checks = 0;
    for (const std::string& m : NewMessages())
        checks += m == "GETTEXTBKCOLOR 0 0";
    return checks;
}

int TwicePeriodChecks(DWORD ms)
{
    return 2 * (int)(ms / WATCH_PERIOD_MS + 1);
}

int Desktop::ItemCount() const
{
    return (int)Send(ListView(), LVM_GETITEMCOUNT, 0, 0);
}

bool Desktop::LabelsAre(COLORREF text) const
{
    return TextBkColor() == CLR_NONE && TextColor() == text;
}

void Desktop::Close()
{
    if (!m_process.Running())
        return;
    PostMessageA(Progman(), WM_CLOSE, 0, 0);
    if (m_process.Wait(3000) == STILL_ACTIVE)
        m_process.Kill();
}

std::vector<std::string> Desktop::NewMessages()
{
    std::ifstream log(m_logPath);
    std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    if (all.size() > m_logRead) {
        std::istringstream fresh(all.substr(m_logRead));
        for (std::string line; std::getline(fresh, line);)
            lines.push_back(line);
        m_logRead = all.size();
    }
    return lines;
}

std::vector<std::string> Desktop::TrayRequests(size_t n, DWORD timeoutMs)
{
    WaitFor([&] {
        for (const std::string& line : NewMessages())
            if (line.rfind("TRAY", 0) == 0)
                m_tray.push_back(line);
        return m_tray.size() >= n;
    }, timeoutMs);
    return m_tray;
}

Output RunToEnd(const std::string& commandLine, DWORD timeoutMs)
{
    std::string path = TempLogPath();
    Process program("cmd /c \"" + commandLine + " > \"" + path + "\" 2>&1\"");
    Output output = {program.Wait(timeoutMs), ""};
    program.Kill();
    std::ifstream file(path);
    output.text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    file.close();
    DeleteFileA(path.c_str());
    std::printf("%s", output.text.c_str());
    return output;
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

Vireola::Vireola(const std::string& args)
{
    Start("\"" + BinPath("Vireola.exe") + "\"" + (args.empty() ? "" : " " + args));
}

OnInputDesktop::OnInputDesktop()
{
    EXPECT_EQ(0u, Error()) << "the test's desktop did not become the input desktop (SwitchDesktop, error " << Error()
                           << "): on it, Windows tells no foreground window and takes no keys";
}

Opened::Opened(const std::string& shellOptions) : desktop(shellOptions)
{
    EXPECT_TRUE(WaitFor(DialogInFront));
}

HWND FindSettingsDialog()
{
    return NextRunningCopy("Vireola");
}

bool DialogReady()
{
    return FindSettingsDialog() && ComboSelection() >= 0;
}

bool DialogVisible()
{
    return IsWindowVisible(FindSettingsDialog()) != FALSE;
}

bool DialogInFront()
{
    if (!OwnDesktopIsInput()) {
        // once a test, though a wait asks again and again
        static const ::testing::TestInfo* told;
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        if (told != test)
            ADD_FAILURE() << "asked for the dialog in front off the input desktop, where Windows' "
                             "GetForegroundWindow is NULL: hold an OnInputDesktop";
        told = test;
        return false;
    }
    return DialogVisible() && GetForegroundWindow() == FindSettingsDialog();
}

HWND DialogItem(int id)
{
    return GetDlgItem(FindSettingsDialog(), id);
}

int ComboSelection()
{
    return (int)Send(DialogItem(IDC_TEXT_COLOR), CB_GETCURSEL, 0, 0);
}

int CheckState(int id)
{
    return (int)Send(DialogItem(id), BM_GETCHECK, 0, 0);
}

void Click(int id)
{
    DWORD_PTR result;
    SendMessageTimeoutA(FindSettingsDialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        (LPARAM)DialogItem(id), SMTO_NORMAL, 5000, &result);
}

void SelectColor(int index)
{
    HWND hCombo = DialogItem(IDC_TEXT_COLOR);
    Send(hCombo, CB_SETCURSEL, index, 0);
    Send(FindSettingsDialog(), WM_COMMAND, MAKEWPARAM(IDC_TEXT_COLOR, CBN_SELCHANGE), (LPARAM)hCombo);
}

void DeleteAllSettings()
{
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Morvane");
}

bool KeyExists(const char* subKey)
{
    std::string path = std::string(APP_KEY) + (*subKey ? "\\" : "") + subKey;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

static HKEY CreateSection(const char* section)
{
    std::string path = std::string(APP_KEY) + "\\" + section;
    HKEY hKey = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    return hKey;
}

void SetValue(const char* section, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY hKey = CreateSection(section);
    RegSetValueExA(hKey, name, 0, type, (const BYTE*)data, size);
    RegCloseKey(hKey);
}

void SetDword(const char* section, const char* name, DWORD value)
{
    SetValue(section, name, REG_DWORD, &value, sizeof value);
}

bool GetDword(const char* section, const char* name, DWORD& value)
{
    std::string path = std::string(APP_KEY) + "\\" + section;
    DWORD type, size = sizeof value;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    LONG status = RegQueryValueExA(hKey, name, nullptr, &type, (BYTE*)&value, &size);
    RegCloseKey(hKey);
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value;
}

std::vector<std::string> ValueNames(const char* section)
{
    std::vector<std::string> names;
    std::string path = std::string(APP_KEY) + "\\" + section;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return names;
    char name[256];
    DWORD size = sizeof name;
    for (DWORD i = 0; RegEnumValueA(hKey, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        names.push_back(name);
        size = sizeof name;
    }
    RegCloseKey(hKey);
    return names;
}

static LRESULT CALLBACK OtherWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

OtherWindow::OtherWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OtherWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VireolaTestOtherWindow";
    RegisterClassA(&wc);
    m_hWnd = CreateWindowExA(0, wc.lpszClassName, "Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                             200, 100, nullptr, nullptr, wc.hInstance, nullptr);
}

OtherWindow::~OtherWindow()
{
    DestroyWindow(m_hWnd);
}

void OtherWindow::Activate()
{
    SetForegroundWindow(m_hWnd);
    SetActiveWindow(m_hWnd);
    PumpMessages();
}

// Ends whatever an earlier test may have left running.
static void EndLeftovers()
{
    for (HWND (*find)() : {FindSettingsDialog, +[] { return FindWindowA("Progman", "Program Manager"); }}) {
        HWND hWnd;
        while ((hWnd = find()) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(hWnd, &pid);
            HANDLE hProcess = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
            if (!hProcess)
                break;
            TerminateProcess(hProcess, 1);
            WaitForSingleObject(hProcess, 5000);
            CloseHandle(hProcess);
        }
    }
}

std::string ViewName(const ::testing::TestParamInfo<std::string>& info)
{
    bool platform = info.param.find("--shell-view") != std::string::npos;
    bool classic = info.param.find("--classic") != std::string::npos;
    return std::string(platform ? "PlatformView" : "HandMadeView") + (classic ? "ClassicLook" : "CurrentLook");
}

void EndToEnd::SetUp()
{
    EndLeftovers();
    DeleteAllSettings();
}

void EndToEnd::TearDown()
{
    EndLeftovers();
    DeleteAllSettings();
}
