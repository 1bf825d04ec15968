#include "CustomColor.h"
#include "../settings/Settings.h"
#include <commdlg.h>

bool ChooseCustomColor(HWND hOwner, COLORREF& color)
{
    COLORREF customColors[CUSTOM_COLOR_COUNT];
    LoadCustomColors(customColors);

    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = hOwner;
    cc.rgbResult = color;
    cc.lpCustColors = customColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&cc))
        return false;
    WriteSetting(SETTINGS_SECTION, TEXT_COLOR_VALUE, (LONG)cc.rgbResult);
    color = cc.rgbResult;
    SaveCustomColors(customColors);
    return true;
}
