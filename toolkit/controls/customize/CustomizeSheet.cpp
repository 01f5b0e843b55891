#include "toolkit/controls/customize/CustomizeSheet.h"

#include "toolkit/controls/customize/ImageEditor.h"

#include "platform/framework/GdiClasses.h"
#include "platform/framework/Menu.h"
#include "platform/framework/WinApp.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/CustomizeDropSource.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "platform/shell/Clipboard.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/controls/customize/CustomizeCommandsPage.h"
#include "toolkit/controls/customize/CustomizeToolbarsPage.h"
#include "toolkit/drawing/ResourceManager.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "ToolkitCustomizeResources.h"

#include <algorithm>
#include <cmath>
#include <vector>

IMPLEMENT_DYNAMIC(CJQWCustomizeSheet, CPropertySheet)

namespace {

template <class T>
T* JQWDowncast(CObject* object)
{
    return object && object->IsKindOf(RUNTIME_CLASS(T)) ? static_cast<T*>(object) : nullptr;
}

JQW_EDIT_BUTTON_IMAGE g_editor = &JQWEditButtonImage;

// The hooks of the running sheet; at most one sheet runs at a time.
struct CJQWCustomizeHooks {
    HHOOK mouse = nullptr;
    HHOOK keyboard = nullptr;
    HHOOK callWndProc = nullptr;
    CJQWCustomizeSheet* sheet = nullptr;

    void Install();
    void Remove();
};
CJQWCustomizeHooks* g_activeHooks = nullptr;

LRESULT MouseHook(int code, WPARAM wParam, LPARAM lParam)
{
    CJQWCustomizeHooks* hooks = g_activeHooks;
    if (code < 0 || !hooks)
        return ::CallNextHookEx(hooks ? hooks->mouse : nullptr, code, wParam, lParam);
    if (!hooks->sheet->FilterMouse(UINT(wParam), reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam)))
        return 1;
    return ::CallNextHookEx(hooks->mouse, code, wParam, lParam);
}

LRESULT KeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    CJQWCustomizeHooks* hooks = g_activeHooks;
    if (code < 0 || !hooks)
        return ::CallNextHookEx(hooks ? hooks->keyboard : nullptr, code, wParam, lParam);
    if (!hooks->sheet->FilterKeyboard(wParam, lParam))
        return 1;
    return ::CallNextHookEx(hooks->keyboard, code, wParam, lParam);
}

LRESULT CallWndProcHook(int code, WPARAM wParam, LPARAM lParam)
{
    CJQWCustomizeHooks* hooks = g_activeHooks;
    if (code < 0 || !hooks)
        return ::CallNextHookEx(hooks ? hooks->callWndProc : nullptr, code, wParam, lParam);
    if (!hooks->sheet->FilterCallWndProc(reinterpret_cast<const CWPSTRUCT*>(lParam)))
        return 1;
    return ::CallNextHookEx(hooks->callWndProc, code, wParam, lParam);
}

void CJQWCustomizeHooks::Install()
{
    const DWORD thread = ::GetCurrentThreadId();
    mouse = ::SetWindowsHookExW(WH_MOUSE, MouseHook, nullptr, thread);
    keyboard = ::SetWindowsHookExW(WH_KEYBOARD, KeyboardHook, nullptr, thread);
    callWndProc = ::SetWindowsHookExW(WH_CALLWNDPROC, CallWndProcHook, nullptr, thread);
}

void CJQWCustomizeHooks::Remove()
{
    for (HHOOK* hook : { &mouse, &keyboard, &callWndProc }) {
        if (*hook)
            ::UnhookWindowsHookEx(*hook);
        *hook = nullptr;
    }
}

CString LoadToolkitString(UINT id)
{
    CString text;
    GetResourceManager()->LoadString(text, id);
    return text;
}

// A window is `ancestor` itself or lies inside it.
bool IsSelfOrInside(HWND ancestor, HWND window)
{
    return ancestor && window && (ancestor == window || ::IsChild(ancestor, window));
}

