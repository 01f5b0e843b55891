#pragma once
// The button image editor: a small picture edited pixel by pixel with a palette, six tools, undo
// and redo, the clipboard, moving by a pixel and importing a picture file. Every image is a
// 32-bit bottom-up DIB section of the editor's size; the colour kImageEditorTransparent marks a
// transparent pixel in every image.

#include "platform/framework/Dialog.h"
#include "platform/framework/GdiClasses.h"
#include "platform/framework/ImageList.h"
#include "platform/framework/StdControls.h"
#include "platform/framework/ToolBar.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <memory>
#include <vector>

class CJQWImageEditorDlg;

constexpr COLORREF kImageEditorTransparent = 0xFFFEFF;

// Tool commands, in tool order (pencil, fill, pick, line, rectangle, ellipse).
constexpr UINT ID_IMAGEEDITOR_PENCIL = 9135;
constexpr UINT ID_IMAGEEDITOR_FILL = 9136;
constexpr UINT ID_IMAGEEDITOR_PICK = 9137;
constexpr UINT ID_IMAGEEDITOR_LINE = 9138;
constexpr UINT ID_IMAGEEDITOR_RECTANGLE = 9139;
constexpr UINT ID_IMAGEEDITOR_ELLIPSE = 9140;
constexpr UINT ID_IMAGEEDITOR_COPY = 9141;
constexpr UINT ID_IMAGEEDITOR_PASTE = 9142;
constexpr UINT ID_IMAGEEDITOR_CLEAR = 9143;
constexpr UINT ID_IMAGEEDITOR_UNDO = 9144;
constexpr UINT ID_IMAGEEDITOR_REDO = 9145;
constexpr UINT ID_IMAGEEDITOR_IMPORT = 9146;
constexpr UINT IDC_IMAGEEDITOR_PICTURE = 100;
constexpr UINT IDC_IMAGEEDITOR_PREVIEW = 101;
constexpr UINT IDC_IMAGEEDITOR_COLORS = 102;
constexpr UINT IDC_IMAGEEDITOR_TOOLS = 103;
constexpr UINT IDC_IMAGEEDITOR_MOVE = 104;
constexpr UINT IDC_IMAGEEDITOR_TRANSPARENT = 105;
constexpr UINT IDC_IMAGEEDITOR_CUSTOM = 106;
constexpr UINT ID_IMAGEEDITOR_MOVE_LEFT = 107;
constexpr UINT ID_IMAGEEDITOR_MOVE_DOWN = 108;
constexpr UINT ID_IMAGEEDITOR_MOVE_UP = 109;
constexpr UINT ID_IMAGEEDITOR_MOVE_RIGHT = 110;
constexpr UINT IDD_IMAGEEDITOR = 9115;

class CJQWImageEditorPicture : public CStatic {
public:
    // A 32-bit image; the alpha flag says the pixels' top bytes mean something.
    class CAlphaBitmap : public CBitmap {
    public:
        BOOL m_bAlpha = FALSE;
    };

    // What an import did.
    enum ImportResult { importDone, importUnsupported, importFailed };

    CJQWImageEditorPicture() = default;
    ~CJQWImageEditorPicture() override;

    // Measures the cells from the window's size and fits the window to them.
    void Init(CJQWImageEditorDlg* dialog, int imageWidth, int imageHeight);

    CAlphaBitmap* GetImage() const { return m_current.get(); }
    // Takes the image over as the current one without an undo step (the caller's image).
    void SetImage(std::unique_ptr<CAlphaBitmap> image) { m_current = std::move(image); }
    CSize GetCellSize() const { return { m_cellWidth, m_cellHeight }; }
    std::size_t GetUndoCount() const { return m_undo.size(); }
    std::size_t GetRedoCount() const { return m_redo.size(); }

    void Undo();
    void Redo();
    void Clear();
    // Moves the image by one pixel; what moves out is lost.
    void MoveImage(int dx, int dy);
    void Copy();
    void Paste();
    ImportResult Import(const CString& path);

    // The colour of an image pixel as the editor sees it (the image on the transparent colour).
    COLORREF GetPixelColor(int x, int y) const;

    HCURSOR m_cursors[4] = {};

protected:
    DECLARE_MESSAGE_MAP()
    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    void OnLButtonDown(UINT flags, CPoint point);
    // A quick second click draws like the first.
    void OnLButtonDblClk(UINT flags, CPoint point) { OnLButtonDown(flags, point); }
    void OnMouseMove(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnCaptureChanged(CWnd* window);
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);

private:
    CPoint ToImage(CPoint point) const;
    void BeginOperation();
    void Commit();
    void Repaint();
    void DrawStroke(CPoint point);
    void KeepAlpha(const CAlphaBitmap& before, CAlphaBitmap& after) const;

