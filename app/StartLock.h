// Copies of the program started at the same moment (logon, an installer's
// first start and a double click can overlap) take turns at "look for a
// running copy, else become it", so that only one of them stays resident.
#pragma once
#include "../res/Copies.h"

class CStartLock
{
public:
    // Waits until no other copy of this user's session is starting.
    CStartLock();
    ~CStartLock();
    // Lets the next copy start before this one ends.
    void Release();
    CStartLock(const CStartLock&) = delete;
    CStartLock& operator=(const CStartLock&) = delete;

private:
    HANDLE m_hMutex;
    bool m_bOwned = false;
};