// The command bar behind a window: the window itself or its parent.
CJQWCommandBar* BarOf(HWND window)
{
    for (HWND candidate : { window, window ? ::GetParent(window) : nullptr }) {
        if (!candidate)
            continue;
        if (auto* bar = JQWDowncast<CJQWCommandBar>(CWnd::FromHandlePermanent(candidate)))
            return bar;
    }
    return nullptr;
}

} // namespace

void JQWSetButtonImageEditor(JQW_EDIT_BUTTON_IMAGE editor)
{
    g_editor = editor;
}

JQW_EDIT_BUTTON_IMAGE JQWGetButtonImageEditor()
{
    return g_editor;
}

int JQWCustomizePaletteWidth(int count)
{
    return int(std::floor(std::sqrt(double(count)))) * 23 + 6;
}

BEGIN_MESSAGE_MAP(CJQWCustomizeSheet, CPropertySheet)
    ON_MESSAGE(JQWM_CONTROL_NOTIFY, &CJQWCustomizeSheet::OnControlNotify)
    ON_MESSAGE(JQWM_CUSTOMIZE_POPUP_SHOWN, &CJQWCustomizeSheet::OnPopupShown)
    ON_MESSAGE(JQWM_CUSTOMIZE_SELECTION, &CJQWCustomizeSheet::OnCustomizeSelection)
    ON_MESSAGE(JQWM_CUSTOMIZE_TAKE_FOCUS, &CJQWCustomizeSheet::OnTakeFocus)
    ON_COMMAND(JQW_ID_CUSTOMIZE_RESET, &CJQWCustomizeSheet::OnReset)
    ON_COMMAND(JQW_ID_CUSTOMIZE_DELETE, &CJQWCustomizeSheet::OnDelete)
    ON_COMMAND(JQW_ID_CUSTOMIZE_COPYIMAGE, &CJQWCustomizeSheet::OnCopyImage)
    ON_COMMAND(JQW_ID_CUSTOMIZE_PASTEIMAGE, &CJQWCustomizeSheet::OnPasteImage)
    ON_COMMAND(JQW_ID_CUSTOMIZE_RESETIMAGE, &CJQWCustomizeSheet::OnResetImage)
    ON_COMMAND(JQW_ID_CUSTOMIZE_EDITIMAGE, &CJQWCustomizeSheet::OnEditImage)
    ON_COMMAND_RANGE(JQW_ID_CUSTOMIZE_DEFAULTSTYLE, JQW_ID_CUSTOMIZE_TEXTONLY, &CJQWCustomizeSheet::OnStyle)
    ON_COMMAND(JQW_ID_CUSTOMIZE_BEGINAGROUP, &CJQWCustomizeSheet::OnBeginGroup)
    ON_UPDATE_COMMAND_UI_RANGE(JQW_ID_CUSTOMIZE_RESET, JQW_ID_CUSTOMIZE_BEGINAGROUP, &CJQWCustomizeSheet::OnUpdateItem)
END_MESSAGE_MAP()

CJQWCustomizeSheet::CJQWCustomizeSheet(CJQWCommandBars* commandBars, UINT selectPage)
    : CPropertySheet(LoadToolkitString(JQW_IDS_CUSTOMIZE).GetString(), commandBars->GetSite(), selectPage)
    , m_pCommandBars(commandBars)
    , m_pSite(commandBars->GetSite())
{
    // Links the toolkit's customize resources into every program that has the sheet.
    static const void* volatile table = &ToolkitCustomizeResources;
    (void)table;
    m_pToolbarsPage = new CJQWCustomizeToolbarsPage(this);
    m_pCommandsPage = new CJQWCustomizeCommandsPage(this);
    AddPage(m_pToolbarsPage);
    AddPage(m_pCommandsPage);

    m_pStockImages = new CJQWImageManager;
    CBitmap bitmap;
    if (GetResourceManager()->LoadBitmap(&bitmap, JQW_IDB_CUSTOMIZE_IMAGES)) {
        BITMAP info {};
        bitmap.GetBitmap(&info);
        std::vector<UINT> ids;
        for (int i = 0; i < info.bmWidth / 16; ++i)
            ids.push_back(UINT(i + 1));
        m_pStockImages->SetIconsFromBitmap(HBITMAP(bitmap.GetSafeHandle()), ids.data(), int(ids.size()), CSize(16, 16),
            jqwImageNormal, FALSE);
    }
    m_psh.dwFlags |= PSH_NOAPPLYNOW;
    BuildContextMenu();
}

