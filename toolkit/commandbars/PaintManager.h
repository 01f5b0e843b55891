#pragma once
// The paint manager: the drawing strategy every bar and control paints and measures through. This
// base holds the metrics and the measuring half of item layout; the themes derive from it.
//
// Bars and controls are not windows here yet: the measuring code reads them through the two small
// records below, which the bar and control classes fill from their own state.

#include "platform/framework/GdiClasses.h"
#include "platform/framework/Geometry.h"
#include "platform/framework/String.h"
#include "platform/gdi/Gdi.h"
#include "toolkit/drawing/ColorManager.h"

#include <array>
#include <functional>

class CDC;
class CJQWCommandBar;
class CJQWControl;
class CJQWCommandBars;

// Control types and styles as the bars store them.
enum : int {
    JQW_CONTROL_BUTTON = 1,
    JQW_CONTROL_POPUP = 2,
    JQW_CONTROL_BUTTON_POPUP = 3,
    JQW_CONTROL_SPLIT_BUTTON_POPUP = 4,
    JQW_CONTROL_COMBO = 5,
    JQW_CONTROL_EDIT = 6,
    JQW_CONTROL_CUSTOM = 7,
    JQW_CONTROL_LABEL = 8,
    JQW_CONTROL_CHECKBOX = 9,
    JQW_CONTROL_GALLERY = 10,
    JQW_CONTROL_RADIO = 11,
};
enum : int {
    JQW_STYLE_AUTOMATIC = 0,
    JQW_STYLE_CAPTION = 1,
    JQW_STYLE_ICON = 2,
    JQW_STYLE_ICON_AND_CAPTION = 3,
    JQW_STYLE_LARGE = 4,
    JQW_STYLE_CAPTION_AND_DESCRIPTION = 5,
};

// What the paint manager reads from a bar.
struct JQW_PAINT_BAR {
    bool isPopupBar = false;
    int position = 0; // 0 top, 1 bottom, 2 left, 3 right, 4 floating, 5 popup
    CSize iconSize { 16, 16 };
    CSize largeIconSize { 32, 32 };
    CSize buttonSize { 22, 22 };
    bool doubleGripper = false;
    bool keyboardCues = true;
    bool captionsBelowIcons = false;

    bool IsVertical() const { return position == 2 || position == 3; }
};

// What the paint manager reads from a control.
struct JQW_PAINT_CONTROL {
    int type = JQW_CONTROL_BUTTON;
    int style = JQW_STYLE_AUTOMATIC;
    CString caption;
    CString shortcutText;
    CRect rect;
    CSize iconSize { 16, 16 };
    CSize buttonSize { 22, 22 };
    int width = 0;       // edit and combo boxes: the field's own width
    int fixedWidth = 0;  // 0 = none
    int fixedHeight = 0; // 0 = none
    bool captionVisible = true;
    bool iconShown = false; // has an image to show (its own icon id or its action's)
};

// Control state as the themes read it.
struct JQW_PAINT_STATE {
    bool selected = false;
    int pressed = 0; // 0 none, 1 mouse down, 2/3 keyboard, 4 pressed elsewhere
    bool enabled = true;
    bool checked = false;
    bool popupOpen = false;
    int barType = 1; // 2 popup
    int position = 0;
};

// What the themes read from an edit or combo field on a bar.
struct JQW_PAINT_FIELD {
    int labelWidth = 0;
    int dropDownWidth = 0; // combo boxes
    bool droppedDown = false;
    bool spin = false;     // edit boxes with spin buttons
    CRect spinRect;
    // The field's own text drawing (the combo's text and icon, the edit's window draws itself);
    // may be empty.
    std::function<void(CDC*, CRect)> drawText;
    // The plain field look, used by a paint manager that has no look of its own for the control.
    std::function<void(CDC*)> drawPlain;
};

// Fonts measuring can ask for.
enum class JQWPaintFont { Regular, Bold, IconTitle };

// Text extents in a font; a device context in drawing, a fixed table in tests.
class CJQWTextMeasure {
public:
    virtual ~CJQWTextMeasure() = default;
    // Single-line extent; '&' is taken as written (callers strip mnemonics first).
    virtual CSize GetTextExtent(JQWPaintFont font, const CString& text) const = 0;
};

