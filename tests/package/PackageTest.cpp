// The installer package under Windows Installer (Wine's own, in the package
// tests' own Wine prefix): install, upgrade, downgrade, AUTOSTART=0, another
// folder, the same version built again, a per-machine installation and
// uninstall, with the shell of the desktop the installed copy runs on.
// tokens, as Windows Vista and later have them
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "InstallToken.h"
#include "Version.h"
#include "app/RunningCopy.h"
#include "shell/DesktopView.h"
#include "tests/e2e/Harness.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/Platform.h"
#include "tests/support/ViewState.h"
#include <msi.h>
#include <msiquery.h>
#include <psapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

namespace {

const char UPGRADE_CODE[] = "{7757C2D4-9466-4942-AED2-223A8FC7FB93}";
const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char SESSION_MANAGER_KEY[] = "System\\CurrentControlSet\\Control\\Session Manager";
const DWORD INSTALL_TIMEOUT_MS = 120000;
// A resident copy shows itself within this; the first start in a fresh
// prefix is the slowest.
const DWORD START_TIMEOUT_MS = 20000;

// The packages that make_packages.sh built in the build tree.
std::string Package(const char* which, const char* version)
{
    std::string path = BinPath("..\\package-test\\") + which + "\\Vireola-" + version + ".msi";
    char full[MAX_PATH];
    GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return full;
}

std::string CurrentPackage() { return Package("current", VIREOLA_VERSION_FULL); }
std::string PreviousPackage() { return Package("previous", PREVIOUS_VERSION); }
// The build's version built once more: a product code of its own.
std::string RebuiltPackage() { return Package("rebuilt", VIREOLA_VERSION_FULL); }

// The first column of a query's rows, on a package's database.
std::vector<std::string> Query(MSIHANDLE hDatabase, const char* sql)
{
    std::vector<std::string> values;
    MSIHANDLE hView = 0, hRecord = 0;
    if (MsiDatabaseOpenViewA(hDatabase, sql, &hView) != ERROR_SUCCESS || MsiViewExecute(hView, 0) != ERROR_SUCCESS)
        return values;
    for (; MsiViewFetch(hView, &hRecord) == ERROR_SUCCESS; MsiCloseHandle(hRecord)) {
        char value[256] = "";
        DWORD size = sizeof value;
        MsiRecordGetStringA(hRecord, 1, value, &size);
        values.push_back(value);
    }
    MsiCloseHandle(hView);
    return values;
}

std::string ProductCode(const std::string& package)
{
    MSIHANDLE hDatabase = 0;
    if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, &hDatabase) != ERROR_SUCCESS)
        return "<missing>";
    std::vector<std::string> code = Query(hDatabase, "SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'");
    MsiCloseHandle(hDatabase);
    return code.empty() ? "<missing>" : code[0];
}

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string ProgramsFolder() { return ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs"; }
std::string InstallFolder() { return ProgramsFolder() + "\\Vireola"; }
std::string InstalledProgram() { return InstallFolder() + "\\Vireola.exe"; }
std::string StartMenuShortcut() { return ShellFolder(CSIDL_PROGRAMS) + "\\Vireola.lnk"; }
// A folder of the user's choosing, given as INSTALLDIR.
std::string ChosenFolderParent() { return ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Tools"; }
std::string ChosenFolder() { return ChosenFolderParent() + "\\Vireola"; }

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SamePath(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// msiexec, silent, with a verbose log; its exit code.
struct Msiexec
{
    DWORD exitCode;
    std::string log;
};

// Where the installed copy runs. The installer's custom actions start it, and
// look for a running copy, on the desktop they run on: Windows runs them in
// the Windows Installer service, which puts them on the session's own
// desktop (the real one, with Explorer), whatever desktop msiexec was started
// on; Wine's installer runs them in msiexec's own process. So msiexec starts
// there too, and under Wine the copy runs where it would on Windows.
const char COPY_DESKTOP[] = "WinSta0\\Default";

// A call to run on the copy's desktop.
struct CopyDesktopCall
{
    const std::function<void()>* call;
    HDESK hDesk;
    DWORD error;
};

DWORD WINAPI RunCopyDesktopCall(void* parameter)
{
    CopyDesktopCall& job = *(CopyDesktopCall*)parameter;
    if (job.hDesk && SetThreadDesktop(job.hDesk))
        (*job.call)();
    else
        job.error = GetLastError();
    return 0;
}

// Runs the call on a thread of its own on the copy's desktop, since window
// look-ups and messages stay within a desktop.
void RunOnCopyDesktop(const std::function<void()>& call)
{
    const DWORD ACCESS = DESKTOP_READOBJECTS | DESKTOP_WRITEOBJECTS | DESKTOP_ENUMERATE | DESKTOP_CREATEWINDOW
                       | DESKTOP_CREATEMENU;
    CopyDesktopCall job = {&call, OpenDesktopA("Default", 0, FALSE, ACCESS), 0};
    HANDLE hThread = CreateThread(nullptr, 0, RunCopyDesktopCall, &job, 0, nullptr);
    // each call waits a bounded while itself; the thread uses the job to its end
    if (!WaitFor([&] { return WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0; }, 3 * START_TIMEOUT_MS)) {
        ADD_FAILURE() << "a call on " << COPY_DESKTOP << " has not ended";
        WaitForSingleObject(hThread, INFINITE);
    }
    CloseHandle(hThread);
    if (job.hDesk)
        CloseDesktop(job.hDesk);
    EXPECT_EQ(0u, job.error) << "cannot reach " << COPY_DESKTOP << ", where the installed copy runs";
}

template <class Call> auto OnCopyDesktop(Call call) -> decltype(call())
{
    decltype(call()) result{};
    RunOnCopyDesktop([&] { result = call(); });
    return result;
}

// The shell of the copy's desktop: on Windows Explorer's, which the tests
// leave alone but for the label colours; under Wine the stand-in with its
// taskbar, started there (the package prefix's desktop has no shell).
class CopyShell
{
public:
    CopyShell()
    {
        if (RunningOnWine())
            OnCopyDesktop([&] { return !!(m_standIn = std::make_unique<Desktop>("--taskbar", COPY_DESKTOP)); });
    }
    ~CopyShell()
    {
        OnCopyDesktop([&] { m_standIn.reset(); return true; });
    }
    // The stand-in, whose taskbar logs the icon requests it gets; none on
    // Windows, whose taskbar keeps no log.
    Desktop* StandIn() const { return m_standIn.get(); }

private:
    std::unique_ptr<Desktop> m_standIn;
};

// The settings dialog of a copy on the copy's desktop, or none.
HWND CopysDialog()
{
    return OnCopyDesktop(FindSettingsDialog);
}

// SILENT: /qn, as a fleet tool or winget runs the package; FULL: msiexec's
// own interface, which a double click on the package gets (no /q). A package
// with no dialogs of its own needs no click in either.
enum Interface { SILENT, FULL };

Msiexec RunMsiexec(const std::string& arguments, Rights rights = AS_USER, Interface ui = SILENT)
{
    char dir[MAX_PATH], logPath[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "msi", 0, logPath);
    HANDLE hToken;
    std::string said;
    if (!TakeToken(rights, &hToken, said)) {
        ADD_FAILURE() << said;
        return {(DWORD)-1, said};
    }
    Process msiexec;
    EXPECT_TRUE(msiexec.Start("msiexec " + arguments + (ui == SILENT ? " /qn" : "") + " /l*v \"" + logPath + "\"",
                              hToken, COPY_DESKTOP))
        << "msiexec with " << said << ": error " << GetLastError();
    if (hToken)
        CloseHandle(hToken);
    Msiexec result = {msiexec.Wait(INSTALL_TIMEOUT_MS), ""};
    std::ifstream log(logPath);
    result.log.assign(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
    log.close();
    DeleteFileA(logPath);
    return result;
}

DWORD Install(const std::string& package, const std::string& properties = "", Rights rights = AS_USER,
              Interface ui = SILENT)
{
    Msiexec run = RunMsiexec("/i \"" + package + "\" " + properties, rights, ui);
    EXPECT_EQ(0u, run.exitCode) << run.log;
    return run.exitCode;
}

// The products of this package's upgrade code that are installed.
std::vector<std::string> InstalledProducts()
{
    std::vector<std::string> codes;
    char code[39];
    for (DWORD i = 0; MsiEnumRelatedProductsA(UPGRADE_CODE, 0, i, code) == ERROR_SUCCESS; ++i)
        codes.push_back(code);
    return codes;
}

std::string ProductInfo(const std::string& code, const char* property)
{
    char value[MAX_PATH];
    DWORD size = sizeof value;
    if (MsiGetProductInfoA(code.c_str(), property, value, &size) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

// false when the value is missing
bool RunValue(std::string& value)
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    char data[MAX_PATH];
    DWORD type, size = sizeof data;
    LONG status = RegQueryValueExA(hKey, "Vireola", nullptr, &type, (BYTE*)data, &size);
    RegCloseKey(hKey);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return false;
    value.assign(data, size ? size - 1 : 0);
    return true;
}

struct Shortcut
{
    std::string target, arguments;
};

bool ReadShortcut(const std::string& path, Shortcut& shortcut)
{
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    bool read = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link))
        && SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
        WCHAR widePath[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
        char target[MAX_PATH] = "", arguments[MAX_PATH] = "";
        read = SUCCEEDED(file->Load(widePath, STGM_READ))
            && SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0))
            && SUCCEEDED(link->GetArguments(arguments, MAX_PATH));
        shortcut = {target, arguments};
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    return read;
}

// The numeric file version, most significant half first.
std::pair<DWORD, DWORD> FileVersion(const std::string& path)
{
    DWORD handle;
    std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), &handle));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (info.empty() || !GetFileVersionInfoA(path.c_str(), 0, (DWORD)info.size(), info.data())
        || !VerQueryValueA(info.data(), "\\", (void**)&fixed, &size))
        return {0, 0};
    return {fixed->dwFileVersionMS, fixed->dwFileVersionLS};
}

