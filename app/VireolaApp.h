// The application object: decides at start-up what this run of the program does.
#pragma once
#include "../framework/WinApp.h"

class CVireolaApp : public CWinApp
{
public:
    CVireolaApp();
    BOOL StartInstance() override;
};
