#include "toolkit/controls/customize/CustomizeToolbarsPage.h"

#include "platform/framework/DC.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/DataExchange.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/MessageBox.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/controls/customize/CustomizeSheet.h"
#include "toolkit/drawing/ResourceManager.h"

namespace {

template <class T>
T* JQWDowncast(CObject* object)
{
    return object && object->IsKindOf(RUNTIME_CLASS(T)) ? static_cast<T*>(object) : nullptr;
}

CString LoadToolkitString(UINT id)
{
    CString text;
    GetResourceManager()->LoadString(text, id);
    return text;
}

bool TitleTaken(const CJQWCommandBars* bars, const CString& name, const CJQWCommandBar* except)
{
    for (int i = 0; i < bars->GetCount(); ++i) {
        CJQWToolBar* bar = bars->GetToolBar(i);
        if (bar != except && bar->GetTitle() == name)
            return true;
    }
    return false;
}

bool IdTaken(const CJQWCommandBars* bars, UINT id)
{
    for (int i = 0; i < bars->GetCount(); ++i)
        if (bars->GetToolBar(i)->GetBarID() == id)
            return true;
    return false;
}

} // namespace

// ---- The check list ------------------------------------------------------------------------------

void CJQWCustomizeToolbarsPageCheckListBox::DrawItem(DRAWITEMSTRUCT* item)
{
    if (int(item->itemID) < 0 || !(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)))
        return;
    CDC* dc = CDC::FromHandle(item->hDC);
    CRect rect = item->rcItem;
    CRect check(rect.left + 1, rect.top + (rect.Height() - m_checkSize.cy) / 2, 0, 0);
    check.right = check.left + m_checkSize.cx;
    check.bottom = check.top + m_checkSize.cy;
    dc->FillSolidRect(CRect(rect.left, rect.top, check.right + 3, rect.bottom), ::GetSysColor(COLOR_WINDOW));
    UINT state = DFCS_BUTTONCHECK;
    if (GetCheck(int(item->itemID)) == 1)
        state |= DFCS_CHECKED;
    dc->DrawFrameControl(check, DFC_BUTTON, state);
    rect.left = check.right + 3;

    const BOOL enabled = IsWindowEnabled() && IsEnabled(int(item->itemID));
    const BOOL selected = (item->itemState & ODS_SELECTED) != 0;
    COLORREF text = RGB(128, 128, 128), back = ::GetSysColor(COLOR_WINDOW);
    if (enabled) {
        text = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        back = ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    }
    dc->SetTextColor(text);
    dc->SetBkColor(back);
    CRect textRect = rect;
    textRect.left += 2;
    dc->ExtTextOut(textRect.left, textRect.top, ETO_OPAQUE, rect, CString(), nullptr);
    dc->DrawText(GetText(int(item->itemID)), textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    if (item->itemState & ODS_FOCUS)
        dc->DrawFocusRect(rect);
}

// ---- The new-toolbar dialog ------------------------------------------------------------------------

CJQWNewToolbarDlg::CJQWNewToolbarDlg(CWnd* parent, CJQWCommandBars* commandBars, CJQWCommandBar* bar)
    : CDialog(JQW_IDD_NEW_TOOLBAR, parent)
    , m_pBar(bar)
    , m_pCommandBars(commandBars)
{
}

CString CJQWNewToolbarDlg::ProposeName(const CJQWCommandBars* commandBars)
{
    const CString format = LoadToolkitString(JQW_IDS_CUSTOM_TOOLBAR_NAME);
    CString name;
    int number = 1;
    // A match starts the scan again with the next number: names may be in any order.
    for (;;) {
        name.Format(format.GetString(), number);
        if (!TitleTaken(commandBars, name, nullptr))
            return name;
        ++number;
    }
}

UINT CJQWNewToolbarDlg::ChooseId(const CJQWCommandBars* commandBars)
{
    UINT id = JQW_FIRST_CUSTOM_TOOLBAR_ID;
    while (id < JQW_CUSTOM_TOOLBAR_ID_END && IdTaken(commandBars, id))
        ++id;
    return id < JQW_CUSTOM_TOOLBAR_ID_END ? id : 0;
}

BOOL CJQWNewToolbarDlg::OnInitDialog()
{
    if (m_pBar) {
        m_strToolbar = m_pBar->GetTitle();
        CDialog::OnInitDialog();
        SetWindowText(LoadToolkitString(JQW_IDS_RENAME_TOOLBAR));
        return TRUE;
    }
    m_strToolbar = ProposeName(m_pCommandBars);
    return CDialog::OnInitDialog();
}

