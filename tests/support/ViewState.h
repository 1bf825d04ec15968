// The label colours and the extended style of another process's list view,
// read and written with bounded messages, so that a hung shell fails the
// caller instead of freezing it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>

enum { VIEW_TIMEOUT_MS = 2000 };

struct ViewState
{
    COLORREF text, textBk, bk;
    DWORD exStyle;      // LVM_GETEXTENDEDLISTVIEWSTYLE
    bool answered;      // every question had its answer in time
};

ViewState ReadView(HWND hView);
// The three colours, then the labels redrawn.
bool WriteView(HWND hView, const ViewState& state);
bool SameColours(const ViewState& a, const ViewState& b);

// "#RRGGBB", "none" for CLR_NONE, the value in hex for anything else the
// view may answer.
std::string ColorText(COLORREF color);
// The names of the extended list-view style bits that are set.
std::string ExtendedStyleNames(DWORD exStyle);
