// A second start and the running copy.
#pragma once
#include "../res/Copies.h"
#include "StartLock.h"

// A second start hands over to the running copy, which shows its dialog
// itself: only the process the user started may let another take the
// foreground. A copy of an earlier version, which does not know the message,
// is shown as those versions showed it. Nothing here waits without a bound on
// the running copy, which may not answer; and the next copy to start need not
// wait for this one to end.
void HandOver(HWND hRunning, CStartLock& lock);