void CJQWNewToolbarDlg::DoDataExchange(CDataExchange* exchange)
{
    CDialog::DoDataExchange(exchange);
    DDX_Text(exchange, 100, m_strToolbar);
}

int CJQWNewToolbarDlg::Message(UINT stringId, UINT type, const CString& argument)
{
    CString text = LoadToolkitString(stringId);
    if (!argument.IsEmpty()) {
        CString formatted;
        formatted.Format(text.GetString(), argument.GetString());
        text = formatted;
    }
    CString title = AfxGetApp() ? CString(AfxGetApp()->m_pszAppName) : CString();
    return ::MessageBoxW(m_hWnd, text.GetString(), title.GetString(), type);
}

void CJQWNewToolbarDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_strToolbar.IsEmpty()) {
        Message(JQW_IDS_TOOLBAR_NAME_BLANK, MB_ICONERROR);
        return;
    }
    if (!m_pBar) {
        m_nNewID = ChooseId(m_pCommandBars);
        if (m_nNewID == 0) {
            Message(JQW_IDS_TOOLBAR_LIMIT, MB_ICONERROR);
            EndDialog(IDCANCEL);
            return;
        }
    }
    if (TitleTaken(m_pCommandBars, m_strToolbar, m_pBar)) {
        Message(JQW_IDS_TOOLBAR_NAME_EXISTS, MB_ICONERROR, m_strToolbar);
        return;
    }
    EndDialog(IDOK);
}

// ---- The page --------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CJQWCustomizeToolbarsPage, CPropertyPage)
    ON_CONTROL(CLBN_CHKCHANGE, 100, &CJQWCustomizeToolbarsPage::OnCheckChange)
    ON_LBN_SELCHANGE(100, &CJQWCustomizeToolbarsPage::OnSelectionChange)
    ON_BN_CLICKED(101, &CJQWCustomizeToolbarsPage::OnNew)
    ON_BN_CLICKED(102, &CJQWCustomizeToolbarsPage::OnRename)
    ON_BN_CLICKED(103, &CJQWCustomizeToolbarsPage::OnDelete)
    ON_BN_CLICKED(104, &CJQWCustomizeToolbarsPage::OnResetBar)
END_MESSAGE_MAP()

CJQWCustomizeToolbarsPage::CJQWCustomizeToolbarsPage(CJQWCustomizeSheet* sheet)
    : CPropertyPage(JQW_IDD_CUSTOMIZE_TOOLBARS)
    , m_pSheet(sheet)
{
}

BOOL CJQWCustomizeToolbarsPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_checkList.SubclassDlgItem(100, this);
    if (m_pSheet->GetCommandBars()->IsLayoutRTL())
        m_checkList.ModifyStyleEx(0, WS_EX_LAYOUTRTL);
    RefreshToolbarsList();
    return TRUE;
}

CJQWCommandBar* CJQWCustomizeToolbarsPage::BarAt(int row) const
{
    if (row < 0 || row >= m_checkList.GetCount())
        return nullptr;
    return m_pSheet->GetCommandBars()->GetToolBar(int(m_checkList.SendMessage(LB_GETITEMDATA, WPARAM(row), 0)));
}

void CJQWCustomizeToolbarsPage::RefreshToolbarsList()
{
    const int selected = int(m_checkList.SendMessage(LB_GETCURSEL, 0, 0));
    const int selectedBar = selected >= 0 ? int(m_checkList.SendMessage(LB_GETITEMDATA, WPARAM(selected), 0)) : -1;
    const int top = int(m_checkList.SendMessage(LB_GETTOPINDEX, 0, 0));
    m_checkList.ResetContent();
    CJQWCommandBars* bars = m_pSheet->GetCommandBars();
    for (int i = 0; i < bars->GetCount(); ++i) {
        CJQWToolBar* bar = bars->GetToolBar(i);
        if (!bar->IsCustomizeDialogPresent() || !(bar->IsCloseable() || bar->IsVisible()))
            continue;
        const int row = m_checkList.AddString(bar->GetTitle().GetString());
        m_checkList.SetCheck(row, bar->IsVisible() ? 1 : 0);
        m_checkList.SendMessage(LB_SETITEMDATA, WPARAM(row), LPARAM(i));
        if (i == selectedBar)
            m_checkList.SendMessage(LB_SETCURSEL, WPARAM(row), 0);
    }
    m_checkList.SendMessage(LB_SETTOPINDEX, WPARAM(top), 0);
    UpdateButtons();
}

