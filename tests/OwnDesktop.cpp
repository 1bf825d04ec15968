// Each test program runs on a desktop of its own, from before its first
// window: the programs it starts never find the real desktop shell of the
// machine it runs on (which they would colour), nor the stand-ins of test
// programs running beside it.
#include "tools/Launch.h"
#include <stdio.h>

static const bool g_onOwnDesktop = [] {
    if (!RunOnOwnDesktop()) {
        fprintf(stderr, "cannot make a desktop of the test's own (error %lu)\n", GetLastError());
        ExitProcess(2);
    }
    return true;
}();