CJQWCustomizeSheet::~CJQWCustomizeSheet()
{
    delete m_pToolbarsPage;
    delete m_pCommandsPage;
    if (m_pContextMenu)
        m_pContextMenu->InternalRelease();
    if (m_pStockImages)
        m_pStockImages->InternalRelease();
}

CJQWCustomizeSheet* CJQWCustomizeSheet::GetActiveSheet()
{
    return g_activeHooks ? g_activeHooks->sheet : nullptr;
}

void CJQWCustomizeSheet::AddPage(CPropertyPage* page)
{
    if (!(page->m_psp.dwFlags & PSP_DLGINDIRECT) && IS_INTRESOURCE(page->m_psp.pszTemplate)) {
        const UINT id = UINT(reinterpret_cast<UINT_PTR>(page->m_psp.pszTemplate));
        if (const void* dialogTemplate = GetResourceManager()->LoadDialogTemplate(id)) {
            page->m_psp.dwFlags |= PSP_DLGINDIRECT;
            page->m_psp.pResource = dialogTemplate;
        }
    }
    CPropertySheet::AddPage(page);
}

void CJQWCustomizeSheet::BuildContextMenu()
{
    CMenu menu;
    if (!GetResourceManager()->LoadMenu(&menu, JQW_IDR_CUSTOMIZE_MENU))
        return;
    CMenu* items = menu.GetSubMenu(0);
    if (!items)
        return;
    m_pContextMenu = CJQWPopupBar::CreatePopupBar(nullptr);
    m_pContextMenu->SetSite(m_pSite);
    m_pContextMenu->SetOwner(this);
    // The bars take over one reference of each manager.
    if (CJQWPaintManager* paint = m_pCommandBars->GetPaintManager()) {
        paint->InternalAddRef();
        m_pContextMenu->SetPaintManager(paint);
    }
    m_pStockImages->InternalAddRef();
    m_pContextMenu->SetImageManager(m_pStockImages);
    BOOL beginGroup = FALSE;
    const int count = items->GetMenuItemCount();
    for (int i = 0; i < count; ++i) {
        const UINT id = items->GetMenuItemID(i);
        if (id == 0) {
            beginGroup = TRUE;
            continue;
        }
        CString text;
        items->GetMenuString(UINT(i), text, MF_BYPOSITION);
        CJQWControls* controls = m_pContextMenu->GetControls();
        CJQWControl* control = nullptr;
        if (id == UINT(-1) || id == JQW_ID_CUSTOMIZE_CHANGEIMAGE) {
            auto* popup = CJQWControlPopup::CreateControlPopup(JQW_CONTROL_POPUP);
            CJQWPopupToolBar* palette = CJQWPopupToolBar::CreatePopupToolBar(nullptr);
            palette->SetBarID(JQW_ID_CUSTOMIZE_CHANGEIMAGE);
            palette->SetSite(m_pSite);
            palette->SetOwner(this);
            m_pStockImages->InternalAddRef();
            palette->SetImageManager(m_pStockImages);
            popup->SetCommandBar(palette);
            palette->InternalRelease();
            control = controls->Add(popup, int(JQW_ID_CUSTOMIZE_CHANGEIMAGE));
        } else {
            control = controls->Add(new CCustomizeButton, int(id));
        }
        if (!control)
            continue;
        control->SetCaption(text);
        if (beginGroup)
            control->SetBeginGroup(TRUE);
        beginGroup = FALSE;
    }
}

