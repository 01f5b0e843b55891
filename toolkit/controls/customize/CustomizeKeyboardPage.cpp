#include "toolkit/controls/customize/CustomizeKeyboardPage.h"

#include "platform/framework/DC.h"
#include "platform/framework/DataExchange.h"
#include "platform/framework/Menu.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Accelerators.h"
#include "platform/user/MessageBox.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/controls/customize/CustomizeSheet.h"
#include "toolkit/drawing/ResourceManager.h"

#include <vector>

namespace {

CString LoadToolkitString(UINT id)
{
    CString text;
    GetResourceManager()->LoadString(text, id);
    return text;
}

CString WithoutMnemonics(const CString& text)
{
    CString result;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text[i] == u'&' && i + 1 < text.GetLength() && text[i + 1] != u'&')
            continue;
        if (text[i] == u'&')
            ++i;
        result += text[i];
    }
    return result;
}

std::vector<ACCEL> TableOf(HACCEL table)
{
    std::vector<ACCEL> entries;
    if (!table)
        return entries;
    const int count = ::CopyAcceleratorTableW(table, nullptr, 0);
    entries.resize(std::size_t(count > 0 ? count : 0));
    if (count > 0)
        ::CopyAcceleratorTableW(table, entries.data(), count);
    return entries;
}

constexpr UINT kFirstRecentFile = 0xE110;
constexpr UINT kLastRecentFile = 0xE11F;

} // namespace

// ---- Keyboard page -------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CJQWCustomizeKeyboardPage, CPropertyPage)
    ON_CBN_SELCHANGE(100, &CJQWCustomizeKeyboardPage::OnCategoryChange)
    ON_LBN_SELCHANGE(102, &CJQWCustomizeKeyboardPage::OnCommandChange)
    ON_LBN_SELCHANGE(104, &CJQWCustomizeKeyboardPage::OnKeyChange)
    ON_EN_CHANGE(106, &CJQWCustomizeKeyboardPage::OnKeyChange)
    ON_BN_CLICKED(107, &CJQWCustomizeKeyboardPage::OnAssign)
    ON_BN_CLICKED(108, &CJQWCustomizeKeyboardPage::OnRemove)
    ON_BN_CLICKED(109, &CJQWCustomizeKeyboardPage::OnResetAll)
END_MESSAGE_MAP()

CJQWCustomizeKeyboardPage::CJQWCustomizeKeyboardPage(CJQWCustomizeSheet* sheet)
    : CPropertyPage(JQW_IDD_CUSTOMIZE_KEYBOARD)
    , m_editShortcut(sheet->GetCommandBars()->GetShortcutManager())
    , m_pSheet(sheet)
    , m_categories(sheet->GetCommandBars())
{
}

CJQWShortcutManager* CJQWCustomizeKeyboardPage::Shortcuts() const
{
    return m_pSheet->GetCommandBars()->GetShortcutManager();
}

BOOL CJQWCustomizeKeyboardPage::AddCategories(UINT menuId, BOOL expand)
{
    CMenu menu;
    if (!GetResourceManager()->LoadMenu(&menu, menuId))
        return FALSE;
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        CString text;
        menu.GetMenuString(UINT(i), text, MF_BYPOSITION);
        CMenu* submenu = menu.GetSubMenu(i);
        if (text.IsEmpty() || !submenu)
            continue;
        if (!AddCategoryFromMenu(WithoutMnemonics(text), submenu, expand))
            return FALSE;
    }
    return TRUE;
}

BOOL CJQWCustomizeKeyboardPage::AddCategoryFromMenu(const CString& name, CMenu* menu, BOOL expand)
{
    return m_categories.AddFromMenu(name, menu, expand, TRUE);
}

void CJQWCustomizeKeyboardPage::DoDataExchange(CDataExchange* exchange)
{
    CPropertyPage::DoDataExchange(exchange);
    DDX_CBIndex(exchange, 100, m_nCategory);
    DDX_Text(exchange, 111, m_strDesc);
}

BOOL CJQWCustomizeKeyboardPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_editShortcut.SubclassDlgItem(106, this);
    HWND combo = ::GetDlgItem(m_hWnd, 100);
    for (int i = 0; i < m_categories.GetCount(); ++i) {
        const int row = int(::SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(m_categories.GetAt(i)->name.GetString())));
        ::SendMessageW(combo, CB_SETITEMDATA, WPARAM(row), LPARAM(m_categories.GetAt(i)->controls));
    }
    ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
    if (m_pSheet->GetCommandBars()->IsLayoutRTL()) {
        for (int id : { 100, 102 }) {
            HWND window = ::GetDlgItem(m_hWnd, id);
            ::SetWindowLongPtrW(window, GWL_EXSTYLE,
                ::GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR);
        }
    }
    OnCategoryChange();
    return TRUE;
}

BOOL CJQWCustomizeKeyboardPage::OnSetActive()
{
    if (m_hWnd)
        OnCommandChange();
    return CPropertyPage::OnSetActive();
}

CJQWControl* CJQWCustomizeKeyboardPage::SelectedCommand() const
{
    HWND list = ::GetDlgItem(m_hWnd, 102);
    const int row = int(::SendMessageW(list, LB_GETCURSEL, 0, 0));
    if (row < 0)
        return nullptr;
    return reinterpret_cast<CJQWControl*>(::SendMessageW(list, LB_GETITEMDATA, WPARAM(row), 0));
}

void CJQWCustomizeKeyboardPage::OnCategoryChange()
{
    UpdateData(TRUE);
    HWND list = ::GetDlgItem(m_hWnd, 102);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    HWND combo = ::GetDlgItem(m_hWnd, 100);
    const int row = int(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
    auto* controls = row >= 0 ? reinterpret_cast<CJQWControls*>(::SendMessageW(combo, CB_GETITEMDATA, WPARAM(row), 0)) : nullptr;
    for (int i = 0; controls && i < controls->GetCount(); ++i) {
        CJQWControl* control = controls->GetAt(i);
        const UINT id = UINT(control->GetID());
        const int type = control->GetType();
        if (id == 0 || type == JQW_CONTROL_POPUP || type == JQW_CONTROL_BUTTON_POPUP
            || (id >= kFirstRecentFile && id <= kLastRecentFile))
            continue;
        const int item = int(::SendMessageW(list, LB_ADDSTRING, 0, LPARAM(WithoutMnemonics(control->GetCaption()).GetString())));
        ::SendMessageW(list, LB_SETITEMDATA, WPARAM(item), LPARAM(control));
    }
    ::SendMessageW(list, LB_SETCURSEL, 0, 0);
    OnCommandChange();
}

void CJQWCustomizeKeyboardPage::OnCommandChange()
{
    HWND keys = ::GetDlgItem(m_hWnd, 104);
    ::SendMessageW(keys, LB_RESETCONTENT, 0, 0);
    CJQWControl* control = SelectedCommand();
    m_strDesc.Empty();
    if (control) {
        const std::vector<ACCEL> table = TableOf(Shortcuts()->GetCurrentTable());
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table[i].cmd != WORD(control->GetID()))
                continue;
            const int item = int(::SendMessageW(keys, LB_ADDSTRING, 0, LPARAM(Shortcuts()->FormatAccel(&table[i]).GetString())));
            ::SendMessageW(keys, LB_SETITEMDATA, WPARAM(item), LPARAM(i));
        }
        m_strDesc = control->GetDescription();
    }
    UpdateData(FALSE);
    UpdateButtons();
}

void CJQWCustomizeKeyboardPage::UpdateButtons()
{
    const BOOL hasKey = m_editShortcut.GetSafeHwnd() && m_editShortcut.GetWindowTextLength() > 0 && m_editShortcut.IsKeyCaptured();
    ::EnableWindow(::GetDlgItem(m_hWnd, 107), hasKey);
    ::EnableWindow(::GetDlgItem(m_hWnd, 108), ::SendDlgItemMessageW(m_hWnd, 104, LB_GETCURSEL, 0, 0) >= 0);
}

