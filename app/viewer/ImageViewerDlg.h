#pragma once
// The image viewer: shows what the stack list does to one file of the source list, before the
// stack is run. The picture window runs the stack's actions in preview mode on a fresh target
// made from the row when it paints, and shows the result fitted to the window or at its actual
// size, where the mouse pans it. Buttons step to the previous or next source file, toggle fit
// mode and run the preview again.
//
// The main window creates it modeless on the first preview and keeps it (hiding only hides it):
//
//     m_pImageViewer = new CImageViewerDlg;
//     m_pImageViewer->SetStackList(&m_stackList);   // anything with GetItemCount and BuildStack
//     m_pImageViewer->SetSourceList(&m_filesList);  // anything with GetItemCount and CreateTargetForRow
//     m_pImageViewer->m_bModal = 0;
//     if (!m_pImageViewer->Create(IDD_IMAGEVIEWER, this)) { delete m_pImageViewer; m_pImageViewer = nullptr; }
//     ...
//     m_pImageViewer->GetPicture().ShowRow(selectedRow);
//     m_pImageViewer->UpdateButtons();
//     m_pImageViewer->ShowWindow(SW_SHOW);
//
// UI thread only; the preview runs inside the picture window's paint.

#include "toolkit/controls/Button.h"
#include "toolkit/controls/Resize.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <functional>

class CActionStack;
class CActionTarget;
class CImageFileTarget;
struct ImageBitmap;

constexpr UINT IDD_IMAGEVIEWER = 142;
constexpr UINT IDC_VIEWER_PLACEHOLDER = 1059;
constexpr UINT IDC_VIEWER_PREVIOUS = 1073;
constexpr UINT IDC_VIEWER_NEXT = 1074;
constexpr UINT IDC_VIEWER_REFRESH = 1075;
constexpr UINT IDC_VIEWER_FIT = 1080;
constexpr UINT IDC_VIEWER_PICTURE = 12;
constexpr UINT IDB_VIEWER_BUTTONS = 156;

// The colours the picture window draws around and behind the picture.
constexpr COLORREF kViewerCheckerDark = RGB(200, 200, 200);
constexpr COLORREF kViewerCheckerLight = RGB(255, 255, 255);
constexpr COLORREF kViewerFrame = RGB(127, 127, 127);

// The two lists the viewer reads, seen only through what it needs of them.
struct ImageViewerLists {
    std::function<int()> stackRowCount;
    // A new stack of the list's actions; the caller owns the reference. Null: none.
    std::function<CActionStack*()> buildStack;
    std::function<int()> sourceRowCount;
    // A new target for the row holding the creator's reference; null when the file is gone.
    std::function<CImageFileTarget*(int row)> createTargetForRow;
};

// An image target from a list's CreateTargetForRow; any other kind of target is released.
CImageFileTarget* AsImageFileTarget(CActionTarget* target);
inline CImageFileTarget* AsImageFileTarget(CImageFileTarget* target) { return target; }

// The largest rectangle with the image's aspect ratio that fits into `area`, at its top-left
// corner (small images are enlarged too); empty for an empty image or area.
RECT FitImageRect(const RECT& area, long imageWidth, long imageHeight);

class CImageViewerCtrl : public CWnd {
    DECLARE_DYNAMIC(CImageViewerCtrl)
    DECLARE_MESSAGE_MAP()
public:
    CImageViewerCtrl();
    ~CImageViewerCtrl() override;

    template <class StackList> void SetStackList(StackList* list)
    {
        m_lists.stackRowCount = [list] { return list->GetItemCount(); };
        m_lists.buildStack = [list]() -> CActionStack* { return list->BuildStack(); };
    }
    template <class SourceList> void SetSourceList(SourceList* list)
    {
        m_lists.sourceRowCount = [list] { return list->GetItemCount(); };
        m_lists.createTargetForRow = [list](int row) { return AsImageFileTarget(list->CreateTargetForRow(row)); };
    }
    void SetLists(const ImageViewerLists& lists) { m_lists = lists; }

    BOOL Create(const RECT& rect, CWnd* parent, UINT id);

    // Shows the row when it is one of the source list's rows; otherwise nothing.
    void ShowRow(int row);
    void ShowNextRow();
    void ShowPreviousRow();
    // Forgets the preview, so that the next paint runs the stack again.
    void ReleaseTarget();
    // The preview's bitmap (the target keeps it), run when there is none yet; null when there
    // is nothing to show.
    ImageBitmap* GetPreviewBitmap();

    int GetCurrentRow() const { return m_nCurrentRow; }
    int GetSourceRowCount() const;
    BOOL IsFitMode() const { return m_bFitMode; }
    void SetFitMode(BOOL fit) { m_bFitMode = fit; }
    CPoint GetPanOffset() const { return m_panOffset; }
    BOOL IsPanning() const { return m_bPanning; }

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* dc);
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    void OnMouseMove(UINT flags, CPoint point);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnDestroy();

protected:
    void DrawCheckerboard(CDC* dc, const RECT& rect);
    void DrawActualSize(CDC* dc, const RECT& area, ImageBitmap* bitmap);
    void DrawFitted(CDC* dc, const RECT& area, ImageBitmap* bitmap);

private:
    ImageViewerLists m_lists;
    CImageFileTarget* m_pTarget = nullptr;
    int m_nCurrentRow = -1;
    CPoint m_lastMouse;
    BOOL m_bPanning = 0;
    BOOL m_bFitMode = 0;
    CPoint m_panOffset;
    HCURSOR m_hPanCursor = nullptr;
};

class CImageViewerDlg : public CJQResizeDialog {
    DECLARE_DYNAMIC(CImageViewerDlg)
    DECLARE_MESSAGE_MAP()
public:
    explicit CImageViewerDlg(CWnd* parent = nullptr);
    ~CImageViewerDlg() override;

    template <class StackList> void SetStackList(StackList* list) { m_picture.SetStackList(list); }
    template <class SourceList> void SetSourceList(SourceList* list) { m_picture.SetSourceList(list); }
    CImageViewerCtrl& GetPicture() { return m_picture; }

    BOOL OnInitDialog() override;
    void InitLayout() override;
    // Next and previous as the source list allows, the fit button pressed in fit mode.
    void UpdateButtons();
    // Hide, Escape and the close box: a modeless viewer is only hidden.
    void OnOK() override;
    void OnCancel() override;

    void OnPrevious();
    void OnNext();
    void OnToggleFit();
    void OnRefresh();
    int OnCreate(CREATESTRUCTW* cs);

    // 1 until the main window makes it modeless.
    BOOL m_bModal = 1;

protected:
    void SetButtonIcon(CJQButton& button, int icon);

private:
    CJQWImageManager m_images;
    CImageViewerCtrl m_picture;
    CStatic m_placeholder;
    CJQButton m_previous;
    CJQButton m_next;
    CJQButton m_fit;
    CJQButton m_refresh;
};