INT_PTR CJQWCustomizeSheet::DoModal()
{
    if (g_activeHooks)
        return IDCANCEL;
    CJQWCustomizeDropSource* source = m_pCommandBars->GetDropSource();
    m_pCommandBars->SetCustomizeMode(TRUE);
    source->SetSheet(this);
    source->m_showContextMenu = [this](CPoint point) { ShowContextMenu(point.x, point.y); };

    CJQWCustomizeHooks hooks;
    hooks.sheet = this;
    g_activeHooks = &hooks;
    if (m_pSite)
        hooks.Install();
    if (HWND capture = ::GetCapture())
        ::SendMessageW(capture, WM_CANCELMODE, 0, 0);

    INT_PTR result = IDCANCEL;
    const DWORD exStyle = m_pCommandBars->IsLayoutRTL() ? (WS_EX_LAYOUTRTL | WS_EX_NOINHERITLAYOUT) : 0;
    m_nModalResult = -1;
    if (Create(m_pSite, DWORD(-1), exStyle)) {
        if (CWnd* ok = GetDlgItem(IDOK))
            ok->ShowWindow(SW_HIDE);
        if (CWnd* cancel = GetDlgItem(IDCANCEL))
            cancel->SetWindowText(LoadToolkitString(JQW_IDS_CUSTOMIZE_CLOSE));
        RunModalLoop(0);
        const LRESULT sheetResult = ::SendMessageW(m_hWnd, PSM_GETRESULT, 0, 0);
        result = (m_nModalResult != -1 && sheetResult == -1) ? m_nModalResult : (sheetResult > 0 ? IDOK : IDCANCEL);
        const BOOL wasActive = ::GetActiveWindow() == m_hWnd;
        ShowWindow(SW_HIDE);
        hooks.Remove();
        DestroyWindow();
        if (wasActive && m_pSite && m_pSite->GetSafeHwnd())
            ::SetActiveWindow(m_pSite->GetSafeHwnd());
    }
    hooks.Remove();

    m_pCommandBars->SetCustomizeMode(FALSE);
    source->SetSheet(nullptr);
    source->m_showContextMenu = nullptr;
    CJQWCommandBars::ClosePopups();
    g_activeHooks = nullptr;
    return result;
}

BOOL CJQWCustomizeSheet::FilterMouse(UINT message, const MOUSEHOOKSTRUCT* data)
{
    if (message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE)
        return TRUE;
    HWND target = data ? data->hwnd : nullptr;
    CJQWMouseManager* mouse = GetMouseManager();
    if (!mouse->GetTrackArray().empty()) {
        CJQWCommandBar* bar = BarOf(target);
        if (bar && !bar->GetCommandBars())
            return TRUE;
        if (data)
            mouse->OnMouseEvent(message, data->pt.x, data->pt.y);
    }
    HWND site = m_pSite ? m_pSite->GetSafeHwnd() : nullptr;
    HWND foreground = ::GetForegroundWindow();
    // A disabled sheet has a dialog of its own open (a message box, the new-toolbar dialog): that
    // one keeps the focus.
    if (site && (::GetWindowLongPtrW(site, GWL_STYLE) & WS_POPUP) && !IsSelfOrInside(site, foreground)
        && !IsSelfOrInside(m_hWnd, foreground) && ::IsWindowEnabled(m_hWnd))
        OnTakeFocus(0, 0);
    if (!IsSelfOrInside(site, target) || IsSelfOrInside(m_hWnd, target))
        return TRUE;
    if (foreground != site && IsSelfOrInside(foreground, target))
        return TRUE;
    CJQWCommandBar* bar = BarOf(target);
    return bar && bar->GetCommandBars() == m_pCommandBars;
}

BOOL CJQWCustomizeSheet::FilterKeyboard(WPARAM, LPARAM)
{
    HWND focus = ::GetFocus();
    if (IsSelfOrInside(m_hWnd, focus))
        return TRUE;
    if (focus && ::GetParent(focus) && JQWDowncast<CJQWCommandBar>(CWnd::FromHandlePermanent(::GetParent(focus))))
        return TRUE;
    HWND foreground = ::GetForegroundWindow();
    if (!foreground)
        return ::GetCapture() != nullptr;
    return (focus && foreground != (m_pSite ? m_pSite->GetSafeHwnd() : nullptr) && IsSelfOrInside(foreground, focus))
        || ::GetCapture() != nullptr;
}

BOOL CJQWCustomizeSheet::FilterCallWndProc(const CWPSTRUCT* data)
{
    if (data && m_pSite && data->hwnd == m_pSite->GetSafeHwnd() && data->message == WM_NCACTIVATE && data->wParam)
        PostMessage(JQWM_CUSTOMIZE_TAKE_FOCUS);
    return TRUE;
}

