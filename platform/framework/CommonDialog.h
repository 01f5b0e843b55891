#pragma once
// The class library's common dialogs: each fills the layer's record from its constructor, runs
// the dialog modally over its parent (else the main window) and keeps the answer.

#include "platform/controls/CommonDialogs.h"
#include "platform/framework/Collections.h"
#include "platform/framework/String.h"
#include "platform/framework/Wnd.h"

#include <string>
#include <vector>

class CCommonDialog : public CCmdTarget {
public:
    explicit CCommonDialog(CWnd* parent) : m_pParentWnd(parent) { }
    virtual INT_PTR DoModal() = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    HWND OwnerWindow() const;
};

class CFileDialog : public CCommonDialog {
public:
    // `filter`: "description|patterns|...|" pairs ("||" ends the list).
    CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension = nullptr, LPCWSTR fileName = nullptr,
        DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr, CWnd* parent = nullptr);
    // IDOK or IDCANCEL. The chosen names are kept whole whatever m_ofn's buffer holds: a
    // multiple selection has no length limit.
    INT_PTR DoModal() override;

    CString GetPathName() const; // the first chosen path
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;
    CString GetFolderPath() const;
    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& position) const;

    OPENFILENAMEW m_ofn {};
    BOOL m_bOpenFileDialog;

private:
    std::u16string m_filter;
    std::u16string m_defaultExtension;
    std::vector<WCHAR> m_fileBuffer;
    std::vector<std::u16string> m_paths;
};

class CColorDialog : public CCommonDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
    INT_PTR DoModal() override;
    COLORREF GetColor() const { return m_cc.rgbResult; }
    void SetCurrentColor(COLORREF color) { m_cc.rgbResult = color; }
    // The custom colours every colour dialog of the process shares.
    static COLORREF* GetSavedCustomColors();
    CHOOSECOLORW m_cc {};
};

class CFontDialog : public CCommonDialog {
public:
    explicit CFontDialog(const LOGFONTW* initial = nullptr, DWORD flags = CF_EFFECTS | CF_SCREENFONTS,
        HDC printer = nullptr, CWnd* parent = nullptr);
    INT_PTR DoModal() override;
    void GetCurrentFont(LOGFONTW* font) const { *font = m_lf; }
    CString GetFaceName() const { return CString(m_lf.lfFaceName); }
    int GetSize() const { return m_cf.iPointSize; } // tenths of a point
    COLORREF GetColor() const { return m_cf.rgbColors; }
    int GetWeight() const { return int(m_lf.lfWeight); }
    BOOL IsBold() const { return m_lf.lfWeight >= 600; }
    BOOL IsItalic() const { return m_lf.lfItalic ? TRUE : FALSE; }
    BOOL IsUnderline() const { return m_lf.lfUnderline ? TRUE : FALSE; }
    BOOL IsStrikeOut() const { return m_lf.lfStrikeOut ? TRUE : FALSE; }
    CHOOSEFONTW m_cf {};
    LOGFONTW m_lf {};
};