CString StripMnemonics(const CString& caption);

// Splits a large button's caption at the space nearest its middle; false (second line empty, first
// the whole caption) when it stays on one line.
bool SplitCaptionInTwo(const CString& caption, CString& first, CString& second);

class CJQWPaintManager {
public:
    CJQWPaintManager();
    virtual ~CJQWPaintManager();
    CJQWPaintManager(const CJQWPaintManager&) = delete;
    CJQWPaintManager& operator=(const CJQWPaintManager&) = delete;

    void InternalAddRef() { ++m_refs; }
    void InternalRelease();

    // Theme number it was created with (0-6), or 7 when installed directly.
    int m_themeCode = 0;

    // Metrics. The base text height is the height of " " in the regular font plus 6.
    int m_baseTextHeight = 19;
    int m_fixedControlHeight = 0;
    bool m_autoIconSize = false;
    bool m_compactCaptionSpacing = false;
    bool m_twoLineCaptions = true;
    bool m_indentLabels = true;
    bool m_thickCheckMark = false;
    static constexpr int PopupTextIndent = 4;
    static constexpr int PopupSplitWidth = 20;
    static constexpr int ToolBarSplitWidth = 11;

    // Icon options: the command-bar options save the first three.
    struct JQW_ICONS_INFO {
        BOOL bUseFadedIcons = FALSE;
        BOOL bUseDisabledIcons = FALSE;
        BOOL bIconsWithShadow = FALSE;
        BOOL bOfficeStyleDisabledIcons = FALSE;
    };
    JQW_ICONS_INFO* GetIconsInfo() { return &m_iconsInfo; }

