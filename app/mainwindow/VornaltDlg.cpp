#include "app/mainwindow/VornaltDlg.h"

#include "app/run/RunStack.h"
#include "toolkit/controls/customize/CustomizeCommandsPage.h"
#include "toolkit/controls/customize/CustomizeKeyboardPage.h"
#include "toolkit/controls/customize/CustomizeSheet.h"

#include "app/SettingsStore.h"
#include "app/VornaltApp.h"
#include "app/filetypes/FileTypeRegistration.h"
#include "app/update/DownloadUpdateDlg.h"
#include "app/update/UpdateAvailableDlg.h"
#include "app/update/UpdateCheck.h"
#include "app/windows/AboutDlg.h"
#include "app/run/BatchProgressDlg.h"
#include "app/viewer/ImageViewerDlg.h"
#include "engine/ActionStack.h"
#include "engine/ActionTargetBatch.h"
#include "engine/ImageFileWalk.h"
#include "engine/actions/ActionSaveFile.h"
#include "platform/base/File.h"
#include "platform/framework/AfxMessages.h"
#include "platform/framework/CommonDialog.h"
#include "platform/framework/DateTime.h"
#include "platform/framework/WinApp.h"
#include "platform/user/ControlMessages.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/controls/AuxData.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "platform/base/Path.h"
#include "platform/base/ResourceTable.h"

// The window's resource table (its header would bring the script's own style names along).
extern const platform::resources::ResourceTable AppMainWindowResources;

#include <cstdio>

