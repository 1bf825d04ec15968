// IconProbe.dll hooked into the thread of a running program's settings
// dialog, where it answers what only that process can see (IconProbe.h).
#pragma once
#include "IconProbe.h"
#include <string>

class ProbeClient
{
public:
    explicit ProbeClient(HWND hDlg);
    ~ProbeClient();
    ProbeClient(const ProbeClient&) = delete;
    ProbeClient& operator=(const ProbeClient&) = delete;

    bool Hooked() const { return m_hHook != nullptr; }
    // The answer, false when none came in time.
    bool Ask(WPARAM question, LPARAM& answer);
    // An answer that is a size, as "WxH".
    std::string AskSize(WPARAM question);
    // An answer that is a text.
    std::string AskText(WPARAM question);

private:
    HWND m_hDlg;
    HMODULE m_hDll;
    HWND m_hAnswers = nullptr;
    HHOOK m_hHook = nullptr;
};