const std::pair<DWORD, DWORD> BUILT_VERSION = {MAKELONG(VIREOLA_VERSION_MINOR, VIREOLA_VERSION_MAJOR),
                                               MAKELONG(VIREOLA_VERSION_BUILD, VIREOLA_VERSION_PATCH)};

// Processes of the program, whoever started them and whether or not they
// have a window yet.
int ProgramProcesses()
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(hSnapshot, &entry); more; more = Process32Next(hSnapshot, &entry))
        count += lstrcmpiA(entry.szExeFile, "Vireola.exe") == 0;
    CloseHandle(hSnapshot);
    return count;
}

// The copy of the program that runs now: its dialog, and its process opened
// to tell where it runs from and to see it end.
class RunningCopy
{
public:
    RunningCopy()
    {
        EXPECT_TRUE(OnCopyDesktop([] { return WaitFor(DialogReady, START_TIMEOUT_MS); }))
            << "no copy of the program is running on " << COPY_DESKTOP;
        m_hDlg = CopysDialog();
        GetWindowThreadProcessId(m_hDlg, &m_pid);
        m_hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, m_pid);
    }
    ~RunningCopy()
    {
        if (m_hProcess)
            CloseHandle(m_hProcess);
    }
    std::string Image() const
    {
        char path[MAX_PATH] = "";
        GetModuleFileNameExA(m_hProcess, nullptr, path, MAX_PATH);
        return path;
    }
    bool Running() const
    {
        return WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
    }
    // The exit code once it has ended, or STILL_ACTIVE.
    DWORD ExitCode() const
    {
        WaitFor([&] { return !Running(); });
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_hProcess, &code);
        return code;
    }
    // The stand-in taskbar's log line for the deletion of this copy's icon.
    std::string IconDeleteRequest() const
    {
        return "TRAY 2 hwnd=" + std::to_string((DWORD)(UINT_PTR)m_hDlg) + " ";
    }

    HWND m_hDlg = nullptr;
    DWORD m_pid = 0;
    HANDLE m_hProcess = nullptr;
};