LRESULT CJQWCustomizeSheet::OnTakeFocus(WPARAM, LPARAM)
{
    if (m_hWnd)
        SetFocus();
    return 0;
}

BOOL CJQWCustomizeSheet::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo)
{
    if (id >= JQW_ID_CUSTOMIZE_RESET && id <= JQW_ID_CUSTOMIZE_BEGINAGROUP)
        return CPropertySheet::OnCmdMsg(id, code, extra, handlerInfo);
    if (code == CN_COMMAND && (id == IDOK || id == IDCANCEL || id == IDHELP))
        return CPropertySheet::OnCmdMsg(id, code, extra, handlerInfo);
    return m_pSite ? m_pSite->OnCmdMsg(id, code, extra, handlerInfo) : FALSE;
}

BOOL CJQWCustomizeSheet::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_SYSKEYDOWN) {
        CWnd* tabs = GetTabControl();
        const int count = tabs ? int(tabs->SendMessage(TCM_GETITEMCOUNT, 0, 0)) : 0;
        for (int i = 0; i < count; ++i) {
            WCHAR text[257] {};
            TCITEMW item {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 256;
            tabs->SendMessage(TCM_GETITEMW, WPARAM(i), LPARAM(&item));
            const WCHAR* mark = nullptr;
            for (const WCHAR* p = text; *p; ++p)
                if (*p == u'&' && p[1])
                    mark = p + 1;
            if (mark && CJQWShortcutManager::KeyMatchesChar(*mark, UINT(msg->wParam))) {
                SetActivePage(i);
                return TRUE;
            }
        }
    }
    return CPropertySheet::PreTranslateMessage(msg);
}

void CJQWCustomizeSheet::ShowContextMenu(int x, int y)
{
    if (!m_pContextMenu)
        return;
    UINT flags = TPM_RECURSE;
    if (m_pCommandBars->IsLayoutRTL())
        flags |= TPM_RIGHTALIGN;
    m_pContextMenu->InternalAddRef();
    CJQWCommandBars::TrackPopupBar(m_pContextMenu, flags, x, y, m_pSite, nullptr, this);
}

int CJQWCustomizeSheet::ShowMessage(const CString& text, UINT type)
{
    const BOOL siteEnabled = m_pSite && m_pSite->GetSafeHwnd() && m_pSite->IsWindowEnabled();
    EnableWindow(FALSE);
    if (siteEnabled)
        m_pSite->EnableWindow(FALSE);
    CString title = AfxGetApp() ? CString(AfxGetApp()->m_pszAppName) : CString();
    const int result = ::MessageBoxW(m_hWnd, text.GetString(), title.GetString(), type);
    EnableWindow(TRUE);
    if (siteEnabled)
        m_pSite->EnableWindow(TRUE);
    return result;
}

CJQWControl* CJQWCustomizeSheet::Selected() const
{
    return m_pCommandBars->GetCustomizeControl();
}

void CJQWCustomizeSheet::Relayout(CJQWControl* control)
{
    if (CJQWCommandBar* bar = control->GetParent()) {
        bar->OnRecalcLayout();
        bar->Redraw();
    }
}

BOOL CJQWCustomizeSheet::HasImage(const CJQWControl* control) const
{
    return control->GetDisplayIconId() != 0 || control->GetID() != 0;
}

void CJQWCustomizeSheet::CCustomizeButton::Execute()
{
    if (CJQWCommandBar* bar = GetParent())
        if (CJQWCommandBar* root = bar->GetRootParentBar())
            root->StopTracking();
    CWnd* sheet = GetParent() ? GetParent()->GetOwnerSite() : nullptr;
    if (!sheet || !sheet->GetSafeHwnd())
        return;
    JQW_CONTROL_NOTIFY_RECORD record;
    record.hwndFrom = GetParent()->GetSafeHwnd();
    record.idFrom = UINT_PTR(GetID());
    record.code = JQW_CN_EXECUTE;
    record.control = this;
    InternalAddRef();
    if (!sheet->SendMessage(JQWM_CONTROL_NOTIFY, WPARAM(GetID()), LPARAM(&record)))
        sheet->SendMessage(WM_COMMAND, WPARAM(GetID()), 0);
    InternalRelease();
}

