#pragma once
// The program's main window: a resizable modal dialog with a menu bar, a toolbar and a status bar,
// the source-files list, the available-actions tree and the stack list with their captions and
// buttons, and two splitters between the panes. It opens, saves and runs stacks.

#include "app/mainwindow/JQWDialogBase.h"
#include "app/panes/ActionStackWnd.h"
#include "app/panes/AvailableActionsTreeWnd.h"
#include "app/panes/TargetFilesWnd.h"
#include "app/windows/DialogSplitterCtrl.h"
#include "toolkit/controls/Button.h"
#include "toolkit/controls/Resize.h"
#include "toolkit/controls/StatusBar.h"
#include "tooltips/RichTipLook.h"

#include "platform/framework/GdiClasses.h"

#include <thread>

class CActionStack;
class CImageViewerDlg;
class CJQWImageManager;

// Dialog template and controls.
constexpr UINT IDD_VORNALT_DIALOG = 102;
constexpr UINT IDC_ACTIONS_TREE = 1003;
constexpr UINT IDC_STACK_LIST = 1004;
constexpr UINT IDC_TARGET_FILES = 1007;
constexpr UINT IDC_FILES_LIST = IDC_TARGET_FILES;
constexpr UINT IDC_MOVE_UP = 1009;
constexpr UINT IDC_MOVE_DOWN = 1010;
constexpr UINT IDC_PROPERTIES = 1022;
constexpr UINT IDC_REMOVE_ACTION = 1023;
constexpr UINT IDC_REMOVE_ALL = 1024;
constexpr UINT IDC_RUN = 1026;
constexpr UINT IDC_PREVIEW = 1045;
constexpr UINT IDC_ADD_ACTION = 1046;
constexpr UINT IDC_ADD_FILES = 1047;
constexpr UINT IDC_REMOVE_FILES = 1049;
constexpr UINT IDC_FILES_CAPTION = 1068;
constexpr UINT IDC_ACTIONS_CAPTION = 1069;
constexpr UINT IDC_STACK_CAPTION = 1070;
constexpr UINT IDC_SPLITTER_ONE = 1071;
constexpr UINT IDC_SPLITTER_TWO = 1072;
constexpr UINT IDC_MAIN_STATUSBAR = 0xE801;

// Commands.
constexpr UINT ID_STACK_OPEN = 32772;
constexpr UINT ID_TARGETS_ADD = 32774;
constexpr UINT ID_STACK_SAVE = 32775;
constexpr UINT ID_STACK_RUN = 32776;
constexpr UINT ID_TARGETS_REMOVE = 32777;
constexpr UINT ID_TARGETS_PREVIEW = 32778;
constexpr UINT ID_APP_ABOUT_VORNALT = 32779;
constexpr UINT ID_VORNALT_HELP = 32780;
constexpr UINT ID_ACTION_MOVE_UP = 32781;
constexpr UINT ID_ACTION_MOVE_DOWN = 32782;
constexpr UINT ID_ACTION_PROPERTIES_CMD = 32783;
constexpr UINT ID_ACTION_REMOVE = 32784;
constexpr UINT ID_ACTION_REMOVE_ALL = 32785;
constexpr UINT ID_APP_EXIT_VORNALT = 32786;
constexpr UINT ID_ACTION_ADD = 32806;
constexpr UINT ID_COMMANDBARS_CUSTOMIZE = 35001;

// Private messages the panes send.
constexpr UINT WM_VORNALT_REMOVETARGETS = WM_VORNALT_REMOVE_SELECTED_TARGETS;
constexpr UINT WM_VORNALT_REMOVEACTION = WM_VORNALT_REMOVE_SELECTED_ACTION;

// Strings.
constexpr UINT IDS_SAVE_FAILED = 320;
constexpr UINT IDS_CLOSE_CHANGED = 321;

class CVornaltDlg : public CJQWDialogBase<CJQResizeDialog> {
    DECLARE_MESSAGE_MAP()
public:
    CVornaltDlg();
    ~CVornaltDlg() override;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnOK() override;
    void OnCancel() override;

    void UpdateTitle();
    void RecalcBarLayout();
    bool OpenStackFile(const CString& path);
    // Whether the stack has changes that are not in its file.
    bool IsModified() const;
    void SetModified(bool modified);

    // Commands.
    void OnOpenStack();
    void OnSaveStack();
    void OnRunStack();
    void OnMoveActionUp();
    void OnMoveActionDown();
    void OnAddAction();
    void OnRemoveAction();
    void OnRemoveAllActions();
    void OnActionProperties();
    void OnExit();
    void OnAddTargetFiles();
    void OnRemoveTargets();
    void OnPreviewTarget();
    void OnHelp();
    void OnAbout();
    void OnCustomize();
    void OnUpdateSaveStack(CCmdUI* ui);
    void OnUpdateAlways(CCmdUI* ui);
    void OnUpdateRunStack(CCmdUI* ui);
    void OnUpdateMoveActionUp(CCmdUI* ui);
    void OnUpdateMoveActionDown(CCmdUI* ui);
    void OnUpdateAddAction(CCmdUI* ui);
    void OnUpdateActionSelected(CCmdUI* ui);
    void OnUpdateRemoveAllActions(CCmdUI* ui);
    void OnUpdateTargetSelected(CCmdUI* ui);
    void OnActionsTreeDoubleClick(NMHDR* header, LRESULT* result);
    void OnFilesDoubleClick(NMHDR* header, LRESULT* result);

    // Messages.
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);
    LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam);
    LRESULT OnSplitterMoved(WPARAM wParam, LPARAM lParam);
    LRESULT OnRemoveTargetsMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnRemoveActionMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnUpdateAvailable(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    HICON m_hIcon = nullptr;
    CJQWStatusBar m_statusBar;
    CDialogSplitterCtrl m_splitterOne;
    CDialogSplitterCtrl m_splitterTwo;
    CRect m_barBorders;
    int m_bLayoutReady = 0;
    int m_bInBarLayout = 0;
    CRichTipLook m_tooltip;
    CJQButton m_btnPreview, m_btnAddAction, m_btnProperties, m_btnUp, m_btnDown, m_btnRemove, m_btnRemoveAll,
        m_btnRun, m_btnAddFiles, m_btnRemoveFiles;
    CString m_strCommandLineStackPath;
    CJQWImageManager* m_buttonImages = nullptr;
    CString m_strCurrentStackPath;
    CActionStackWnd m_stackList;
    CAvailableActionsTreeWnd m_actionsTree;
    CTargetFilesWnd m_filesList;
    CFont m_captionFont;
    CImageViewerDlg* m_pImageViewer = nullptr;

private:
    void SetButtonImage(CJQButton& button, UINT id, int index);
    void RegisterTool(UINT id, UINT stringId);
    void SyncResizerItem(HWND window);
    void StoreSplitterPositions();
    bool SaveStackTo(const CString& path);
    // Asks before changes would be lost; false when the user keeps the window open.
    bool ConfirmClose();

    // Sets the command's state and the button's when it differs.
    void EnableCommand(CCmdUI* ui, UINT buttonId, bool enable);
    bool CanMoveUp() const;
    bool CanMoveDown() const;
    int SelectedStackRow() const;
    std::thread m_updateCheck;
};