// The labels of the copy's desktop show yellow on no background.
bool LabelsAreYellow()
{
    return WaitFor([] {
        return OnCopyDesktop([] {
            ViewState view = ReadView(FindDesktopListView());
            return view.answered && view.text == YELLOW && view.textBk == CLR_NONE;
        });
    });
}

bool HasLine(const std::vector<std::string>& log, const std::string& start)
{
    return std::any_of(log.begin(), log.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

// Every test starts with no package installed and nothing of one left, the
// yellow entry stored and re-apply on, so that a started copy stays resident.
// On Windows the packages install into the profile of the user who runs
// the tests, and uninstall whatever Vireola is installed there: only when
// asked. Under Wine they have a prefix of their own.
bool InstallAllowed()
{
    const char* asked = getenv("VIREOLA_TEST_INSTALL");
    return RunningOnWine() || (asked && !strcmp(asked, "1"));
}

class Package : public EndToEnd
{
protected:
    void SetUp() override
    {
        if (!InstallAllowed())
            GTEST_SKIP() << "installs into this user's profile on " << PlatformName()
                         << ": set VIREOLA_TEST_INSTALL=1 to run it";
        HANDLE hToken;
        std::string asUser, elevated;
        if (!TakeToken(AS_USER, &hToken, asUser))
            GTEST_SKIP() << "cannot install with the user's own rights: " << asUser
                         << ". Run the tests from a prompt that is not elevated.";
        if (hToken)
            CloseHandle(hToken);
        if (TakeToken(ELEVATED, &hToken, elevated) && hToken)
            CloseHandle(hToken);
        std::printf("Installs as the user with %s; elevated: %s.\n", asUser.c_str(), elevated.c_str());
        std::printf(RunningOnWine() ? "Wine's installer runs its custom actions in msiexec, started on %s of the "
                                      "package prefix, where the stand-in shell is.\n"
                                    : "The installer's custom actions run in the Windows Installer service, on %s: "
                                      "the installed copy runs on the real desktop, beside Explorer, and colours its "
                                      "labels yellow while the test runs.\n",
                    COPY_DESKTOP);
        m_installs = true;
        EndToEnd::SetUp();
        RemoveInstallation();
        m_shellLook = OnCopyDesktop([] { return ReadView(FindDesktopListView()); });
        SetDword("Settings", "TextColorIndex", YELLOW_INDEX);
        SetDword("Settings", "ReApply", 1);
    }
    void TearDown() override
    {
        if (!m_installs)
            return;
        RemoveInstallation();
        // the real desktop's labels as they were, once no copy runs to colour them
        if (m_shellLook.answered)
            OnCopyDesktop([&] { return WriteView(FindDesktopListView(), m_shellLook); });
        EndToEnd::TearDown();
    }
    bool m_installs = false;
    // the look of the labels on the copy's desktop before the test: Explorer's
    // on Windows (none under Wine, where the stand-in comes and goes with a test)
    ViewState m_shellLook = {};
    static void RemoveInstallation()
    {
        for (const std::string& code : InstalledProducts())
            RunMsiexec("/x " + code);
        HKEY hKey;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS) {
            RegDeleteValueA(hKey, "Vireola");
            RegCloseKey(hKey);
        }
        DeleteFileA(StartMenuShortcut().c_str());
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS) {
            RegDeleteValueA(hKey, "PendingFileRenameOperations");
            RegCloseKey(hKey);
        }
        RemoveFolder(InstallFolder());
        RemoveFolder(ProgramsFolder());
        RemoveFolder(ChosenFolder());
        RemoveFolder(ChosenFolderParent());
    }
    // A file that was in use is left for a restart, under another name.
    static void RemoveFolder(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        HANDLE hFind = FindFirstFileA((folder + "\\*").c_str(), &found);
        for (BOOL more = hFind != INVALID_HANDLE_VALUE; more; more = FindNextFileA(hFind, &found))
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
        if (hFind != INVALID_HANDLE_VALUE)
            FindClose(hFind);
        RemoveDirectoryA(folder.c_str());
    }
    void ExpectSettingsKept()
    {
        DWORD index = 0, reApply = 0;
        EXPECT_TRUE(GetDword("Settings", "TextColorIndex", index) && index == (DWORD)YELLOW_INDEX);
        EXPECT_TRUE(GetDword("Settings", "ReApply", reApply) && reApply == 1);
    }
};

