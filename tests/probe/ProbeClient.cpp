#include "ProbeClient.h"
#include "tests/support/Launch.h"
#include <map>

namespace {

std::map<WPARAM, LPARAM> g_answers;

LRESULT CALLBACK AnswerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != RegisterWindowMessageA(PROBE_MESSAGE))
        return DefWindowProcA(hWnd, message, wParam, lParam);
    g_answers[wParam] = lParam;
    return 0;
}

} // namespace

ProbeClient::ProbeClient(HWND hDlg) : m_hDlg(hDlg), m_hDll(LoadLibraryA(BinPath("IconProbe.dll").c_str()))
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = AnswerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VireolaProbeAnswers";
    RegisterClassA(&wc);
    m_hAnswers = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    auto proc = (HOOKPROC)(void (*)())GetProcAddress(m_hDll, PROBE_HOOK_PROC);
    // no dialog: no hook at all, which would otherwise be every thread's
    if (proc && hDlg)
        m_hHook = SetWindowsHookExA(WH_GETMESSAGE, proc, m_hDll, GetWindowThreadProcessId(hDlg, nullptr));
}

ProbeClient::~ProbeClient()
{
    if (m_hHook)
        UnhookWindowsHookEx(m_hHook);
    DestroyWindow(m_hAnswers);
    FreeLibrary(m_hDll);
}

bool ProbeClient::Ask(WPARAM question, LPARAM& answer)
{
    g_answers.erase(question);
    PostMessageA(m_hDlg, RegisterWindowMessageA(PROBE_MESSAGE), question, (LPARAM)m_hAnswers);
    if (!WaitFor([&] { return g_answers.count(question) != 0; }))
        return false;
    answer = g_answers[question];
    return true;
}

std::string ProbeClient::AskSize(WPARAM question)
{
    LPARAM size;
    if (!Ask(question, size))
        return "<no answer>";
    return std::to_string(LOWORD(size)) + "x" + std::to_string(HIWORD(size));
}

std::string ProbeClient::AskText(WPARAM question)
{
    LPARAM atom;
    if (!Ask(question, atom))
        return "<no answer>";
    char text[256] = "";
    GlobalGetAtomNameA((ATOM)atom, text, sizeof text);
    GlobalDeleteAtom((ATOM)atom);
    return text;
}
