// The built executable itself: what it imports, its version record, its
// manifest and its dialog templates.
#include "Harness.h"
#include "Version.h"
#include "framework/NewerWindows.h"
#include "res/resource.h"
#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

namespace {

std::vector<char> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// What a 32-bit PE file imports: DLL names, and the functions imported by
// name, both at load time and delay-loaded.
struct Imports
{
    std::vector<std::string> dlls, functions;
};

Imports ImportsOf(const std::vector<char>& image)
{
    Imports imports;
    const auto* dos = (const IMAGE_DOS_HEADER*)image.data();
    const auto* nt = (const IMAGE_NT_HEADERS32*)(image.data() + dos->e_lfanew);
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    auto at = [&](DWORD rva) -> const char* {
        for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize)
                return image.data() + rva - s.VirtualAddress + s.PointerToRawData;
        }
        return nullptr;
    };
    auto addFunctions = [&](DWORD thunks) {
        for (const auto* t = (const IMAGE_THUNK_DATA32*)at(thunks); t && t->u1.AddressOfData; ++t)
            if (!(t->u1.Ordinal & IMAGE_ORDINAL_FLAG32))
                imports.functions.push_back(((const IMAGE_IMPORT_BY_NAME*)at(t->u1.AddressOfData))->Name);
    };
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = (const IMAGE_IMPORT_DESCRIPTOR*)at(dir.VirtualAddress); d && d->Name; ++d) {
        std::string name = at(d->Name);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        imports.dlls.push_back(name);
        addFunctions(d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk);
    }
    const IMAGE_DATA_DIRECTORY& delay = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    for (auto* d = (const IMAGE_DELAYLOAD_DESCRIPTOR*)at(delay.VirtualAddress); d && d->DllNameRVA; ++d)
        addFunctions(d->ImportNameTableRVA);
    return imports;
}

TEST(Executable, IsA32BitGuiProgramThatImportsOnlySystemDlls)
{
    std::vector<char> image = ReadFile(BinPath("Vireola.exe"));
    ASSERT_GT(image.size(), 1024u);
    const auto* nt = (const IMAGE_NT_HEADERS32*)(image.data() + ((const IMAGE_DOS_HEADER*)image.data())->e_lfanew);
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt->FileHeader.Machine);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);

    const std::vector<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll",
                                             "comdlg32.dll", "shell32.dll", "shlwapi.dll", "advapi32.dll", "msvcrt.dll"};
    Imports imports = ImportsOf(image);
    const std::vector<std::string>& dlls = imports.dlls;
    EXPECT_FALSE(dlls.empty());
    for (const std::string& dll : dlls)
        EXPECT_NE(system.end(), std::find(system.begin(), system.end(), dll)) << dll;

    // the dialog's libraries load when the dialog is made, the wallpaper's
    // when its entry is chosen, not at every start
    for (const char* dll : {"comctl32.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll", "ole32.dll", "oleaut32.dll",
                            "oleacc.dll", "windowscodecs.dll"})
        EXPECT_EQ(dlls.end(), std::find(dlls.begin(), dlls.end(), dll)) << dll;

    // Functions that Windows 7 or Wine lacks are looked up at run time: one
    // in the import table would keep the program from loading there.
    const std::vector<std::string>& functions = imports.functions;
    ASSERT_NE(functions.end(), std::find(functions.begin(), functions.end(), "SetTimer")) << "no names read";
    std::vector<std::string> newer = {"SetDialogDpiChangeBehavior", "SetThreadDpiAwarenessContext"};
    for (int i = 0; i < Newer::FUNCTION_COUNT; ++i)
        newer.push_back(Newer::NameOf((Newer::Function)i));
    for (const std::string& name : newer)
        EXPECT_EQ(functions.end(), std::find(functions.begin(), functions.end(), name)) << name;
}

// 64 KiB until the wallpaper's entry brought its reading, decoding, placing
// and watching, 72 KiB until it followed the shell's copies and its folder
// view, 80 KiB until it proved each copy by its record, kept its colour for
// its picture and turned photographs as shown (docs/figures.md)
TEST(Executable, StaysUnder84KiBWithEverythingInIt)
{
    EXPECT_LT(ReadFile(BinPath("Vireola.exe")).size(), 84u * 1024);
}

std::string VersionString(const std::vector<char>& info, const char* name)
{
    char* value = nullptr;
    UINT size = 0;
    std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), (void**)&value, &size))
        return "<missing>";
    return std::string(value, size ? size - 1 : 0);
}

TEST(Executable, CarriesItsVersionRecord)
{
    std::string path = BinPath("Vireola.exe");
    DWORD handle;
    std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), &handle));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, (DWORD)info.size(), info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", (void**)&fixed, &size));
    EXPECT_EQ(MAKELONG(VIREOLA_VERSION_MINOR, VIREOLA_VERSION_MAJOR), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(VIREOLA_VERSION_BUILD, VIREOLA_VERSION_PATCH), fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_TRUE(fixed->dwFileFlags & VS_FF_SPECIALBUILD);

    // the strings name the same version as the numbers: major, two-digit minor
    char text[16];
    snprintf(text, sizeof text, "%u.%02u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", (void**)&translation, &size));
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1200, translation[1]);

    const std::pair<const char*, const char*> strings[] = {
        {"FileDescription", "Vireola Application"},
        {"ProductName", "Vireola Application"},
        {"FileVersion", text},
        {"ProductVersion", text},
        {"InternalName", "Vireola"},
        {"OriginalFilename", "Vireola.exe"},
        {"SpecialBuild", "Development Version"},
        {"Comments", "This program is provided as is with no warranty expressed or implied. You have been warned."},
        {"CompanyName", ""},
    };
    for (const auto& s : strings)
        EXPECT_EQ(s.second, VersionString(info, s.first)) << s.first;
}

