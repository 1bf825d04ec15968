// the extended styles' names up to Windows 7's, whatever the build's target
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#include "ViewState.h"
#include <stdio.h>

static bool Ask(HWND hView, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result)
{
    return hView && SendMessageTimeoutA(hView, message, wParam, lParam, SMTO_ABORTIFHUNG, VIEW_TIMEOUT_MS, &result);
}

ViewState ReadView(HWND hView)
{
    DWORD_PTR text = CLR_INVALID, textBk = CLR_INVALID, bk = CLR_INVALID, exStyle = 0;
    bool answered = Ask(hView, LVM_GETTEXTCOLOR, 0, 0, text) && Ask(hView, LVM_GETTEXTBKCOLOR, 0, 0, textBk)
                    && Ask(hView, LVM_GETBKCOLOR, 0, 0, bk)
                    && Ask(hView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, exStyle);
    return {(COLORREF)text, (COLORREF)textBk, (COLORREF)bk, (DWORD)exStyle, answered};
}

bool WriteView(HWND hView, const ViewState& state)
{
    DWORD_PTR result, count = 0;
    bool written = Ask(hView, LVM_SETBKCOLOR, 0, (LPARAM)state.bk, result)
                   && Ask(hView, LVM_SETTEXTBKCOLOR, 0, (LPARAM)state.textBk, result)
                   && Ask(hView, LVM_SETTEXTCOLOR, 0, (LPARAM)state.text, result)
                   && Ask(hView, LVM_GETITEMCOUNT, 0, 0, count);
    if (written && count)
        Ask(hView, LVM_REDRAWITEMS, 0, (LPARAM)(count - 1), result);
    InvalidateRect(hView, nullptr, TRUE);
    return written;
}

bool SameColours(const ViewState& a, const ViewState& b)
{
    return a.answered && b.answered && a.text == b.text && a.textBk == b.textBk && a.bk == b.bk;
}

std::string ColorText(COLORREF color)
{
    char text[16];
    if (color == CLR_NONE)
        return "none";
    if (color >> 24)
        snprintf(text, sizeof text, "0x%08lX", (unsigned long)color);
    else
        snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

std::string ExtendedStyleNames(DWORD exStyle)
{
    static const struct
    {
        DWORD bit;
        const char* name;
    } NAMES[] = {
        {LVS_EX_REGIONAL, "REGIONAL"},
        {LVS_EX_INFOTIP, "INFOTIP"},
        {LVS_EX_UNDERLINEHOT, "UNDERLINEHOT"},
        {LVS_EX_MULTIWORKAREAS, "MULTIWORKAREAS"},
        {LVS_EX_LABELTIP, "LABELTIP"},
        {LVS_EX_BORDERSELECT, "BORDERSELECT"},
        {LVS_EX_DOUBLEBUFFER, "DOUBLEBUFFER"},
        {LVS_EX_HIDELABELS, "HIDELABELS"},
        {LVS_EX_SNAPTOGRID, "SNAPTOGRID"},
        {LVS_EX_SIMPLESELECT, "SIMPLESELECT"},
        {LVS_EX_TRANSPARENTBKGND, "TRANSPARENTBKGND"},
        {LVS_EX_TRANSPARENTSHADOWTEXT, "TRANSPARENTSHADOWTEXT"},
        {LVS_EX_AUTOAUTOARRANGE, "AUTOAUTOARRANGE"},
    };
    std::string names;
    DWORD known = 0;
    for (const auto& n : NAMES) {
        known |= n.bit;
        if (exStyle & n.bit)
            names += (names.empty() ? "" : " ") + std::string(n.name);
    }
    if (exStyle & ~known) {
        char rest[24];
        snprintf(rest, sizeof rest, "%s0x%lX", names.empty() ? "" : " ", (unsigned long)(exStyle & ~known));
        names += rest;
    }
    return names.empty() ? "none" : names;
}