namespace {

constexpr UINT kQueryDragIcon = 0x0037;
constexpr UINT kIconEraseBackground = 0x0027;
constexpr UINT IDS_PROGRAM_TITLE = 102;
constexpr UINT IDS_UNSAVED_TITLE = 202;
constexpr UINT IDS_STACK_FILTER = 197;
constexpr UINT IDS_STACK_EXTENSION = 198;
constexpr UINT IDS_OPEN_FAILED = 199;
constexpr UINT IDS_OPEN_CHANGED = 196;
constexpr UINT IDS_MENU_BAR = 194;
constexpr UINT IDS_STANDARD_BAR = 195;
constexpr UINT IDR_MAIN_MENU = 135;
constexpr UINT IDR_MAIN_TOOLBAR = 151;
constexpr UINT IDR_MAIN_ACCELERATORS = 135;
constexpr UINT IDI_PROGRAM = 128;
constexpr UINT IDB_BUTTONS = 143;
constexpr int kWhidbeyTheme = 4;
constexpr const char16_t* kCommandBarsSection = u"CommandBars";
constexpr const char16_t* kPlacementSection = u"Main";

CString LoadText(UINT id, const char16_t* fallback)
{
    CString text;
    if (!text.LoadString(id))
        text = fallback;
    return text;
}

// The filter and default extension of the stack-file dialogs.
CString StackFilter() { return LoadText(IDS_STACK_FILTER, u"Vornalt Files (*.stack)|*.stack|All Files (*.*)|*.*||"); }
CString StackExtension()
{
    CString extension = LoadText(IDS_STACK_EXTENSION, u".stack");
    // The dialog appends it after its own '.'.
    if (extension.GetLength() > 0 && extension[0] == u'.')
        extension = extension.Mid(1);
    return extension;
}

double Today() { return double(COleDateTime::GetCurrentTime()); }

// The next selected row of a list after `row` (-1: from the start); -1 when none.
int NextSelectedRow(const CWnd& list, int row)
{
    return list.GetSafeHwnd() ? int(::SendMessageW(list.GetSafeHwnd(), LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED)) : -1;
}

RECT ClientRectOf(HWND window, HWND parent)
{
    RECT r {};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

BEGIN_MESSAGE_MAP(CVornaltDlg, CJQResizeDialog)
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_DESTROY()
    ON_MESSAGE(kQueryDragIcon, &CVornaltDlg::OnQueryDragIcon)
    ON_MESSAGE(WM_SETMESSAGESTRING, &CVornaltDlg::OnSetMessageString)
    ON_MESSAGE(WM_POPMESSAGESTRING, &CVornaltDlg::OnSetMessageString)
    ON_MESSAGE(WM_KICKIDLE, &CVornaltDlg::OnKickIdle)
    ON_MESSAGE(WM_DIALOGSPLITTER_MOVED, &CVornaltDlg::OnSplitterMoved)
    ON_MESSAGE(WM_VORNALT_REMOVETARGETS, &CVornaltDlg::OnRemoveTargetsMessage)
    ON_MESSAGE(WM_VORNALT_REMOVEACTION, &CVornaltDlg::OnRemoveActionMessage)
    ON_MESSAGE(WM_VORNALT_UPDATEAVAILABLE, &CVornaltDlg::OnUpdateAvailable)
    ON_COMMAND(ID_STACK_OPEN, &CVornaltDlg::OnOpenStack)
    ON_COMMAND(ID_STACK_SAVE, &CVornaltDlg::OnSaveStack)
    ON_UPDATE_COMMAND_UI(ID_STACK_SAVE, &CVornaltDlg::OnUpdateSaveStack)
    ON_UPDATE_COMMAND_UI(ID_STACK_OPEN, &CVornaltDlg::OnUpdateAlways)
    ON_COMMAND(ID_STACK_RUN, &CVornaltDlg::OnRunStack)
    ON_COMMAND(ID_ACTION_MOVE_UP, &CVornaltDlg::OnMoveActionUp)
    ON_COMMAND(ID_ACTION_MOVE_DOWN, &CVornaltDlg::OnMoveActionDown)
    ON_COMMAND(ID_ACTION_ADD, &CVornaltDlg::OnAddAction)
    ON_COMMAND(ID_ACTION_REMOVE, &CVornaltDlg::OnRemoveAction)
    ON_COMMAND(ID_ACTION_REMOVE_ALL, &CVornaltDlg::OnRemoveAllActions)
    ON_COMMAND(ID_ACTION_PROPERTIES_CMD, &CVornaltDlg::OnActionProperties)
    ON_COMMAND(ID_APP_EXIT_VORNALT, &CVornaltDlg::OnExit)
    ON_COMMAND(ID_TARGETS_ADD, &CVornaltDlg::OnAddTargetFiles)
    ON_UPDATE_COMMAND_UI(ID_TARGETS_ADD, &CVornaltDlg::OnUpdateAlways)
    ON_COMMAND(ID_TARGETS_REMOVE, &CVornaltDlg::OnRemoveTargets)
    ON_COMMAND(ID_TARGETS_PREVIEW, &CVornaltDlg::OnPreviewTarget)
    ON_COMMAND(ID_VORNALT_HELP, &CVornaltDlg::OnHelp)
    ON_UPDATE_COMMAND_UI(ID_VORNALT_HELP, &CVornaltDlg::OnUpdateAlways)
    ON_COMMAND(ID_APP_ABOUT_VORNALT, &CVornaltDlg::OnAbout)
    ON_COMMAND(35001, &CVornaltDlg::OnCustomize)
    ON_UPDATE_COMMAND_UI(ID_STACK_RUN, &CVornaltDlg::OnUpdateRunStack)
    ON_UPDATE_COMMAND_UI(ID_ACTION_MOVE_UP, &CVornaltDlg::OnUpdateMoveActionUp)
    ON_UPDATE_COMMAND_UI(ID_ACTION_MOVE_DOWN, &CVornaltDlg::OnUpdateMoveActionDown)
    ON_UPDATE_COMMAND_UI(ID_ACTION_ADD, &CVornaltDlg::OnUpdateAddAction)
    ON_UPDATE_COMMAND_UI(ID_ACTION_REMOVE, &CVornaltDlg::OnUpdateActionSelected)
    ON_UPDATE_COMMAND_UI(ID_ACTION_PROPERTIES_CMD, &CVornaltDlg::OnUpdateActionSelected)
    ON_UPDATE_COMMAND_UI(ID_ACTION_REMOVE_ALL, &CVornaltDlg::OnUpdateRemoveAllActions)
    ON_UPDATE_COMMAND_UI(ID_TARGETS_REMOVE, &CVornaltDlg::OnUpdateTargetSelected)
    ON_UPDATE_COMMAND_UI(ID_TARGETS_PREVIEW, &CVornaltDlg::OnUpdateTargetSelected)
    ON_NOTIFY(NM_DBLCLK, IDC_ACTIONS_TREE, &CVornaltDlg::OnActionsTreeDoubleClick)
    ON_NOTIFY(NM_DBLCLK, IDC_TARGET_FILES, &CVornaltDlg::OnFilesDoubleClick)
    ON_BN_CLICKED(IDC_RUN, &CVornaltDlg::OnRunStack)
    ON_BN_CLICKED(IDC_MOVE_UP, &CVornaltDlg::OnMoveActionUp)
    ON_BN_CLICKED(IDC_MOVE_DOWN, &CVornaltDlg::OnMoveActionDown)
    ON_BN_CLICKED(IDC_ADD_ACTION, &CVornaltDlg::OnAddAction)
    ON_BN_CLICKED(IDC_REMOVE_ACTION, &CVornaltDlg::OnRemoveAction)
    ON_BN_CLICKED(IDC_REMOVE_ALL, &CVornaltDlg::OnRemoveAllActions)
    ON_BN_CLICKED(IDC_PROPERTIES, &CVornaltDlg::OnActionProperties)
    ON_BN_CLICKED(IDC_ADD_FILES, &CVornaltDlg::OnAddTargetFiles)
    ON_BN_CLICKED(IDC_REMOVE_FILES, &CVornaltDlg::OnRemoveTargets)
    ON_BN_CLICKED(IDC_PREVIEW, &CVornaltDlg::OnPreviewTarget)
END_MESSAGE_MAP()

CVornaltDlg::CVornaltDlg() : CJQWDialogBase<CJQResizeDialog>(IDD_VORNALT_DIALOG, nullptr)
{
    // Keeps the window's resources in the program.
    static const void* volatile table = &AppMainWindowResources;
    (void)table;
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_PROGRAM));
    m_barBorders.SetRectEmpty();
    LOGFONTW bold {};
    if (GetGlobalAuxData().fontBold.GetSafeHandle())
        GetGlobalAuxData().fontBold.GetLogFont(&bold);
    else
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof bold, &bold);
    bold.lfHeight = 140;
    m_captionFont.CreatePointFontIndirect(&bold);
}