TEST_F(Package, InstallsTheProgramItsShortcutAndItsStartAtLogonAndStartsIt)
{
    CopyShell shell;
    ASSERT_EQ(0u, Install(CurrentPackage()));

    EXPECT_EQ(BUILT_VERSION, FileVersion(InstalledProgram()));
    Shortcut shortcut;
    ASSERT_TRUE(ReadShortcut(StartMenuShortcut(), shortcut));
    EXPECT_TRUE(SamePath(InstalledProgram(), shortcut.target)) << shortcut.target;
    EXPECT_EQ("/f", shortcut.arguments);
    std::string run;
    ASSERT_TRUE(RunValue(run));
    EXPECT_TRUE(SamePath("\"" + InstalledProgram() + "\" /logon", run)) << run;

    // the entry in Apps & features, with the program's icon
    std::vector<std::string> products = InstalledProducts();
    ASSERT_EQ(1u, products.size());
    EXPECT_EQ("Vireola " VIREOLA_VERSION_TEXT, ProductInfo(products[0], INSTALLPROPERTY_INSTALLEDPRODUCTNAME));
    EXPECT_EQ("Morvane", ProductInfo(products[0], INSTALLPROPERTY_PUBLISHER));
    EXPECT_EQ(VIREOLA_VERSION_MSI, ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING));
    EXPECT_TRUE(Exists(ProductInfo(products[0], INSTALLPROPERTY_PRODUCTICON)));

    RunningCopy copy;
    EXPECT_TRUE(SamePath(InstalledProgram(), copy.Image())) << copy.Image();
    EXPECT_TRUE(LabelsAreYellow());
}