    CJQWImageEditorDlg* m_pDialog = nullptr;
    int m_imageWidth = 16;
    int m_imageHeight = 16;
    int m_cellWidth = 1;
    int m_cellHeight = 1;
    std::unique_ptr<CAlphaBitmap> m_current;
    std::unique_ptr<CAlphaBitmap> m_previous;
    std::vector<std::unique_ptr<CAlphaBitmap>> m_undo;
    std::vector<std::unique_ptr<CAlphaBitmap>> m_redo;
    CPoint m_dragStart;
    BOOL m_bDragging = FALSE;
    COLORREF m_strokeColor = 0;
};

class CJQWImageEditorPicker : public CStatic {
public:
    COLORREF m_color = 0;
    BOOL m_bSelected = FALSE;

protected:
    DECLARE_MESSAGE_MAP()
    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    void OnLButtonDown(UINT flags, CPoint point);
};

class CJQWImageEditorPreview : public CStatic {
public:
    CJQWImageEditorDlg* m_pDialog = nullptr;
    CSize m_imageSize { 16, 16 };

protected:
    DECLARE_MESSAGE_MAP()
    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }
};

class CJQWImageEditorDlg : public CDialog {
public:
    // A toolbar inside a dialog: its buttons follow the dialog's update handlers at idle time.
    class CDlgToolBar : public CToolBar {
    protected:
        DECLARE_MESSAGE_MAP()
        LRESULT OnDialogIdleUpdate(WPARAM, LPARAM);
    };

    explicit CJQWImageEditorDlg(CWnd* parent = nullptr, BOOL registerTrusted = FALSE);
    ~CJQWImageEditorDlg() override;

    // The size of an empty image.
    void SetSize(int width, int height);
    // A copy of `image` becomes the image to edit; an empty handle changes nothing.
    void SetImage(const CJQWIconImageHandle& image);
    // The edited image as an alpha bitmap or an icon; nothing without an image.
    void GetImage(CJQWIconImageHandle& image);

    COLORREF GetSelectedColor() const { return m_pSelected ? m_pSelected->m_color : 0; }
    int GetCurrentTool() const { return m_nCurrentTool; }
    CJQWImageEditorPicture& GetPicture() { return m_wndPicture; }
    CJQWImageEditorPicker& GetCustomPicker() { return m_wndPickerCustom; }
    CJQWImageEditorPicker* GetPalettePicker(int index) { return &m_wndPicker[index]; }
    CSize GetImageSize() const { return { m_nWidth, m_nHeight }; }

    // Picking a colour: the custom picker takes it and the tool goes back to the one before.
    void OnPickColor(COLORREF color);
    void SelectPicker(CJQWImageEditorPicker* picker);

protected:
    DECLARE_MESSAGE_MAP()
    BOOL OnInitDialog() override;
    void OnDestroy();
    LRESULT OnKickIdle(WPARAM, LPARAM);
    BOOL OnToolTipText(UINT id, NMHDR* header, LRESULT* result);
    BOOL OnPickerClick(UINT id, NMHDR* header, LRESULT* result);
    void OnTool(UINT id);
    void OnUpdateTool(CCmdUI* cmdUI);
    void OnUndo() { m_wndPicture.Undo(); }
    void OnRedo() { m_wndPicture.Redo(); }
    void OnUpdateUndo(CCmdUI* cmdUI) { cmdUI->Enable(m_wndPicture.GetUndoCount() > 0); }
    void OnUpdateRedo(CCmdUI* cmdUI) { cmdUI->Enable(m_wndPicture.GetRedoCount() > 0); }
    void OnClear() { m_wndPicture.Clear(); }
    void OnCopy() { m_wndPicture.Copy(); }
    void OnPaste() { m_wndPicture.Paste(); }
    void OnImport();
    void OnMove(UINT id);

    friend class CJQWImageEditorPicture;

    int m_nWidth = 16;
    int m_nHeight = 16;
    int m_nCurrentTool = 0;
    int m_nPreviousTool = -1;
    BOOL m_bRegisterTrusted = FALSE;
    std::unique_ptr<CJQWImageEditorPicture::CAlphaBitmap> m_pInitial;
    CJQWImageEditorPicker* m_pSelected = nullptr;
    CDlgToolBar m_wndToolBar;
    CDlgToolBar m_wndMoveBar;
    CImageList m_ilTools;
    CImageList m_ilMove;
    CJQWImageEditorPicker m_wndPicker[16];
    CJQWImageEditorPicker m_wndPickerTransparent;
    CJQWImageEditorPicker m_wndPickerCustom;
    CJQWImageEditorPicture m_wndPicture;
    CJQWImageEditorPreview m_wndPreview;
};

// Runs the editor over `image` (empty: a new image of `size`) as a trusted window of the bars;
// TRUE on OK with the edited image in `image`. The customize sheet's "Edit Button Image".
BOOL JQWEditButtonImage(CWnd* parent, CJQWIconImageHandle& image, CSize size);