// The executable's resources, read as data.
class Resources
{
public:
    Resources() : m_hModule(LoadLibraryExA(BinPath("Vireola.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Resources() { FreeLibrary(m_hModule); }
    const BYTE* Find(LPCSTR type, UINT id, DWORD* size = nullptr) const
    {
        HRSRC hRes = FindResourceA(m_hModule, MAKEINTRESOURCEA(id), type);
        if (size)
            *size = hRes ? SizeofResource(m_hModule, hRes) : 0;
        return hRes ? (const BYTE*)LockResource(LoadResource(m_hModule, hRes)) : nullptr;
    }

private:
    HMODULE m_hModule;
};

// What a dialog template says of the box as a whole.
struct TemplateHead
{
    bool extended;
    DWORD style;
    short cx, cy;
    WORD points;
    std::string face;
};

// A menu, class or title field: none, an ordinal, or a string.
const WORD* SkipNameOrOrdinal(const WORD* p)
{
    if (*p == 0)
        return p + 1;
    if (*p == 0xFFFF)
        return p + 2;
    while (*p++)
        ;
    return p;
}

TemplateHead ReadTemplateHead(const BYTE* data)
{
    TemplateHead head = {};
    const WORD* p;
    const auto* ex = (const WORD*)data;
    head.extended = ex[0] == 1 && ex[1] == 0xFFFF;
    if (head.extended) {
        // dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy
        head.style = *(const DWORD*)(data + 12);
        head.cx = *(const short*)(data + 22);
        head.cy = *(const short*)(data + 24);
        p = (const WORD*)(data + 26);
    } else {
        // style, exStyle, cdit, x, y, cx, cy
        const auto* t = (const DLGTEMPLATE*)data;
        head.style = t->style;
        head.cx = t->cx;
        head.cy = t->cy;
        p = (const WORD*)(t + 1);
    }
    p = SkipNameOrOrdinal(SkipNameOrOrdinal(SkipNameOrOrdinal(p)));
    if (!(head.style & DS_SETFONT))
        return head;
    head.points = *p++;
    if (head.extended)
        p += 2;   // weight, italic and character set
    for (; *p; ++p)
        head.face += (char)*p;
    return head;
}

// "MS Shell Dlg" without DS_FIXEDSYS is Microsoft Sans Serif on every Windows
// NT, a TrueType face made on the metrics of the bitmap "MS Sans Serif" that
// the boxes were laid out in: the same layout at 100%, sharp at any scale.
TEST(Executable, BothDialogsKeepTheirSizeInAScalableFace)
{
    struct Expected
    {
        UINT id;
        bool extended;
        short cx, cy;
    };
    const Expected dialogs[] = {{IDD_ABOUTBOX, false, 217, 95}, {IDD_VIREOLA_DIALOG, true, 232, 135}};
    Resources resources;
    for (const Expected& dialog : dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(dialog.id));
        const BYTE* data = resources.Find(RT_DIALOG, dialog.id);
        ASSERT_TRUE(data);
        TemplateHead head = ReadTemplateHead(data);
        EXPECT_EQ(dialog.extended, head.extended);
        EXPECT_EQ(dialog.cx, head.cx);
        EXPECT_EQ(dialog.cy, head.cy);
        EXPECT_EQ(8, head.points);
        EXPECT_EQ("MS Shell Dlg", head.face);
        EXPECT_FALSE(head.style & DS_FIXEDSYS) << "DS_SHELLFONT would make it Tahoma";
    }
}

// Per-monitor v2 where Windows has it (10 1703 and later); the system DPI on
// Windows 10 1607, which takes the first mode it knows (all but PerMonitorV2),
// and on older Windows, which read only dpiAware ("true": the system's DPI).
TEST(Executable, TheManifestAsksForEachMonitorsDpiAndTheSystemsWhereThatIsUnknown)
{
    Resources resources;
    DWORD size = 0;
    const BYTE* data = resources.Find(RT_MANIFEST, 1, &size);
    ASSERT_TRUE(data);
    const std::string manifest((const char*)data, size), in = " xmlns=\"http://schemas.microsoft.com/SMI/20";
    std::smatch list, first;
    ASSERT_TRUE(std::regex_search(manifest, list, std::regex("<dpiAwareness" + in + "16/WindowsSettings\">([^<]*)<")));
    const std::string modes = list.str(1);
    EXPECT_TRUE(std::regex_match(modes, std::regex("\\s*PerMonitorV2\\s*(,.*)?", std::regex::icase))) << modes;
    std::regex_search(modes, first, std::regex("(^|,)\\s*(unaware|system|permonitor)\\s*(,|$)", std::regex::icase));
    EXPECT_TRUE(std::regex_match(first.str(2), std::regex("system", std::regex::icase))) << modes;
    EXPECT_TRUE(std::regex_search(manifest, std::regex("<dpiAware" + in + "05/WindowsSettings\">\\s*true\\s*<", std::regex::icase)));
}

} // namespace