TEST_F(Package, WithAutostartOffWritesNoRunValueAndStartsNothing)
{
    CopyShell shell;
    ASSERT_EQ(0u, Install(CurrentPackage(), "AUTOSTART=0"));
    EXPECT_TRUE(Exists(InstalledProgram()));
    EXPECT_TRUE(Exists(StartMenuShortcut()));
    std::string run;
    EXPECT_FALSE(RunValue(run)) << run;
    // a copy started without waiting would exist by the time msiexec ends
    EXPECT_EQ(0, ProgramProcesses());
    EXPECT_EQ(nullptr, CopysDialog());
}

// Started by an installer run as administrator, the program would run
// elevated, out of reach of the shell's messages and of a later upgrade.
TEST_F(Package, AnElevatedInstallLeavesTheStartToTheLogon)
{
    HANDLE hToken;
    std::string said;
    if (!TakeToken(ELEVATED, &hToken, said))
        GTEST_SKIP() << said;
    if (hToken)
        CloseHandle(hToken);
    CopyShell shell;
    ASSERT_EQ(0u, Install(CurrentPackage(), "", ELEVATED));
    EXPECT_TRUE(Exists(InstalledProgram()));
    std::string run;
    EXPECT_TRUE(RunValue(run)) << "no start at logon";
    EXPECT_EQ(0, ProgramProcesses());
    EXPECT_EQ(nullptr, CopysDialog());
}

TEST_F(Package, AnUpgradeKeepsTheChoiceOfNoStartAtLogon)
{
    CopyShell shell;
    ASSERT_EQ(0u, Install(PreviousPackage(), "AUTOSTART=0"));
    ASSERT_EQ(0u, Install(CurrentPackage()));
    EXPECT_EQ(BUILT_VERSION, FileVersion(InstalledProgram()));
    std::string run;
    EXPECT_FALSE(RunValue(run)) << run;
    EXPECT_EQ(0, ProgramProcesses());
}