LRESULT CJQWCustomizeSheet::OnControlNotify(WPARAM wParam, LPARAM lParam)
{
    auto* record = reinterpret_cast<JQW_CONTROL_NOTIFY_RECORD*>(lParam);
    if (!record || record->code != JQW_CN_EXECUTE)
        return 0;
    const UINT id = UINT(wParam);
    if (id == JQW_ID_CUSTOMIZE_CHANGEIMAGE) {
        CJQWControl* selected = Selected();
        CJQWControl* chosen = record->control;
        if (!selected || !chosen)
            return 1;
        CJQWImageManagerIconSet* set = m_pStockImages->FindIconSet(UINT(chosen->GetDisplayIconId()));
        if (!set || set->GetIcons().GetCount() != 1)
            return 1;
        CJQWImageManagerIcon* icon = set->GetIcon(0);
        CJQWImageManager* target = selected->GetParent() ? selected->GetParent()->GetImageManager() : nullptr;
        if (!icon || !target)
            return 1;
        if (const UINT custom = target->AddCustomIcon(icon->GetNormalImage())) {
            selected->SetCustomIconId(int(custom));
            Relayout(selected);
        }
        return 1;
    }
    if (id >= JQW_ID_CUSTOMIZE_RESET && id <= JQW_ID_CUSTOMIZE_BEGINAGROUP)
        return 0;
    if (record->control && record->control->GetParent())
        record->control->GetParent()->StopTracking();
    if (m_pSite && m_pSite->GetSafeHwnd() && !m_pSite->SendMessage(JQWM_CONTROL_NOTIFY, wParam, lParam))
        m_pSite->SendMessage(WM_COMMAND, wParam, 0);
    return 1;
}

