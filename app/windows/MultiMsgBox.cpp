#include "app/windows/MultiMsgBox.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/framework/StdControls.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/ControlMessages.h"

#include "AppWindowResources.h"

namespace {

constexpr int kWarningImage = 2;
constexpr int kImageSize = 16;

} // namespace

BEGIN_MESSAGE_MAP(CMultiMsgBox, CJQResizeDialog)
    ON_MESSAGE(WM_DRAWITEM, &CMultiMsgBox::OnDrawItem)
    ON_MESSAGE(WM_MEASUREITEM, &CMultiMsgBox::OnMeasureItem)
END_MESSAGE_MAP()

CMultiMsgBox::CMultiMsgBox(CWnd* parent) : CJQResizeDialog(IDD_MULTIMSGBOX, parent)
{
    // Names the dialog's table, so that every program using this box links it.
    static const void* volatile table = &AppWindowResources;
    (void)table;
}

BOOL CMultiMsgBox::OnInitDialog()
{
    CJQResizeDialog::OnInitDialog();
    if (HICON icon = static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(128), IMAGE_ICON, 16,
                                                    16, 0)))
        SendMessage(WM_SETICON, ICON_SMALL, LPARAM(icon));
    m_images.Create(170, kImageSize, 0, RGB(0, 255, 0));
    HWND list = ::GetDlgItem(m_hWnd, IDC_MULTIMSGBOX_LIST);
    for (int i = 0; i < m_lines.GetSize(); ++i)
        ::SendMessage(list, LB_ADDSTRING, 0, LPARAM(m_lines[i].GetString()));
    SetWindowText(m_strTitle.GetString());
    SetControlAnchors(IDC_MULTIMSGBOX_HEADER, nullptr, MakeResizeRect(0, 0, 1, 0));
    SetControlAnchors(IDC_MULTIMSGBOX_LIST, nullptr, MakeResizeRect(0, 0, 1, 1));
    SetControlAnchors(IDOK, nullptr, MakeResizeRect(1, 1, 1, 1));
    RestorePlacement(u"MultiMsgBox");
    SetDlgItemText(IDC_MULTIMSGBOX_HEADER, m_strHeader.GetString());
    return TRUE;
}

LRESULT CMultiMsgBox::OnMeasureItem(WPARAM, LPARAM lParam)
{
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (item->CtlID != IDC_MULTIMSGBOX_LIST)
        return Default();
    item->itemHeight = kImageSize + 2;
    return TRUE;
}

LRESULT CMultiMsgBox::OnDrawItem(WPARAM, LPARAM lParam)
{
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (item->CtlID != IDC_MULTIMSGBOX_LIST)
        return Default();
    CDC* dc = CDC::FromHandle(item->hDC);
    // The selection stays shown when the list has no focus.
    const bool selected = item->itemState & ODS_SELECTED;
    dc->FillSolidRect(&item->rcItem, ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (int(item->itemID) < 0)
        return TRUE;
    const int top = item->rcItem.top + (item->rcItem.bottom - item->rcItem.top - kImageSize) / 2;
    m_images.Draw(dc, kWarningImage, { item->rcItem.left + 2, top }, ILD_NORMAL);
    const int length = int(::SendMessage(item->hwndItem, LB_GETTEXTLEN, item->itemID, 0));
    CString text;
    if (length > 0) {
        std::u16string buffer(size_t(length) + 1, u'\0');
        ::SendMessage(item->hwndItem, LB_GETTEXT, item->itemID, LPARAM(buffer.data()));
        text = buffer.c_str();
    }
    RECT box = item->rcItem;
    box.left += kImageSize + 6;
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    ::DrawTextW(item->hDC, text.GetString(), text.GetLength(), &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (item->itemState & ODS_FOCUS)
        dc->DrawFocusRect(&item->rcItem);
    return TRUE;
}