TEST_F(Package, UpgradeEndsTheResidentOldCopyAndStartsTheNewOne)
{
    CopyShell shell;
    ASSERT_EQ(0u, Install(PreviousPackage()));
    RunningCopy old;
    if (Desktop* standIn = shell.StandIn()) {
        ASSERT_EQ(1u, standIn->TrayRequests(1).size());
    }
    ASSERT_NE(BUILT_VERSION, FileVersion(InstalledProgram()));

    ASSERT_EQ(0u, Install(CurrentPackage()));
    EXPECT_EQ(0u, old.ExitCode());
    if (Desktop* standIn = shell.StandIn()) {
        EXPECT_TRUE(HasLine(standIn->TrayRequests(2), old.IconDeleteRequest()));
    }

    std::vector<std::string> products = InstalledProducts();
    ASSERT_EQ(1u, products.size());
    EXPECT_EQ(VIREOLA_VERSION_MSI, ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING));
    EXPECT_EQ(BUILT_VERSION, FileVersion(InstalledProgram()));

    RunningCopy upgraded;
    EXPECT_NE(old.m_pid, upgraded.m_pid);
    EXPECT_TRUE(SamePath(InstalledProgram(), upgraded.Image())) << upgraded.Image();
    EXPECT_TRUE(LabelsAreYellow());
    ExpectSettingsKept();
}

TEST_F(Package, AnOlderPackageIsRefusedAndTheNewerOneStays)
{
    CopyShell shell;
    ASSERT_EQ(0u, Install(CurrentPackage()));
    RunningCopy copy;

    // Wine's installer logs no launch condition's message (the tables hold
    // it: check_release.sh tables)
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, RunMsiexec("/i \"" + PreviousPackage() + "\"").exitCode);

    std::vector<std::string> products = InstalledProducts();
    ASSERT_EQ(1u, products.size());
    EXPECT_EQ(VIREOLA_VERSION_MSI, ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING));
    EXPECT_EQ(BUILT_VERSION, FileVersion(InstalledProgram()));
    // the refusal comes before anything is touched: the copy runs on
    EXPECT_TRUE(copy.Running());
}

TEST_F(Package, UninstallEndsTheResidentCopyAndRemovesAllButTheSettings)
{
    CopyShell shell;
    ASSERT_EQ(0u, Install(CurrentPackage()));
    RunningCopy copy;
    if (Desktop* standIn = shell.StandIn()) {
        ASSERT_EQ(1u, standIn->TrayRequests(1).size());
    }

    Msiexec uninstall = RunMsiexec("/x \"" + CurrentPackage() + "\"");
    ASSERT_EQ(0u, uninstall.exitCode) << uninstall.log;
    EXPECT_EQ(0u, copy.ExitCode());
    if (Desktop* standIn = shell.StandIn()) {
        EXPECT_TRUE(HasLine(standIn->TrayRequests(2), copy.IconDeleteRequest()));
    }

    EXPECT_FALSE(Exists(InstalledProgram()));
    EXPECT_FALSE(Exists(InstallFolder()));
    EXPECT_FALSE(Exists(ProgramsFolder()));
    EXPECT_FALSE(Exists(StartMenuShortcut()));
    std::string run;
    EXPECT_FALSE(RunValue(run)) << run;
    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_EQ(0, ProgramProcesses());
    ExpectSettingsKept();
}

// Per machine, the program would live in a profile nobody logs on to: the
// package refuses before it touches anything. ALLUSERS=2 is per machine for
// an administrator, as the prefix's user is.
TEST_F(Package, APerMachineInstallationIsRefused)
{
    for (const char* properties : {"ALLUSERS=1", "ALLUSERS=2"}) {
        SCOPED_TRACE(properties);
        EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, RunMsiexec("/i \"" + CurrentPackage() + "\" " + properties).exitCode);
        EXPECT_TRUE(InstalledProducts().empty());
        EXPECT_FALSE(Exists(InstalledProgram()));
        std::string run;
        EXPECT_FALSE(RunValue(run)) << run;
    }
}

