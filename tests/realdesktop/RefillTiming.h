// What the shell's desktop view tells of a refill, and when: every object
// event the view's thread raises (its process's, where the system takes no
// other process's thread for a filter), timed against the moment the view's
// label colours are reset to the shell's look.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct ViewEvent
{
    DWORD event;           // EVENT_OBJECT_...
    std::string window;    // "the view", or the class of another window
    double ms;             // after the trigger
};

struct RefillTiming
{
    bool listened;                  // the events could be listened to
    std::vector<ViewEvent> events;
    double resetMs;                 // when the colours were reset; -1: not within the time allowed
};

// Gives the view's labels a colour the shell's look never has, calls
// trigger, and watches for timeoutMs.
RefillTiming TimeRefill(HWND hView, COLORREF marker, const std::function<void()>& trigger, DWORD timeoutMs);

// "EVENT_OBJECT_REORDER", or the value in hex.
std::string EventName(DWORD event);
