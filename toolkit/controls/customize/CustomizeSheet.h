#pragma once
// The customize dialog of a command-bar manager. While it runs the manager is in customize mode:
// controls are dragged between toolbars, commands from the commands page onto toolbars, and a
// right click on a control shows the customize context menu. Thread hooks keep the rest of the
// application from reacting to input, except the bars being customised and the sheet itself.

#include "platform/framework/PropertySheet.h"
#include "platform/user/Window.h"
#include "toolkit/commandbars/ControlButton.h"

class CJQWCommandBars;
class CJQWCommandBar;
class CJQWControl;
class CJQWImageManager;
class CJQWPopupBar;
class CJQWCustomizeToolbarsPage;
class CJQWCustomizeCommandsPage;
class CJQWIconImageHandle;
struct JQW_CONTROL_NOTIFY_RECORD;

// Strings, menus and images of the sheet.
enum : UINT {
    JQW_IDS_CUSTOMIZE_CLOSE = 9160,
    JQW_IDS_CUSTOMIZE = 9161,
    JQW_IDR_CUSTOMIZE_MENU = 9121,
    JQW_IDB_CUSTOMIZE_IMAGES = 9103,
};

// Commands of the customize context menu.
enum : UINT {
    JQW_ID_CUSTOMIZE_RESET = 9123,
    JQW_ID_CUSTOMIZE_DELETE = 9124,
    JQW_ID_CUSTOMIZE_NAME = 9125,
    JQW_ID_CUSTOMIZE_COPYIMAGE = 9126,
    JQW_ID_CUSTOMIZE_PASTEIMAGE = 9127,
    JQW_ID_CUSTOMIZE_RESETIMAGE = 9128,
    JQW_ID_CUSTOMIZE_EDITIMAGE = 9129,
    JQW_ID_CUSTOMIZE_CHANGEIMAGE = 9130,
    JQW_ID_CUSTOMIZE_DEFAULTSTYLE = 9131,
    JQW_ID_CUSTOMIZE_IMAGEANDTEXT = 9132,
    JQW_ID_CUSTOMIZE_TEXTONLY = 9133,
    JQW_ID_CUSTOMIZE_BEGINAGROUP = 9134,
};

// Private: the sheet takes the focus (posted when the site window is activated).
constexpr UINT JQWM_CUSTOMIZE_TAKE_FOCUS = 0x8130;

// The button image editor (the toolkit's own by default; tests may set another): it edits
// `image` (empty: a new image of `size`) with `parent` as owner and answers TRUE on OK.
using JQW_EDIT_BUTTON_IMAGE = BOOL (*)(CWnd* parent, CJQWIconImageHandle& image, CSize size);
void JQWSetButtonImageEditor(JQW_EDIT_BUTTON_IMAGE editor);
JQW_EDIT_BUTTON_IMAGE JQWGetButtonImageEditor();

class CJQWCustomizeSheet : public CPropertySheet {
    DECLARE_DYNAMIC(CJQWCustomizeSheet)
    DECLARE_MESSAGE_MAP()
public:
    // A button of the context menu and of the image palette.
    class CCustomizeButton : public CJQWControlButton {
    public:
        void Execute() override;
    };

    CJQWCustomizeSheet(CJQWCommandBars* commandBars, UINT selectPage = 0);
    ~CJQWCustomizeSheet() override;

    // Built from the toolkit's own template for the page's id when there is one.
    void AddPage(CPropertyPage* page);
    // 2 at once while another customize sheet runs.
    INT_PTR DoModal() override;
    void ShowContextMenu(int x, int y);
    int ShowMessage(const CString& text, UINT type);

    CJQWCommandBars* GetCommandBars() const { return m_pCommandBars; }
    CWnd* GetSite() const { return m_pSite; }
    CJQWCustomizeToolbarsPage* GetToolbarsPage() const { return m_pToolbarsPage; }
    CJQWCustomizeCommandsPage* GetCommandsPage() const { return m_pCommandsPage; }
    CJQWPopupBar* GetContextMenu() const { return m_pContextMenu; }
    CJQWImageManager* GetStockImages() const { return m_pStockImages; }
    // The running sheet, null when none.
    static CJQWCustomizeSheet* GetActiveSheet();

    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // Input filters of the hooks: TRUE lets the event through.
    BOOL FilterMouse(UINT message, const MOUSEHOOKSTRUCT* data);
    BOOL FilterKeyboard(WPARAM key, LPARAM data);
    BOOL FilterCallWndProc(const CWPSTRUCT* data);

    // Adds the stock images to the palette popup (bar id 9130) when it is about to show.
    void FillImagePalette(CJQWCommandBar* popup);

protected:
    LRESULT OnControlNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnPopupShown(WPARAM wParam, LPARAM lParam);
    LRESULT OnCustomizeSelection(WPARAM wParam, LPARAM lParam);
    LRESULT OnTakeFocus(WPARAM wParam, LPARAM lParam);

    void OnReset();
    void OnDelete();
    void OnCopyImage();
    void OnPasteImage();
    void OnResetImage();
    void OnEditImage();
    void OnStyle(UINT id);
    void OnBeginGroup();
    void OnUpdateItem(CCmdUI* cmdUI);

private:
    void BuildContextMenu();
    CJQWControl* Selected() const;
    void Relayout(CJQWControl* control);
    BOOL HasImage(const CJQWControl* control) const;

    CJQWCommandBars* m_pCommandBars;
    CWnd* m_pSite;
    CJQWCustomizeToolbarsPage* m_pToolbarsPage = nullptr;
    CJQWCustomizeCommandsPage* m_pCommandsPage = nullptr;
    CJQWPopupBar* m_pContextMenu = nullptr;
    CJQWImageManager* m_pStockImages = nullptr;
};

// The palette's preferred width for `count` images: floor(sqrt(count)) x 23 + 6.
int JQWCustomizePaletteWidth(int count);