// The token an installation runs with, for each set of tokens a process may
// have. Wine's is only the first: the others are Windows', which no test here
// can be run in.
TEST(PackageTokens, EachInstallationGetsATokenOfTheRightsItAsksFor)
{
    const TOKEN_ELEVATION_TYPE FULL = TokenElevationTypeFull, LIMITED = TokenElevationTypeLimited,
                               DEFAULT = TokenElevationTypeDefault;
    struct Case
    {
        const char* name;
        TokenFacts facts;
        TokenChoice asUser, elevated;
    };
    const Case CASES[] = {
        {"Wine: every process elevated, the user's own token linked and handed out", {FULL, true, LIMITED},
         LINKED_TOKEN, OWN_TOKEN},
        {"User Account Control off (GitHub's runners): one level, no linked token", {DEFAULT, false, DEFAULT},
         OWN_TOKEN, NO_TOKEN},
        {"a prompt that is not elevated: the elevated token only to identify", {LIMITED, false, FULL}, OWN_TOKEN,
         NO_TOKEN},
        {"an elevated prompt without SeTcbPrivilege: the user's own token only to identify", {FULL, false, LIMITED},
         NO_TOKEN, OWN_TOKEN},
        {"an elevated prompt with SeTcbPrivilege", {FULL, true, LIMITED}, LINKED_TOKEN, OWN_TOKEN},
        {"a prompt that is not elevated, with SeTcbPrivilege", {LIMITED, true, FULL}, OWN_TOKEN, LINKED_TOKEN},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.asUser, ChooseToken(c.facts, AS_USER));
        EXPECT_EQ(c.elevated, ChooseToken(c.facts, ELEVATED));
    }
}

