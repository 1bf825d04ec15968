// The settings dialog's preview: a list view with one item that looks like
// a desktop icon, its label drawn as the desktop will draw it.
#pragma once
#include "../framework/Controls.h"

class CPreviewList : public CListCtrl
{
public:
    // The one item, with its label as real text.
    void InsertSample();
    // The sample's image at the size it is drawn at on a display of that DPI.
    void LoadImages(UINT dpi);
    // The label in the text colour, on no background of its own, over the
    // picture shown or else the desktop's colour.
    void ShowColors(COLORREF text, COLORREF desktop);
    // A piece of the wallpaper behind the sample (32-bit DIB pixels, rows
    // from the top), or none.
    void ShowPicture(const DWORD* pixels, SIZE size);
    // The common controls draw with the system colours they were told of.
    void OnSysColorChange();
};

extern CImageList g_PreviewImageList;