void CJQWCustomizeToolbarsPage::UpdateButtons()
{
    CJQWToolBar* bar = JQWDowncast<CJQWToolBar>(BarAt(int(m_checkList.SendMessage(LB_GETCURSEL, 0, 0))));
    const BOOL builtIn = bar && bar->IsBuiltIn();
    const BOOL custom = bar && !bar->IsBuiltIn();
    ::EnableWindow(::GetDlgItem(m_hWnd, 104), builtIn);
    ::EnableWindow(::GetDlgItem(m_hWnd, 102), custom);
    ::EnableWindow(::GetDlgItem(m_hWnd, 103), custom);
    ::EnableWindow(::GetDlgItem(m_hWnd, 101), TRUE);
}

void CJQWCustomizeToolbarsPage::OnSelectionChange()
{
    UpdateButtons();
}

void CJQWCustomizeToolbarsPage::OnCheckChange()
{
    const int row = int(m_checkList.SendMessage(LB_GETCURSEL, 0, 0));
    CJQWCommandBar* bar = BarAt(row);
    if (!bar)
        return;
    if (bar->IsCloseable())
        bar->SetVisible(m_checkList.GetCheck(row) == 1);
    else
        m_checkList.SetCheck(row, 1);
    RefreshToolbarsList();
}

void CJQWCustomizeToolbarsPage::OnNew()
{
    CJQWCommandBars* bars = m_pSheet->GetCommandBars();
    CJQWNewToolbarDlg dialog(m_pSheet, bars, nullptr);
    if (dialog.DoModal() != IDOK)
        return;
    CJQWToolBar* bar = bars->CreateCustomToolBar(dialog.m_strToolbar, dialog.m_nNewID, FALSE);
    RefreshToolbarsList();
    if (bar && bars->GetSite() && bars->GetSite()->GetSafeHwnd())
        bars->GetSite()->SendMessage(JQWM_CUSTOM_TOOLBAR_CREATED, 0, LPARAM(bar));
}

void CJQWCustomizeToolbarsPage::OnRename()
{
    const int row = int(m_checkList.SendMessage(LB_GETCURSEL, 0, 0));
    CJQWToolBar* bar = JQWDowncast<CJQWToolBar>(BarAt(row));
    if (!bar || bar->IsBuiltIn())
        return;
    CJQWNewToolbarDlg dialog(m_pSheet, m_pSheet->GetCommandBars(), bar);
    if (dialog.DoModal() != IDOK)
        return;
    bar->SetTitle(dialog.m_strToolbar);
    bar->Redraw();
    const LPARAM data = m_checkList.SendMessage(LB_GETITEMDATA, WPARAM(row), 0);
    const int check = m_checkList.GetCheck(row);
    m_checkList.DeleteString(row);
    m_checkList.InsertString(row, dialog.m_strToolbar.GetString());
    m_checkList.SetCheck(row, check);
    m_checkList.SendMessage(LB_SETITEMDATA, WPARAM(row), data);
    m_checkList.SendMessage(LB_SETCURSEL, WPARAM(row), 0);
    UpdateButtons();
}

void CJQWCustomizeToolbarsPage::OnDelete()
{
    CJQWToolBar* bar = JQWDowncast<CJQWToolBar>(BarAt(int(m_checkList.SendMessage(LB_GETCURSEL, 0, 0))));
    if (!bar || bar->IsBuiltIn())
        return;
    CString text;
    text.Format(LoadToolkitString(JQW_IDS_DELETE_TOOLBAR).GetString(), bar->GetTitle().GetString());
    if (m_pSheet->ShowMessage(text, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
        return;
    CJQWCommandBars* bars = m_pSheet->GetCommandBars();
    if (bars->GetSite() && bars->GetSite()->GetSafeHwnd())
        bars->GetSite()->SendMessage(JQWM_CUSTOM_TOOLBAR_DELETING, 0, LPARAM(bar));
    bars->RemoveToolBar(bar);
    RefreshToolbarsList();
}

void CJQWCustomizeToolbarsPage::OnResetBar()
{
    CJQWToolBar* bar = JQWDowncast<CJQWToolBar>(BarAt(int(m_checkList.SendMessage(LB_GETCURSEL, 0, 0))));
    if (!bar || !bar->IsBuiltIn())
        return;
    CString text;
    text.Format(LoadToolkitString(JQW_IDS_RESET_TOOLBAR).GetString(), bar->GetTitle().GetString());
    if (m_pSheet->ShowMessage(text, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
        return;
    bar->ResetControls(FALSE);
    RefreshToolbarsList();
}
