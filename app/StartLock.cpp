#include "StartLock.h"

// A copy holds the lock only while it starts, and every message it sends to
// the shell then is bounded; this only guards against a copy that hangs.
enum { START_LOCK_TIMEOUT_MS = 10000 };

CStartLock::CStartLock() : m_hMutex(CreateMutexA(nullptr, FALSE, START_LOCK_NAME))
{
    if (!m_hMutex)
        return;
    // abandoned: the copy that held it has ended, and the lock is this one's
    DWORD wait = WaitForSingleObject(m_hMutex, START_LOCK_TIMEOUT_MS);
    m_bOwned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

void CStartLock::Release()
{
    if (m_bOwned)
        ReleaseMutex(m_hMutex);
    m_bOwned = false;
}

CStartLock::~CStartLock()
{
    Release();
    if (m_hMutex)
        CloseHandle(m_hMutex);
}