    int GetControlHeight() const;
    CSize GetAutoIconSize(bool large) const;
    int GetSplitDropDownWidth() const;
    virtual CSize GetPopupBarIconSize(const JQW_PAINT_BAR& bar) const;
    int GetPopupBarGripperWidth(const JQW_PAINT_BAR& bar) const;
    CRect GetSplitButtonCommandRect(const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const;
    CSize GetControlIconSize(const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const;
    void ApplyControlSizeOverride(CSize& size, const JQW_PAINT_CONTROL& control, bool vertical) const;

    // Measuring half of item layout.
    CSize MeasurePopupItem(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const;
    CSize MeasureIconAndCaption(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const CString& caption,
        int buttonWidth, int buttonHeight, bool image) const;
    CSize MeasureCaptionWithArrow(const CJQWTextMeasure& text, const CString& caption, bool vertical, bool dropDown) const;
    CSize MeasureLargeButtonCaption(const CJQWTextMeasure& text, const CString& caption, bool vertical, bool dropDown) const;
    // Toolbar and menu-bar items (check boxes and radio buttons not yet).
    CSize MeasureToolBarItem(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const;
    CSize MeasureLargeButton(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const;

    struct FieldLayout {
        CSize size;
        int labelWidth = 0;
        int dropDownWidth = 0; // combo boxes only
    };
    FieldLayout MeasureEditOrCombo(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const;
    // The same, measured on `dc` (the screen when null) in the regular font.
    FieldLayout MeasureEditOrCombo(CDC* dc, const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control);

    // Down triangle (filled) in a rectangle: the three corners.
    static std::array<CPoint, 3> DownTrianglePoints(const CRect& rect);
    static void DrawHorizontalLine(HDC dc, int x0, int y, int x1, COLORREF color);
    static void DrawVerticalLine(HDC dc, int x, int y0, int y1, COLORREF color);
    void DrawDownTriangle(HDC dc, const CRect& rect, COLORREF color) const;
    // Colour of a table index (0-62: the theme's own value when it set one, else the colour
    // manager's); larger values are colours themselves.
    COLORREF GetColor(int index) const;
    // Standard values of the theme's own entries; a custom value still wins.
    void SetStandardColors(int count, const int* indexes, const COLORREF* values);
    CJQWPaintManagerColor m_themeColors[JQW_COLOR_COUNT];
    void Draw3dRectByIndex(HDC dc, const CRect& rect, int topLeft, int bottomRight) const;
    // Small arrow after a caption: pointing down at (x, y), or left when `left`.
    void DrawDropDownGlyph(HDC dc, CPoint point, bool left, COLORREF color) const;
    // Menu tick centred in the rectangle; mirrored contexts get a tick that reads the same on screen.
    void DrawMenuCheckMark(HDC dc, const CRect& rect, COLORREF color) const;
    // Two downward chevrons of the expand button at the bottom of a short menu, centred on the
    // control's rectangle; its height is 12.
    void DrawPopupExpandChevrons(HDC dc, const CRect& rect) const;
    // Filled triangle with its outline, in one colour.
    static void DrawTriangle(HDC dc, CPoint a, CPoint b, CPoint c, COLORREF color);

    // Fonts: the menu font of the system's non-client metrics, its bold variant, and the icon-title
    // font; rebuilt by RefreshMetrics.
    virtual void RefreshMetrics();
    CFont* GetRegularFont();
    CFont* GetBoldFont();
    CFont* GetIconFont();
    CFont* GetSmallCaptionFont();
    COLORREF m_clrCaptionBack = 0;
    COLORREF m_clrCaptionText = 0;
    bool m_embossedDisabledText = true;

    // Drawing interface: bars and controls measure and draw only through these.
    CSize DrawControl(CDC* dc, CJQWControl* control, BOOL draw);
    virtual CSize DrawControlPopupParent(CDC* dc, CJQWControl* control, BOOL draw);
    // Fields: an edit box (label, box, spin buttons) and a combo box (label, box, drop button).
    // `part` of the spin buttons: 3 the upper one hot, 4 the lower one, anything else none.
    struct JQW_FIELD_PAINT {
        CRect rect;
        int labelWidth = 0;
        CString label;
        CString text;       // drawn in the box when there is no edit window over it
        BOOL textIsHint = FALSE;
        BOOL enabled = TRUE;
        BOOL selected = FALSE;
        BOOL focused = FALSE;
        BOOL spinButtons = FALSE;
        int spinPart = 0;
        BOOL spinPressed = FALSE;
        int dropButtonWidth = 0;
        BOOL dropped = FALSE;
    };
    virtual void DrawField(CDC* dc, const JQW_FIELD_PAINT& field);
    // The field for a theme's DrawControlEdit or DrawControlComboBox: its text drawn over the
    // theme's box, and this look as the fallback. Refers to `field`, which must outlive it.
    JQW_PAINT_FIELD MakeThemedField(const JQW_FIELD_PAINT& field);
    // The box's background colour behind an edit window.
    virtual COLORREF GetControlEditBackColor(BOOL enabled) const;
    virtual CSize DrawControlToolBarParent(CDC* dc, CJQWControl* control, BOOL draw);
    virtual void DrawSplitButtonFrame(CDC* dc, CJQWControl* control, CRect rect);
    virtual void FillCommandBar(CDC* dc, CJQWCommandBar* bar);
    virtual void FillDockBar(CDC* dc, class CWnd* dockBar);
    virtual void DrawControlEntry(CDC* dc, CJQWControl* control);
    virtual COLORREF GetControlTextColor(CJQWControl* control);
    // Colour index of text in a state.
    virtual int GetRectangleTextColor(bool selected, bool enabled, int barType, int position) const;
    virtual void DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const;
    virtual CSize DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw);
    virtual CSize DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw);
    virtual CRect AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical) const;
    // Kind 0 expand button of a docked bar, 1 expand button of a menu, 2 hide and 3 expand button of
    // a floating bar. Measuring kind 0 places the control for the bar size `size`.
    virtual CSize DrawSpecialControl(CDC* dc, int kind, CJQWControl* control, CJQWCommandBar* bar, BOOL draw,
        CSize size, BOOL hiddenControls = FALSE);
    virtual CRect GetCommandBarBorders(CJQWCommandBar* bar) const;
    virtual void DrawImage(CDC* dc, CPoint point, CSize size, CJQWControl* control, const JQW_PAINT_STATE& state);
    virtual int GetBaseTheme() const { return 0; }
    // Fields on bars; when drawing they return (0, 0), measuring is the control's own.
    virtual CSize DrawControlComboBox(CDC* dc, CJQWControl* control, const JQW_PAINT_FIELD& field, BOOL draw);
    virtual CSize DrawControlEdit(CDC* dc, CJQWControl* control, const JQW_PAINT_FIELD& field, BOOL draw);
    // Check box and radio button marks of 13 x 13 (`checked` 2: the third state).
    virtual CSize DrawCheckMark(CDC* dc, CRect rect, BOOL draw, bool selected, int pressed, int checked, bool enabled);
    virtual CSize DrawRadioMark(CDC* dc, CRect rect, BOOL draw, bool selected, int pressed, int checked, bool enabled);
    // An entry of a list of commands (the customize dialog's); without a control only the
    // background. Returns the icon column width and the entry height.
    virtual CSize DrawListBoxControl(CDC* dc, CJQWControl* control, CRect rect, BOOL selected, BOOL draw,
        CJQWCommandBars* bars = nullptr);
    virtual void DrawStatusBarPaneBorder(CDC* dc, CRect rect, BOOL gripperPane);
    virtual void DrawStatusBarGripper(CDC* dc, CRect rect);
    virtual CSize DrawTearOffGripper(CDC* dc, CRect rect, BOOL hot, BOOL draw);
    virtual CSize DrawDialogBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw);
    // Shows a popup: kind 2 unfolds from the top-left corner, 3 slides down, 4 fades in; the
    // destination ends with the source's picture. Steps and duration as below (0 steps: nothing).
    virtual void AnimatePopup(CDC* destination, CDC* source, CRect rect, int kind);
    int m_animationSteps = 10;
    // Drop shadows of open popups: cast at all, their colour, and option bits (1: even when the
    // system's drop-shadow setting is off, with a lighter ramp; 2: the opening control is cut out).
    BOOL m_bShowShadow = TRUE;
    COLORREF m_clrShadow = 0;
    DWORD m_dwShadowOptions = 0;
    int m_animationDuration = 100; // ms
    // Text of an item with mnemonics underlined when `cues`; the height drawn.
    int DrawControlText(CDC* dc, const CString& text, CRect rect, UINT format, BOOL draw, bool selected, bool enabled);
    // A bar caption (mnemonics underlined when the bar shows keyboard cues, embossed when disabled).
    void DrawControlCaption(CDC* dc, CJQWControl* control, const CString& caption, CRect rect, bool centre);
    // Draws a caption (centred when asked) with room for the drop-down glyph when `dropDown`; the
    // glyph itself is left out on the menu bar.
    void DrawCaptionWithArrow(CDC* dc, CJQWControl* control, CRect rect, bool centre, bool dropDown);
    // The two-line caption of a large button, with the glyph after the second line when `dropDown`.
    void DrawLargeButtonCaption(CDC* dc, CJQWControl* control, CRect rect, bool dropDown);

private:
    void CreateFonts();
    JQW_ICONS_INFO m_iconsInfo;
    int m_refs = 1;
    CFont m_fontRegular;
    CFont m_fontBold;
    CFont m_fontIcon;
    CFont m_fontSmallCaption;
};

// Text extents through a device context, in the paint manager's fonts.
class CJQWDCTextMeasure : public CJQWTextMeasure {
public:
    CJQWDCTextMeasure(CDC* dc, CJQWPaintManager* manager) : m_dc(dc), m_manager(manager) { }
    CSize GetTextExtent(JQWPaintFont font, const CString& text) const override;

private:
    CDC* m_dc;
    CJQWPaintManager* m_manager;
};

// Theme factory and the process-wide current paint manager.
CJQWPaintManager* CreatePaintTheme(int number);
void SetGlobalPaintManager(CJQWPaintManager* manager);
CJQWPaintManager* SetGlobalPaintTheme(int number);
CJQWPaintManager* GetGlobalPaintManager();
void ReleaseGlobalPaintManager();