CVornaltDlg::~CVornaltDlg()
{
    // The window is gone: a check still running finds no window to tell.
    if (m_hWnd)
        DestroyWindow();
    if (m_updateCheck.joinable())
        m_updateCheck.join();
    if (m_buttonImages)
        m_buttonImages->InternalRelease();
    delete m_pImageViewer;
}

BOOL CVornaltDlg::OnInitDialog()
{
    SetMainWindowHandle(m_hWnd);
    SetFlags(jqResizeNoGrip);
    CJQResizeDialog::OnInitDialog();

    m_buttonImages = new CJQWImageManager;
    m_buttonImages->SetIconsFromResource(IDB_BUTTONS, nullptr, 0, CSize(16, 16));

    CheckStackFileType(GetAppSettings(), [this](bool& dontAskAgain) {
        CRegisterFileTypeDlg dialog;
        const int answer = int(dialog.DoModal());
        dontAskAgain = dialog.m_bDontAskAgain != 0;
        return answer;
    });

    struct ButtonSpec {
        CJQButton* button;
        UINT id;
    };
    const ButtonSpec buttons[] = { { &m_btnPreview, IDC_PREVIEW }, { &m_btnAddAction, IDC_ADD_ACTION },
        { &m_btnProperties, IDC_PROPERTIES }, { &m_btnUp, IDC_MOVE_UP }, { &m_btnDown, IDC_MOVE_DOWN },
        { &m_btnRemove, IDC_REMOVE_ACTION }, { &m_btnRemoveAll, IDC_REMOVE_ALL }, { &m_btnRun, IDC_RUN },
        { &m_btnAddFiles, IDC_ADD_FILES }, { &m_btnRemoveFiles, IDC_REMOVE_FILES } };
    for (const ButtonSpec& spec : buttons)
        spec.button->SubclassDlgItem(spec.id, this);
    m_splitterOne.SubclassDlgItem(IDC_SPLITTER_ONE, this);
    m_filesList.SubclassDlgItem(IDC_TARGET_FILES, this);
    m_actionsTree.SubclassDlgItem(IDC_ACTIONS_TREE, this);
    m_stackList.SubclassDlgItem(IDC_STACK_LIST, this);
    m_splitterTwo.SubclassDlgItem(IDC_SPLITTER_TWO, this);

    if (m_tooltip.CreateTipWindow(this)) {
        m_tooltip.ApplyStandardLook();
        RegisterTool(IDC_PREVIEW, 185);
        RegisterTool(IDC_ADD_ACTION, 186);
        RegisterTool(IDC_PROPERTIES, 187);
        RegisterTool(IDC_MOVE_UP, 188);
        RegisterTool(IDC_MOVE_DOWN, 189);
        RegisterTool(IDC_REMOVE_ACTION, 190);
        RegisterTool(IDC_REMOVE_ALL, 191);
        RegisterTool(IDC_REMOVE_FILES, 192);
        RegisterTool(IDC_ADD_FILES, 193);
        RegisterTool(IDC_RUN, 292);
    }

    auto item = [this](UINT id) { return ::GetDlgItem(m_hWnd, int(id)); };
    m_splitterOne.m_bVertical = 1;
    m_splitterOne.AddFirst(item(IDC_FILES_LIST), 1, 150);
    m_splitterOne.AddFirst(item(IDC_ADD_FILES), 0, 0);
    m_splitterOne.AddFirst(item(IDC_REMOVE_FILES), 0, 0);
    m_splitterOne.AddFirst(item(IDC_PREVIEW), 0, 0);
    m_splitterOne.AddSecond(item(IDC_ACTIONS_TREE), 1, 150);
    m_splitterOne.AddSecond(item(IDC_ACTIONS_CAPTION), 1, 0);
    m_splitterTwo.m_bVertical = 0;
    m_splitterTwo.AddFirst(item(IDC_FILES_LIST), 1, 150);
    m_splitterTwo.AddFirst(item(IDC_ACTIONS_TREE), 1, 150);
    m_splitterTwo.AddFirst(item(IDC_SPLITTER_ONE), 1, 0);
    m_splitterTwo.AddSecond(item(IDC_STACK_LIST), 1, 150);
    for (UINT id : { IDC_PROPERTIES, IDC_MOVE_DOWN, IDC_MOVE_UP, IDC_REMOVE_ACTION, IDC_REMOVE_ALL, IDC_RUN,
             IDC_STACK_CAPTION })
        m_splitterTwo.AddSecond(item(id), 0, 0);

    for (UINT id : { IDC_FILES_CAPTION, IDC_ACTIONS_CAPTION, IDC_STACK_CAPTION })
        ::SendMessageW(item(id), WM_SETFONT, WPARAM(m_captionFont.GetSafeHandle()), TRUE);

    SendMessage(WM_SETICON, 1, LPARAM(m_hIcon));
    SendMessage(WM_SETICON, 0, LPARAM(m_hIcon));

    const UINT indicator = 0;
    if (!m_statusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, IDC_MAIN_STATUSBAR)
        || !m_statusBar.SetIndicators(&indicator, 1))
        return -1;
    m_statusBar.SetPaneInfo(0, 0, SBPS_STRETCH, 100);

    m_pCommandBars = static_cast<CJQWCommandBars*>(RUNTIME_CLASS(CJQWCommandBars)->CreateObject());
    m_pCommandBars->SetSite(this);
    m_pCommandBars->CreateDockBars();
    if (CJQWPaintManager* theme = SetGlobalPaintTheme(kWhidbeyTheme))
        theme->RefreshMetrics();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    m_pCommandBars->AddMenuBar(LoadText(IDS_MENU_BAR, u"Menu Bar"), IDR_MAIN_MENU);
    if (CJQWToolBar* standard = m_pCommandBars->AddToolBar(LoadText(IDS_STANDARD_BAR, u"Standard"), jqwBarTop)) {
        standard->LoadToolBar(IDR_MAIN_TOOLBAR);
        standard->GetControls()->CreateOriginalControls();
    }
    m_pCommandBars->GetCommandBarsOptions()->SetKeyboardCuesShow(2);
    m_pCommandBars->GetShortcutManager()->LoadAcceleratorResource(IDR_MAIN_ACCELERATORS);

    CString optionsSection;
    optionsSection.Format(u"%s-Options", kCommandBarsSection);
    m_pCommandBars->LoadOptions(optionsSection);
    m_pCommandBars->LoadLayout(kCommandBarsSection, TRUE);
    m_pCommandBars->GetShortcutManager()->LoadShortcuts(kCommandBarsSection);

    SetButtonImage(m_btnPreview, IDC_PREVIEW, 6);
    SetButtonImage(m_btnAddAction, IDC_ADD_ACTION, 5);
    SetButtonImage(m_btnProperties, IDC_PROPERTIES, 7);
    SetButtonImage(m_btnUp, IDC_MOVE_UP, 0);
    SetButtonImage(m_btnDown, IDC_MOVE_DOWN, 2);
    SetButtonImage(m_btnRemove, IDC_REMOVE_ACTION, 4);
    SetButtonImage(m_btnRemoveAll, IDC_REMOVE_ALL, 8);
    SetButtonImage(m_btnAddFiles, IDC_ADD_FILES, 5);
    SetButtonImage(m_btnRemoveFiles, IDC_REMOVE_FILES, 4);
    SetButtonImage(m_btnRun, IDC_RUN, 9);

    const JQ_RESIZERECT right = MakeResizeRect(1, 0, 1, 0);
    for (UINT id : { IDC_SPLITTER_ONE, IDC_ACTIONS_TREE, IDC_ACTIONS_CAPTION, IDC_ADD_FILES, IDC_REMOVE_FILES,
             IDC_PREVIEW, IDC_ADD_ACTION, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_PROPERTIES, IDC_REMOVE_ACTION,
             IDC_REMOVE_ALL })
        SetControlAnchors(id, nullptr, right);
    for (UINT id : { IDC_SPLITTER_TWO, IDC_FILES_LIST })
        SetControlAnchors(id, nullptr, MakeResizeRect(0, 0, 1, 0));
    SetControlAnchors(IDC_STACK_LIST, nullptr, MakeResizeRect(0, 0, 1, 1));
    for (UINT id : { IDC_FILES_CAPTION, IDC_STACK_CAPTION, IDC_RUN })
        SetControlAnchors(id, nullptr, MakeResizeRect(0, 0, 0, 0));

    m_bLayoutReady = 1;
    RecalcBarLayout();
    CRect window;
    GetWindowRect(&window);
    m_szMin = CSize(window.Width(), window.Height());
    RestorePlacement(kPlacementSection);

    // Enter outside a button asks for IDOK, which does nothing here, not for the first button.
    SendMessage(DM_SETDEFID, IDOK, 0);

    m_filesList.Init();
    m_actionsTree.Init();
    m_stackList.Init();
    m_actionsTree.EnableMultiSelect();

    CRect client;
    GetClientRect(&client);
    CSettingsStore& settings = GetAppSettings();
    const int one = settings.GetInt(u"SplitterOnePosition");
    const int two = settings.GetInt(u"SplitterTwoPosition");
    if (one != 0 && short(LOWORD(DWORD(one))) < client.Width())
        m_splitterOne.MoveTo(short(LOWORD(DWORD(one))), short(HIWORD(DWORD(one))));
    if (two != 0 && short(HIWORD(DWORD(two))) < client.Height())
        m_splitterTwo.MoveTo(short(LOWORD(DWORD(two))), short(HIWORD(DWORD(two))));
    OnSplitterMoved(0, 0);
    UpdateTitle();

    if (!m_strCommandLineStackPath.IsEmpty() && PathFileExistsW(m_strCommandLineStackPath.GetString()))
        OpenStackFile(m_strCommandLineStackPath);

    m_updateCheck = StartUpdateCheck(settings.GetNextUpdateCheck(), Today(), m_hWnd);
    return TRUE;
}