void CJQWCustomizeSheet::FillImagePalette(CJQWCommandBar* popup)
{
    if (!popup || popup->GetBarID() != JQW_ID_CUSTOMIZE_CHANGEIMAGE || popup->GetControlCount() != 0)
        return;
    std::vector<UINT> ids;
    const auto& sets = m_pStockImages->GetIconSets();
    for (POSITION position = sets.GetStartPosition(); position;) {
        UINT id = 0;
        CJQWImageManagerIconSet* set = nullptr;
        sets.GetNextAssoc(position, id, set);
        ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    for (UINT imageId : ids) {
        CJQWControl* button = popup->GetControls()->Add(new CCustomizeButton, int(JQW_ID_CUSTOMIZE_CHANGEIMAGE));
        button->SetIconId(int(imageId));
        button->SetFlags(button->GetFlags() | jqwFlagNoUpdate);
    }
    popup->SetMRUWidth(JQWCustomizePaletteWidth(int(ids.size())));
}

LRESULT CJQWCustomizeSheet::OnPopupShown(WPARAM, LPARAM lParam)
{
    FillImagePalette(reinterpret_cast<CJQWCommandBar*>(lParam));
    return 0;
}

LRESULT CJQWCustomizeSheet::OnCustomizeSelection(WPARAM, LPARAM)
{
    if (CPropertyPage* page = GetActivePage())
        if (page->GetSafeHwnd())
            page->UpdateDialogControls(this, FALSE);
    return 0;
}

void CJQWCustomizeSheet::OnReset()
{
    if (CJQWControl* control = Selected())
        control->ResetCustomization();
}

void CJQWCustomizeSheet::OnDelete()
{
    CJQWControl* control = Selected();
    if (!control || !control->GetControls())
        return;
    control->InternalAddRef();
    m_pCommandBars->SetCustomizeControl(nullptr);
    CJQWCommandBar* bar = control->GetParent();
    control->GetControls()->Remove(control);
    if (bar) {
        bar->OnRecalcLayout();
        bar->Redraw();
    }
    control->InternalRelease();
}

void CJQWCustomizeSheet::OnCopyImage()
{
    // Clipboard images are not offered in this layer's clipboard yet; nothing is copied.
}

void CJQWCustomizeSheet::OnPasteImage()
{
}

void CJQWCustomizeSheet::OnResetImage()
{
    if (CJQWControl* control = Selected()) {
        control->SetCustomIconId(0);
        Relayout(control);
    }
}

void CJQWCustomizeSheet::OnEditImage()
{
    CJQWControl* control = Selected();
    if (!control || !HasImage(control) || !g_editor)
        return;
    const CSize size = control->GetIconSize();
    CJQWIconImageHandle image;
    CJQWImageManager* images = control->GetParent() ? control->GetParent()->GetImageManager() : nullptr;
    if (!images)
        return;
    if (CJQWImageManagerIcon* icon = images->GetImage(UINT(control->GetDisplayIconId()), size.cx))
        image.CopyFrom(icon->GetNormalImage());
    if (!g_editor(this, image, size) || image.IsEmpty())
        return;
    if (control->GetCustomIconId() == 0) {
        if (const UINT custom = images->AddCustomIcon(image))
            control->SetCustomIconId(int(custom));
    } else if (CJQWImageManagerIcon* icon = images->GetImage(UINT(control->GetCustomIconId()), size.cx)) {
        icon->SetNormalImage(image);
    }
    Relayout(control);
}

void CJQWCustomizeSheet::OnStyle(UINT id)
{
    CJQWControl* control = Selected();
    if (!control)
        return;
    control->SetCustomStyle(id == JQW_ID_CUSTOMIZE_DEFAULTSTYLE ? 0 : id == JQW_ID_CUSTOMIZE_TEXTONLY ? 1 : 3);
    Relayout(control);
}

void CJQWCustomizeSheet::OnBeginGroup()
{
    if (CJQWControl* control = Selected()) {
        control->SetBeginGroup(!control->GetBeginGroup());
        Relayout(control);
    }
}

void CJQWCustomizeSheet::OnUpdateItem(CCmdUI* cmdUI)
{
    CJQWControl* control = Selected();
    if (!control) {
        cmdUI->Enable(FALSE);
        return;
    }
    const int type = control->GetType();
    const BOOL button = type >= JQW_CONTROL_BUTTON && type <= JQW_CONTROL_SPLIT_BUTTON_POPUP;
    const BOOL image = HasImage(control);
    const int style = control->GetStyle();
    switch (cmdUI->m_nID) {
    case JQW_ID_CUSTOMIZE_RESET:
        cmdUI->Enable(control->GetCustomIconId() > 0 || control->GetCustomStyle() != -1 || !control->GetCustomCaption().IsEmpty());
        break;
    case JQW_ID_CUSTOMIZE_DELETE:
    case JQW_ID_CUSTOMIZE_NAME:
        cmdUI->Enable(TRUE);
        break;
    case JQW_ID_CUSTOMIZE_COPYIMAGE:
    case JQW_ID_CUSTOMIZE_EDITIMAGE:
    case JQW_ID_CUSTOMIZE_CHANGEIMAGE:
        cmdUI->Enable(button && image);
        break;
    case JQW_ID_CUSTOMIZE_PASTEIMAGE:
        cmdUI->Enable(button && ::IsClipboardFormatAvailable(CF_BITMAP));
        break;
    case JQW_ID_CUSTOMIZE_RESETIMAGE:
        cmdUI->Enable(control->GetCustomIconId() > 0);
        break;
    case JQW_ID_CUSTOMIZE_DEFAULTSTYLE:
        cmdUI->Enable(image);
        cmdUI->SetCheck(!image || style == 0 || style == 2);
        break;
    case JQW_ID_CUSTOMIZE_IMAGEANDTEXT:
        cmdUI->Enable(image);
        cmdUI->SetCheck(image && style == 3);
        break;
    case JQW_ID_CUSTOMIZE_TEXTONLY:
        cmdUI->Enable(image);
        cmdUI->SetCheck(image && style == 1);
        break;
    case JQW_ID_CUSTOMIZE_BEGINAGROUP:
        cmdUI->Enable(control->GetIndex() > 0);
        cmdUI->SetCheck(control->GetBeginGroup());
        break;
    default:
        break;
    }
}
