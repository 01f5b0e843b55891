#include "platform/framework/CommonDialog.h"

#include "platform/framework/WinApp.h"

#include <algorithm>

HWND CCommonDialog::OwnerWindow() const
{
    if (m_pParentWnd && m_pParentWnd->m_hWnd)
        return m_pParentWnd->m_hWnd;
    CWnd* main = AfxGetMainWnd();
    return main ? main->m_hWnd : nullptr;
}

// ---- File ------------------------------------------------------------------------------------

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags,
    LPCWSTR filter, CWnd* parent)
    : CCommonDialog(parent)
    , m_bOpenFileDialog(openFileDialog)
    , m_fileBuffer(MAX_PATH, 0)
{
    if (filter) {
        // "a|b|c|d||": the pairs, each part NUL-ended, then a final NUL; what follows "||" is no
        // part of the list.
        std::u16string text = filter;
        const size_t end = text.find(u"||");
        if (end != std::u16string::npos)
            text.resize(end + 1);
        for (char16_t& c : text)
            if (c == u'|')
                c = 0;
        if (text.empty() || text.back() != 0)
            text.push_back(0);
        text.push_back(0);
        m_filter = text;
    }
    if (defaultExtension)
        m_defaultExtension = defaultExtension;
    if (fileName) {
        const std::u16string name = fileName;
        std::copy_n(name.begin(), std::min<size_t>(name.size(), MAX_PATH - 1), m_fileBuffer.begin());
    }
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrFile = m_fileBuffer.data();
    m_ofn.nMaxFile = DWORD(m_fileBuffer.size());
    m_ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    if (!m_defaultExtension.empty() && m_defaultExtension[0] == u'.')
        m_ofn.lpstrDefExt = m_defaultExtension.c_str() + 1;
    m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal()
{
    m_ofn.hwndOwner = OwnerWindow();
    m_paths.clear();
    platform::controls::FileDialogResult result;
    platform::controls::RunFileDialog(&m_ofn, !m_bOpenFileDialog, &result);
    if (result.paths.empty())
        return IDCANCEL;
    // The caller's buffer may have been too short for the names: the whole result is kept here.
    m_paths = result.paths;
    m_ofn.nFilterIndex = result.filterIndex;
    return IDOK;
}

CString CFileDialog::GetPathName() const { return m_paths.empty() ? CString() : CString(m_paths[0].c_str()); }

CString CFileDialog::GetFileName() const
{
    const CString path = GetPathName();
    return path.Mid(path.ReverseFind(u'/') + 1);
}

CString CFileDialog::GetFileExt() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind(u'.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind(u'.');
    return dot < 0 ? name : name.Left(dot);
}

CString CFileDialog::GetFolderPath() const
{
    const CString path = GetPathName();
    const int slash = path.ReverseFind(u'/');
    return slash <= 0 ? CString(u"/") : path.Left(slash);
}

POSITION CFileDialog::GetStartPosition() const
{
    return m_paths.empty() ? nullptr : reinterpret_cast<POSITION>(uintptr_t(1));
}

CString CFileDialog::GetNextPathName(POSITION& position) const
{
    const size_t index = size_t(reinterpret_cast<uintptr_t>(position)) - 1;
    if (!position || index >= m_paths.size()) {
        position = nullptr;
        return CString();
    }
    position = index + 1 < m_paths.size() ? reinterpret_cast<POSITION>(uintptr_t(index + 2)) : nullptr;
    return CString(m_paths[index].c_str());
}

// ---- Colour ----------------------------------------------------------------------------------

COLORREF* CColorDialog::GetSavedCustomColors()
{
    static COLORREF colors[16] = { RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255) };
    return colors;
}

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent)
    : CCommonDialog(parent)
{
    m_cc.lStructSize = sizeof(m_cc);
    m_cc.rgbResult = initial;
    m_cc.lpCustColors = GetSavedCustomColors();
    m_cc.Flags = flags | (initial != 0 ? CC_RGBINIT : 0);
}

INT_PTR CColorDialog::DoModal()
{
    m_cc.hwndOwner = OwnerWindow();
    return ChooseColorW(&m_cc) ? IDOK : IDCANCEL;
}

// ---- Font ------------------------------------------------------------------------------------

CFontDialog::CFontDialog(const LOGFONTW* initial, DWORD flags, HDC printer, CWnd* parent)
    : CCommonDialog(parent)
{
    m_cf.lStructSize = sizeof(m_cf);
    m_cf.lpLogFont = &m_lf;
    m_cf.Flags = flags;
    m_cf.hDC = printer;
    if (initial) {
        m_lf = *initial;
        m_cf.Flags |= CF_INITTOLOGFONTSTRUCT;
    }
}

INT_PTR CFontDialog::DoModal()
{
    m_cf.hwndOwner = OwnerWindow();
    m_cf.lpLogFont = &m_lf;
    return ChooseFontW(&m_cf) ? IDOK : IDCANCEL;
}