void CVornaltDlg::RegisterTool(UINT id, UINT stringId)
{
    CString text;
    if (!text.LoadString(stringId))
        return;
    HWND button = ::GetDlgItem(m_hWnd, int(id));
    TipTool tool;
    ::GetClientRect(button, &tool.rect);
    tool.text = text.GetString();
    m_tooltip.AddTool(button, tool);
}

void CVornaltDlg::SetButtonImage(CJQButton& button, UINT id, int index)
{
    (void)id;
    CJQWImageManagerIcon* icon = m_buttonImages->GetImage(UINT(index), 16);
    if (!icon)
        return;
    icon->InternalAddRef();
    button.SetIconObject(CSize(16, 16), icon);
    button.SetThemeStyleFlags(button.GetThemeStyleFlags() | JQ_BS_VISUALSTYLES, TRUE);
    button.ModifyStyle(BS_LEFT, BS_CENTER);
}

BOOL CVornaltDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tooltip.GetSafeHwnd() && m_tooltip.RelayMessage(msg))
        return TRUE;
    // Escape never closes the main window; the dialogs it opens keep theirs.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE
        && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd)))
        return TRUE;
    return CJQWDialogBase<CJQResizeDialog>::PreTranslateMessage(msg);
}

void CVornaltDlg::OnOK()
{
    // Enter never closes the main window.
}