// What a device-wide deployment is, Wine's installer cannot be: the package's
// launch conditions, as Windows Installer evaluates them, with the
// properties each way of installing gives.
TEST(PackageConditions, OnlyTheUsersOwnInstallationPasses)
{
    const char USER_SID[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
    const char LOCAL_SYSTEM_SID[] = "S-1-5-18";
    struct Context
    {
        const char* name;
        const char* allUsers;
        const char* userSid;
        bool allowed;
    };
    const Context CONTEXTS[] = {
        // ALLUSERS=2 MSIINSTALLPERUSER=1, or ALLUSERS=2 without administrator
        // rights: the installer empties ALLUSERS before the conditions
        {"the user's own", "", USER_SID, true},
        // ALLUSERS=2 as an administrator: the installer makes it 1
        {"ALLUSERS=1", "1", USER_SID, false},
        {"a device-wide deployment (Intune device context, Group Policy assigned to the computer)", "1",
         LOCAL_SYSTEM_SID, false},
        {"the system account without ALLUSERS", "", LOCAL_SYSTEM_SID, false},
    };

    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    MSIHANDLE hPackage = 0;
    ASSERT_EQ((UINT)ERROR_SUCCESS, MsiOpenPackageExA(CurrentPackage().c_str(), MSIOPENPACKAGEFLAGS_IGNOREMACHINESTATE,
                                                     &hPackage));
    MSIHANDLE hDatabase = MsiGetActiveDatabase(hPackage);
    std::vector<std::string> conditions = Query(hDatabase, "SELECT `Condition` FROM `LaunchCondition`");
    MsiCloseHandle(hDatabase);
    ASSERT_FALSE(conditions.empty());

    for (const Context& context : CONTEXTS) {
        SCOPED_TRACE(context.name);
        MsiSetPropertyA(hPackage, "ALLUSERS", context.allUsers);
        MsiSetPropertyA(hPackage, "UserSID", context.userSid);
        bool allowed = std::all_of(conditions.begin(), conditions.end(), [&](const std::string& condition) {
            return MsiEvaluateConditionA(hPackage, condition.c_str()) == MSICONDITION_TRUE;
        });
        EXPECT_EQ(context.allowed, allowed);
    }
    MsiCloseHandle(hPackage);
}

TEST_F(Package, APackageOfTheSameVersionBuiltAgainReplacesTheInstalledOne)
{
    const std::string rebuiltCode = ProductCode(RebuiltPackage());
    ASSERT_NE(ProductCode(CurrentPackage()), rebuiltCode);
    ASSERT_EQ(0u, Install(CurrentPackage(), "AUTOSTART=0"));
    ASSERT_EQ(0u, Install(RebuiltPackage()));

    std::vector<std::string> products = InstalledProducts();
    ASSERT_EQ(1u, products.size());
    EXPECT_EQ(rebuiltCode, products[0]);
    EXPECT_EQ(BUILT_VERSION, FileVersion(InstalledProgram()));
}

// With the full interface the client resolves the folders (CostFinalize)
// before the installation proper starts, and hands them on: the remembered
// folder must be read there too, or a double click upgrades into the default.
TEST_F(Package, AnUpgradeKeepsTheFolderGivenAtTheFirstInstallation)
{
    for (Interface ui : {SILENT, FULL}) {
        SCOPED_TRACE(ui == SILENT ? "upgraded silently (/qn)" : "upgraded with the full interface (a double click)");
        RemoveInstallation();
        ASSERT_EQ(0u, Install(PreviousPackage(), "AUTOSTART=0 INSTALLDIR=\"" + ChosenFolder() + "\""));
        ASSERT_TRUE(Exists(ChosenFolder() + "\\Vireola.exe"));
        Msiexec upgrade = RunMsiexec("/i \"" + CurrentPackage() + "\"", AS_USER, ui);
        ASSERT_EQ(0u, upgrade.exitCode) << upgrade.log;
        // the installer's own record of the interface it ran with: 5 full, 2 none
        EXPECT_TRUE(Has(upgrade.log, ui == SILENT ? "UILevel = 2" : "UILevel = 5")) << upgrade.log;

        EXPECT_EQ(BUILT_VERSION, FileVersion(ChosenFolder() + "\\Vireola.exe"));
        EXPECT_FALSE(Exists(InstalledProgram()));
        Shortcut shortcut;
        ASSERT_TRUE(ReadShortcut(StartMenuShortcut(), shortcut));
        EXPECT_TRUE(SamePath(ChosenFolder() + "\\Vireola.exe", shortcut.target)) << shortcut.target;

        ASSERT_EQ(0u, RunMsiexec("/x \"" + CurrentPackage() + "\"").exitCode);
        EXPECT_FALSE(Exists(ChosenFolder()));
    }
}

// A window that passes for a running copy in all but its file, first in the
// order the installer's custom action searches in, in another process.
TEST_F(Package, UninstallEndsOnlyTheInstalledCopyNotAWindowThatLooksLikeIt)
{
    CopyShell shell;
    Desktop* standIn = shell.StandIn();
    if (!standIn)
        GTEST_SKIP() << "the look-alike is the stand-in shell's, which would be a second desktop shell beside "
                        "Explorer's on " << COPY_DESKTOP;
    ASSERT_EQ(0u, Install(CurrentPackage()));
    RunningCopy copy;
    HWND hLookAlike = OnCopyDesktop([&] { return (HWND)standIn->Ask(SHELL_MAKE_LOOK_ALIKE); });
    ASSERT_EQ(hLookAlike, OnCopyDesktop([] { return NextRunningCopy("Vireola"); }));

    ASSERT_EQ(0u, RunMsiexec("/x \"" + CurrentPackage() + "\"").exitCode);
    EXPECT_EQ(0u, copy.ExitCode());
    EXPECT_TRUE(IsWindow(hLookAlike));
    EXPECT_EQ(0, OnCopyDesktop([&] { return standIn->Ask(SHELL_LOOK_ALIKE_CLICKS); }));
}

} // namespace