void CJQWCustomizeKeyboardPage::OnAssign()
{
    CJQWControl* control = SelectedCommand();
    if (!control || !m_editShortcut.IsKeyCaptured())
        return;
    ACCEL accel = m_editShortcut.GetAccel();
    accel.cmd = WORD(control->GetID());
    CJQWShortcutManager* shortcuts = Shortcuts();
    if (shortcuts->OnBeforeAssign(&accel))
        return;
    std::vector<ACCEL> table = TableOf(shortcuts->GetCurrentTable());
    auto same = [&](const ACCEL& entry) {
        return entry.key == accel.key && (entry.fVirt & ~FNOINVERT) == (accel.fVirt & ~FNOINVERT);
    };
    bool replaced = false;
    for (ACCEL& entry : table) {
        if (!same(entry))
            continue;
        if (m_pSheet->ShowMessage(LoadToolkitString(JQW_IDS_KEY_ASSIGNED), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;
        entry = accel;
        replaced = true;
        break;
    }
    if (!replaced)
        table.push_back(accel);
    shortcuts->SetCurrentTable(table.data(), int(table.size()));
    OnCommandChange();
    m_editShortcut.ResetKey();
    m_editShortcut.SetWindowText(u"");
    UpdateButtons();
}

void CJQWCustomizeKeyboardPage::OnRemove()
{
    HWND keys = ::GetDlgItem(m_hWnd, 104);
    const int row = int(::SendMessageW(keys, LB_GETCURSEL, 0, 0));
    if (row < 0)
        return;
    const std::size_t index = std::size_t(::SendMessageW(keys, LB_GETITEMDATA, WPARAM(row), 0));
    CJQWShortcutManager* shortcuts = Shortcuts();
    std::vector<ACCEL> table = TableOf(shortcuts->GetCurrentTable());
    if (index >= table.size() || shortcuts->OnBeforeRemove(&table[index]))
        return;
    // The last entry takes the removed one's place.
    table[index] = table.back();
    table.pop_back();
    shortcuts->SetCurrentTable(table.data(), int(table.size()));
    OnCommandChange();
}

void CJQWCustomizeKeyboardPage::OnResetAll()
{
    if (m_pSheet->ShowMessage(LoadToolkitString(JQW_IDS_RESET_KEYS), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES)
        return;
    Shortcuts()->ResetAccelerators();
    OnCommandChange();
}

// ---- Group line ----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CJQWGroupLine, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

void CJQWGroupLine::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CString text;
    GetWindowText(text);
    CFont* font = GetFont();
    CFont* old = font ? dc.SelectObject(font) : nullptr;
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
    const BOOL rtl = (GetExStyle() & WS_EX_RTLREADING) != 0;
    dc.DrawText(text, client, DT_SINGLELINE | DT_VCENTER | (rtl ? DT_RIGHT | DT_RTLREADING : DT_LEFT));
    const CSize extent = dc.GetTextExtent(text);
    const int y = client.top + client.Height() / 2;
    const int left = rtl ? client.left : client.left + extent.cx + 6;
    const int right = rtl ? client.right - extent.cx - 6 : client.right;
    if (right > left) {
        dc.FillSolidRect(CRect(left, y, right, y + 1), ::GetSysColor(COLOR_BTNSHADOW));
        dc.FillSolidRect(CRect(left, y + 1, right, y + 2), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    }
    if (old)
        dc.SelectObject(old);
}

// ---- Options page --------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CJQWCustomizeOptionsPage, CPropertyPage)
    ON_CONTROL_RANGE(BN_CLICKED, 100, 101, &CJQWCustomizeOptionsPage::OnOptionClicked)
    ON_CONTROL_RANGE(BN_CLICKED, 103, 105, &CJQWCustomizeOptionsPage::OnOptionClicked)
    ON_BN_CLICKED(102, &CJQWCustomizeOptionsPage::OnResetUsage)
    ON_CBN_SELCHANGE(106, &CJQWCustomizeOptionsPage::OnAnimationChange)
END_MESSAGE_MAP()

CJQWCustomizeOptionsPage::CJQWCustomizeOptionsPage(CJQWCustomizeSheet* sheet)
    : CPropertyPage(JQW_IDD_CUSTOMIZE_OPTIONS)
    , m_pSheet(sheet)
{
    const CJQWCommandBarsOptions* options = sheet->GetCommandBars()->GetCommandBarsOptions();
    m_bAlwaysShowFullMenus = options->bAlwaysShowFullMenus;
    m_bShowFullAfterDelay = options->bShowFullAfterDelay;
    m_bLargeIcons = options->bLargeIcons;
    m_bToolBarScreenTips = options->bToolBarScreenTips;
    m_bToolBarAccelTips = options->bToolBarAccelTips;
    m_nAnimationType = options->animationType;
}

void CJQWCustomizeOptionsPage::DoDataExchange(CDataExchange* exchange)
{
    CPropertyPage::DoDataExchange(exchange);
    DDX_Check(exchange, 100, m_bAlwaysShowFullMenus);
    DDX_Check(exchange, 101, m_bShowFullAfterDelay);
    DDX_Check(exchange, 103, m_bLargeIcons);
    DDX_Check(exchange, 104, m_bToolBarScreenTips);
    DDX_Check(exchange, 105, m_bToolBarAccelTips);
    DDX_CBIndex(exchange, 106, m_nAnimationType);
}

BOOL CJQWCustomizeOptionsPage::OnInitDialog()
{
    HWND combo = ::GetDlgItem(m_hWnd, 106);
    for (UINT i = 0; i < 6; ++i)
        ::SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(LoadToolkitString(JQW_IDS_ANIMATION_FIRST + i).GetString()));
    CPropertyPage::OnInitDialog();
    ::EnableWindow(::GetDlgItem(m_hWnd, 101), !m_bAlwaysShowFullMenus);
    ::EnableWindow(::GetDlgItem(m_hWnd, 105), m_bToolBarScreenTips);
    m_personalized.SubclassDlgItem(108, this);
    m_other.SubclassDlgItem(107, this);
    return TRUE;
}

void CJQWCustomizeOptionsPage::OnOptionClicked(UINT id)
{
    UpdateData(TRUE);
    CJQWCommandBars* bars = m_pSheet->GetCommandBars();
    CJQWCommandBarsOptions* options = bars->GetCommandBarsOptions();
    switch (id) {
    case 100:
        options->bAlwaysShowFullMenus = m_bAlwaysShowFullMenus;
        ::EnableWindow(::GetDlgItem(m_hWnd, 101), !m_bAlwaysShowFullMenus);
        break;
    case 101:
        options->bShowFullAfterDelay = m_bShowFullAfterDelay;
        break;
    case 103:
        options->bLargeIcons = m_bLargeIcons;
        bars->RefreshAllBars();
        break;
    case 104:
        options->bToolBarScreenTips = m_bToolBarScreenTips;
        ::EnableWindow(::GetDlgItem(m_hWnd, 105), m_bToolBarScreenTips);
        break;
    case 105:
        options->bToolBarAccelTips = m_bToolBarAccelTips;
        break;
    default:
        break;
    }
}

void CJQWCustomizeOptionsPage::OnAnimationChange()
{
    UpdateData(TRUE);
    if (m_nAnimationType != -1)
        m_pSheet->GetCommandBars()->GetCommandBarsOptions()->animationType = m_nAnimationType;
}

void CJQWCustomizeOptionsPage::OnResetUsage()
{
    if (m_pSheet->ShowMessage(LoadToolkitString(JQW_IDS_RESET_USAGE), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES)
        m_pSheet->GetCommandBars()->ResetUsageData();
}