bool CVornaltDlg::IsModified() const { return m_stackList.m_bModified != 0; }

void CVornaltDlg::SetModified(bool modified) { m_stackList.m_bModified = modified ? 1 : 0; }

bool CVornaltDlg::ConfirmClose()
{
    if (!IsModified())
        return true;
    switch (AfxMessageBox(IDS_CLOSE_CHANGED, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        OnSaveStack();
        // A save that failed or was cancelled keeps the window open.
        return !IsModified();
    case IDNO:
        return true;
    default:
        return false;
    }
}

void CVornaltDlg::OnCancel()
{
    if (!ConfirmClose())
        return;
    // Where the window's resizing took the splitters since they were last dragged.
    StoreSplitterPositions();
    SavePlacement(kPlacementSection);
    GetAppSettings().Save();
    EndDialog(IDOK);
}

void CVornaltDlg::OnExit() { OnCancel(); }

void CVornaltDlg::UpdateTitle()
{
    const CString program = LoadText(IDS_PROGRAM_TITLE, u"Vornalt");
    CString title;
    if (!m_strCurrentStackPath.IsEmpty()) {
        std::u16string path = m_strCurrentStackPath.GetString();
        const std::size_t slash = path.find_last_of(u"/\\");
        title = program + u" - " + CString(path.substr(slash == std::u16string::npos ? 0 : slash + 1).c_str());
    } else {
        title.Format(LoadText(IDS_UNSAVED_TITLE, u"%s - Unsaved Stack").GetString(), program.GetString());
    }
    SetWindowText(title);
}

void CVornaltDlg::OnSize(UINT type, int cx, int cy)
{
    CJQResizeDialog::OnSize(type, cx, cy);
    RecalcBarLayout();
}

void CVornaltDlg::RecalcBarLayout()
{
    if (m_bInBarLayout || !m_bLayoutReady || IsIconic())
        return;
    CRect client;
    GetClientRect(&client);
    if (client.IsRectEmpty())
        return;
    m_bInBarLayout = 1;
    CRect remaining;
    RepositionBars(0xE800, 0xE8FF, 0, reposQuery, &remaining, &client);
    const CRect borders(remaining.left - client.left, remaining.top - client.top, client.right - remaining.right,
        client.bottom - remaining.bottom);
    if (borders != m_barBorders) {
        OffsetItems(borders.left - m_barBorders.left, borders.top - m_barBorders.top);
        CRect window;
        GetWindowRect(&window);
        window.right += (borders.left + borders.right) - (m_barBorders.left + m_barBorders.right);
        window.bottom += (borders.top + borders.bottom) - (m_barBorders.top + m_barBorders.bottom);
        m_rcWindow = window;
        m_barBorders = borders;
        MoveWindow(&window, TRUE);
    }
    m_barBorders = borders;
    RepositionBars(0xE800, 0xE8FF, 0);
    m_bInBarLayout = 0;
}

LRESULT CVornaltDlg::OnSplitterMoved(WPARAM, LPARAM)
{
    std::vector<HWND> windows;
    for (CDialogSplitterCtrl* splitter : { &m_splitterOne, &m_splitterTwo }) {
        for (const CWindowResizerInfo& info : splitter->m_first)
            windows.push_back(info.hWnd);
        for (const CWindowResizerInfo& info : splitter->m_second)
            windows.push_back(info.hWnd);
    }
    windows.push_back(m_splitterOne.m_hWnd);
    windows.push_back(m_splitterTwo.m_hWnd);
    for (HWND window : windows)
        SyncResizerItem(window);
    StoreSplitterPositions();
    return 1;
}

void CVornaltDlg::StoreSplitterPositions()
{
    const RECT one = ClientRectOf(m_splitterOne.m_hWnd, m_hWnd);
    const RECT two = ClientRectOf(m_splitterTwo.m_hWnd, m_hWnd);
    CSettingsStore& settings = GetAppSettings();
    settings.SetInt(u"SplitterOnePosition", int((DWORD(one.top) << 16) | (DWORD(one.left) & 0xFFFF)));
    settings.SetInt(u"SplitterTwoPosition", int((DWORD(two.top) << 16) | (DWORD(two.left) & 0xFFFF)));
}

void CVornaltDlg::SyncResizerItem(HWND window)
{
    if (!window)
        return;
    const RECT r = ClientRectOf(window, m_hWnd);
    for (CJQResizeItem* item : Items())
        if (item->m_pWnd && item->m_pWnd->GetSafeHwnd() == window)
            item->m_rcPosition = { float(r.left), float(r.top), float(r.right), float(r.bottom) };
}

LRESULT CVornaltDlg::OnSetMessageString(WPARAM wParam, LPARAM lParam)
{
    CString text;
    if (lParam)
        text = reinterpret_cast<const WCHAR*>(lParam);
    else if (wParam) {
        text.LoadString(UINT(wParam));
        const int newline = text.Find(u'\n');
        if (newline >= 0)
            text = text.Left(newline);
    }
    if (m_statusBar.GetSafeHwnd())
        m_statusBar.SetPaneText(0, text);
    return 0;
}

LRESULT CVornaltDlg::OnKickIdle(WPARAM, LPARAM)
{
    if (m_pCommandBars)
        m_pCommandBars->IdleUpdateBars();
    if (m_statusBar.GetSafeHwnd())
        m_statusBar.SendMessage(WM_IDLEUPDATECMDUI, 1, 0);
    return 0;
}

void CVornaltDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(kIconEraseBackground, WPARAM(dc.GetSafeHdc()), 0);
        CRect client;
        GetClientRect(&client);
        const int x = (client.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    Default();
}

LRESULT CVornaltDlg::OnQueryDragIcon(WPARAM, LPARAM) { return LRESULT(m_hIcon); }

void CVornaltDlg::OnDestroy()
{
    SetMainWindowHandle(nullptr);
    CJQResizeDialog::OnDestroy();
}

// ---- Commands ----------------------------------------------------------------------------------

void CVornaltDlg::OnUpdateAlways(CCmdUI* ui) { ui->Enable(TRUE); }

void CVornaltDlg::OnUpdateSaveStack(CCmdUI* ui) { ui->Enable(IsModified()); }

bool CVornaltDlg::OpenStackFile(const CString& path)
{
    CActionStack* stack = new CActionStack;
    if (stack->LoadFromFile(path.GetString()) != 0) {
        stack->Release();
        return false;
    }
    m_strCurrentStackPath = path;
    m_stackList.LoadActions(stack);
    stack->Release();
    SetModified(false);
    UpdateTitle();
    return true;
}

void CVornaltDlg::OnOpenStack()
{
    if (!m_strCurrentStackPath.IsEmpty() && IsModified()
        && AfxMessageBox(IDS_OPEN_CHANGED, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    CFileDialog dialog(TRUE, StackExtension(), nullptr, OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING,
        StackFilter(), this);
    if (dialog.DoModal() != IDOK)
        return;
    if (!OpenStackFile(dialog.GetPathName()))
        AfxMessageBox(IDS_OPEN_FAILED, MB_OK);
}

bool CVornaltDlg::SaveStackTo(const CString& path)
{
    CActionStack* stack = m_stackList.BuildStack();
    if (!stack)
        return false;
    const int result = stack->SaveToFile(path.GetString());
    stack->Release();
    return result == 0;
}

void CVornaltDlg::OnSaveStack()
{
    CString path = m_strCurrentStackPath;
    if (path.IsEmpty()) {
        CFileDialog dialog(FALSE, StackExtension(), nullptr, OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING,
            StackFilter(), this);
        if (dialog.DoModal() != IDOK)
            return;
        path = dialog.GetPathName();
    }
    if (SaveStackTo(path)) {
        // Only a written file becomes the open one.
        m_strCurrentStackPath = path;
        SetModified(false);
    } else {
        CString text;
        text.Format(LoadText(IDS_SAVE_FAILED, u"The stack could not be saved to %s").GetString(), path.GetString());
        AfxMessageBox(text, MB_OK | MB_ICONERROR);
    }
    UpdateTitle();
}

void CVornaltDlg::EnableCommand(CCmdUI* ui, UINT buttonId, bool enable)
{
    ui->Enable(enable);
    if (HWND button = buttonId ? ::GetDlgItem(m_hWnd, int(buttonId)) : nullptr)
        if ((::IsWindowEnabled(button) != FALSE) != enable)
            ::EnableWindow(button, enable);
}

void CVornaltDlg::OnUpdateRunStack(CCmdUI* ui) { EnableCommand(ui, IDC_RUN, m_stackList.GetItemCount() > 0); }

void CVornaltDlg::OnUpdateAddAction(CCmdUI* ui)
{
    std::vector<CAction*> prototypes;
    m_actionsTree.GetSelectedPrototypes(prototypes);
    const bool any = !prototypes.empty();
    for (CAction* prototype : prototypes)
        prototype->Release();
    EnableCommand(ui, IDC_ADD_ACTION, any);
}

void CVornaltDlg::OnUpdateActionSelected(CCmdUI* ui)
{
    EnableCommand(ui, ui->m_nID == ID_ACTION_REMOVE ? IDC_REMOVE_ACTION : IDC_PROPERTIES, SelectedStackRow() >= 0);
}

void CVornaltDlg::OnUpdateRemoveAllActions(CCmdUI* ui)
{
    EnableCommand(ui, IDC_REMOVE_ALL, m_stackList.GetItemCount() > 0);
}

void CVornaltDlg::OnUpdateTargetSelected(CCmdUI* ui)
{
    const bool selected = NextSelectedRow(m_filesList, -1) >= 0;
    EnableCommand(ui, ui->m_nID == ID_TARGETS_REMOVE ? IDC_REMOVE_FILES : IDC_PREVIEW, selected);
}

void CVornaltDlg::OnUpdateMoveActionUp(CCmdUI* ui) { EnableCommand(ui, IDC_MOVE_UP, CanMoveUp()); }

void CVornaltDlg::OnUpdateMoveActionDown(CCmdUI* ui) { EnableCommand(ui, IDC_MOVE_DOWN, CanMoveDown()); }

int CVornaltDlg::SelectedStackRow() const
{
    return NextSelectedRow(m_stackList, -1);
}

bool CVornaltDlg::CanMoveUp() const
{
    const int sel = SelectedStackRow();
    CAction* action = m_stackList.GetSelectedAction();
    if (sel < 0 || !action)
        return false;
    const int head = action->IsPostProcess() ? m_stackList.FindPostProcessGroupRow() : m_stackList.FindMainGroupRow();
    return sel > head + 1;
}

bool CVornaltDlg::CanMoveDown() const
{
    const int sel = SelectedStackRow();
    CAction* action = m_stackList.GetSelectedAction();
    if (sel < 0 || !action)
        return false;
    const int count = const_cast<CActionStackWnd&>(m_stackList).GetItemCount();
    if (action->IsPostProcess())
        return sel < count - 1;
    int limit = m_stackList.FindPostProcessGroupRow() - 1;
    if (limit < 0)
        limit = count - 1;
    return sel < limit;
}

void CVornaltDlg::OnRunStack()
{
    RunStackWithProgress(this, &m_stackList, &m_filesList);
}

void CVornaltDlg::OnMoveActionUp()
{
    if (!CanMoveUp())
        return;
    const int sel = SelectedStackRow();
    if (sel > 0)
        m_stackList.MoveAction(sel - 1, sel);
}

void CVornaltDlg::OnMoveActionDown()
{
    if (!CanMoveDown())
        return;
    const int sel = SelectedStackRow();
    if (sel < m_stackList.GetItemCount() - 1)
        m_stackList.MoveAction(sel + 1, sel);
}

void CVornaltDlg::OnAddAction()
{
    std::vector<CAction*> prototypes;
    m_actionsTree.GetSelectedPrototypes(prototypes);
    for (CAction* prototype : prototypes) {
        const bool wasEmpty = m_stackList.GetItemCount() == 0;
        m_stackList.AddNewAction(prototype, -1);
        if (wasEmpty)
            m_stackList.Invalidate();
    }
    for (CAction* prototype : prototypes)
        prototype->Release();
}

void CVornaltDlg::OnRemoveAction()
{
    if (SelectedStackRow() >= 0)
        m_stackList.RemoveSelectedAction();
}

void CVornaltDlg::OnRemoveAllActions()
{
    if (m_stackList.GetItemCount() == 0)
        return;
    m_stackList.DeleteAllItems();
    m_stackList.m_bModified = 1;
}

void CVornaltDlg::OnActionProperties()
{
    if (SelectedStackRow() >= 0)
        m_stackList.EditSelectedProperties();
}

void CVornaltDlg::OnAddTargetFiles()
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING,
        LoadText(203, u"All Files (*.*)|*.*||"), this);
    if (dialog.DoModal() != IDOK)
        return;
    int rejected = 0;
    for (POSITION at = dialog.GetStartPosition(); at;) {
        const CString path = dialog.GetNextPathName(at);
        WalkImageFiles(path.GetString(), rejected, &CTargetFilesWnd::AddImageFile, &m_filesList);
    }
    if (rejected != 0) {
        CString text;
        text.Format(LoadText(103, u"%d of the files could not be added to the list").GetString(), rejected);
        AfxMessageBox(text, MB_OK | MB_ICONWARNING);
    }
}

void CVornaltDlg::OnRemoveTargets()
{
    std::vector<int> rows;
    for (int row = NextSelectedRow(m_filesList, -1); row >= 0; row = NextSelectedRow(m_filesList, row))
        rows.push_back(row);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        m_filesList.DeleteItem(*it);
}

void CVornaltDlg::OnPreviewTarget()
{
    if (!m_pImageViewer) {
        m_pImageViewer = new CImageViewerDlg;
        m_pImageViewer->SetStackList(&m_stackList);
        m_pImageViewer->SetSourceList(&m_filesList);
        m_pImageViewer->m_bModal = 0;
        if (!m_pImageViewer->Create(IDD_IMAGEVIEWER, this)) {
            delete m_pImageViewer;
            m_pImageViewer = nullptr;
            return;
        }
    }
    m_pImageViewer->GetPicture().ShowRow(NextSelectedRow(m_filesList, -1));
    if (m_pImageViewer->GetSafeHwnd())
        m_pImageViewer->UpdateButtons();
    m_pImageViewer->ShowWindow(SW_SHOW);
}

void CVornaltDlg::OnActionsTreeDoubleClick(NMHDR*, LRESULT* result)
{
    OnAddAction();
    *result = 0;
}

void CVornaltDlg::OnFilesDoubleClick(NMHDR*, LRESULT* result)
{
    if (NextSelectedRow(m_filesList, -1) >= 0)
        OnPreviewTarget();
    *result = 0;
}

LRESULT CVornaltDlg::OnRemoveTargetsMessage(WPARAM, LPARAM)
{
    OnRemoveTargets();
    return 1;
}

LRESULT CVornaltDlg::OnRemoveActionMessage(WPARAM, LPARAM)
{
    OnRemoveAction();
    return 1;
}

void CVornaltDlg::OnHelp()
{
    // There is no help file; the About box names the web page.
    OnAbout();
}

void CVornaltDlg::OnCustomize()
{
    if (!m_pCommandBars)
        return;
    CJQWCustomizeSheet sheet(m_pCommandBars);
    CJQWCustomizeKeyboardPage keyboard(&sheet);
    keyboard.AddCategories(IDR_MAIN_MENU);
    CJQWCustomizeOptionsPage options(&sheet);
    sheet.AddPage(&keyboard);
    sheet.AddPage(&options);
    CJQWCustomizeCommandsPage* commands = sheet.GetCommandsPage();
    commands->InsertCategoriesFromMenu(IDR_MAIN_MENU);
    commands->InsertAllCommands(9169);
    commands->InsertBuiltInMenus(IDR_MAIN_MENU, 9174);
    commands->InsertNewMenu(9162);
    sheet.DoModal();
}

void CVornaltDlg::OnAbout()
{
    CAboutDlg about;
    about.DoModal();
}


LRESULT CVornaltDlg::OnUpdateAvailable(WPARAM wParam, LPARAM)
{
    if (!wParam)
        return 1;
    const UpdateInfo& info = *reinterpret_cast<const UpdateInfo*>(wParam);
    auto text = [&info](const char* key) {
        auto it = info.find(key);
        return it == info.end() ? std::string() : it->second;
    };
    auto number = [&text](const char* key) { return short(std::atoi(text(key).c_str())); };
    CSettingsStore& settings = GetAppSettings();
    CUpdateAvailableDlg dialog(settings, Today(), this);
    dialog.m_bNoWeeklyCheck = settings.GetInt(u"EnableWeeklyChecks");
    dialog.m_strChanges = Utf8ToUtf16(text("changes")).c_str();
    dialog.m_strCurrentVersion = Utf8ToUtf16(GetProgramVersionText()).c_str();
    dialog.m_strNewVersion.Format(u"%d.%d.%d.%d", int(number("major")), int(number("minor")),
        int(number("bugfix")), int(number("build")));
    if (dialog.DoModal() == IDYES) {
        CDownloadUpdateDlg download(&info, this);
        download.DoModal();
    }
    settings.SetInt(u"EnableWeeklyChecks", dialog.m_bNoWeeklyCheck);
    return 1;
}
