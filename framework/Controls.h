// Thin wrappers over the standard controls, each bound to a dialog item.
#pragma once
#include "NewerWindows.h"
#include "WinApp.h"
#include <commctrl.h>

class CButton : public CWnd
{
public:
    int GetCheck() const { return (int)SendMessageA(m_hWnd, BM_GETCHECK, 0, 0); }
    void SetCheck(int nCheck) { SendMessageA(m_hWnd, BM_SETCHECK, (WPARAM)nCheck, 0); }
    void EnableWindow(BOOL bEnable) { ::EnableWindow(m_hWnd, bEnable); }
};

class CComboBox : public CWnd
{
public:
    int GetCurSel() const { return (int)SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0); }
    void SetCurSel(int nSelect) { SendMessageA(m_hWnd, CB_SETCURSEL, (WPARAM)nSelect, 0); }
};

class CStatic : public CWnd
{
public:
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
};

class CListCtrl : public CWnd
{
};

// An image that a window or the taskbar holds is replaced whole: the new one
// is made in an object of its own and handed over, and only then swapped in,
// so that the old one is destroyed as that object goes.

class CImageList
{
public:
    // The one owner of its list: whatever it hands the list to must share it.
    ~CImageList() { DeleteImageList(); }
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow)
    {
        CImageList made;
        made.m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
        Swap(made);
        return m_hImageList != nullptr;
    }
    void Swap(CImageList& other)
    {
        HIMAGELIST hImageList = m_hImageList;
        m_hImageList = other.m_hImageList;
        other.m_hImageList = hImageList;
    }
    BOOL DeleteImageList()
    {
        HIMAGELIST hImageList = m_hImageList;
        m_hImageList = nullptr;
        return hImageList && ImageList_Destroy(hImageList);
    }
    int Add(HICON hIcon) { return ImageList_ReplaceIcon(m_hImageList, -1, hIcon); }

    HIMAGELIST m_hImageList = nullptr;
};

// An icon image loaded at a size of the program's choosing: not shared, so
// its one owner destroys it.
class CIcon
{
public:
    CIcon() = default;
    CIcon(const CIcon&) = delete;
    CIcon& operator=(const CIcon&) = delete;
    ~CIcon() { Destroy(); }
    BOOL Load(HINSTANCE hInst, UINT nID, int cx, int cy)
    {
        CIcon loaded;
        loaded.m_hIcon = (HICON)LoadImageA(hInst, MAKEINTRESOURCEA(nID), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR);
        Swap(loaded);
        return m_hIcon != nullptr;
    }
    // At the size that a square metric (SM_CXICON, SM_CXSMICON) has at a DPI.
    BOOL Load(HINSTANCE hInst, UINT nID, int nMetric, UINT dpi)
    {
        int size = Newer::GetSystemMetricsForDpi(nMetric, dpi);
        return Load(hInst, nID, size, size);
    }
    operator HICON() const { return m_hIcon; }
    void Swap(CIcon& other)
    {
        HICON hIcon = m_hIcon;
        m_hIcon = other.m_hIcon;
        other.m_hIcon = hIcon;
    }

    HICON m_hIcon = nullptr;

private:
    void Destroy()
    {
        if (m_hIcon)
            DestroyIcon(m_hIcon);
        m_hIcon = nullptr;
    }
};
