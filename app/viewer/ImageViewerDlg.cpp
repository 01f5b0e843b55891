#include "app/viewer/ImageViewerDlg.h"

#include "app/viewer/ImagePainting.h"

#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "platform/framework/DataExchange.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Cursors.h"
#include "toolkit/controls/ListCtrl.h"
#include "toolkit/drawing/ColorManager.h"

#include "AppViewerResources.h"

#include <cmath>

CImageFileTarget* AsImageFileTarget(CActionTarget* target)
{
    if (!target)
        return nullptr;
    if (auto* image = dynamic_cast<CImageFileTarget*>(target))
        return image;
    target->Release();
    return nullptr;
}

RECT FitImageRect(const RECT& area, long imageWidth, long imageHeight)
{
    const long w = area.right - area.left;
    const long h = area.bottom - area.top;
    // An empty picture has no aspect ratio to keep: nothing is drawn.
    if (imageWidth <= 0 || imageHeight <= 0 || w <= 0 || h <= 0)
        return RECT { area.left, area.top, area.left, area.top };
    const double W = double(imageWidth);
    const double H = double(imageHeight);
    long cx, cy;
    if (double(w) * H / W <= double(h)) {
        cx = w;
        cy = long(double(w) * H / W);
    } else {
        cx = long(double(h) * W / H);
        cy = h;
    }
    return RECT { area.left, area.top, area.left + cx, area.top + cy };
}

// ---------------------------------------------------------------------------------------------
// The picture window

IMPLEMENT_DYNAMIC(CImageViewerCtrl, CWnd)

BEGIN_MESSAGE_MAP(CImageViewerCtrl, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SETCURSOR()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CImageViewerCtrl::CImageViewerCtrl() { m_hPanCursor = ::LoadCursorW(nullptr, IDC_SIZEALL); }

CImageViewerCtrl::~CImageViewerCtrl()
{
    if (m_hWnd)
        DestroyWindow();
    ReleaseTarget();
}

BOOL CImageViewerCtrl::Create(const RECT& rect, CWnd* parent, UINT id)
{
    LPCWSTR className = AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW));
    return CWnd::Create(className, u"", WS_CHILD | WS_VISIBLE, rect, parent, id);
}

int CImageViewerCtrl::GetSourceRowCount() const
{
    return m_lists.sourceRowCount ? m_lists.sourceRowCount() : 0;
}

void CImageViewerCtrl::ReleaseTarget()
{
    if (m_pTarget) {
        m_pTarget->Release();
        m_pTarget = nullptr;
    }
}

void CImageViewerCtrl::ShowRow(int row)
{
    if (row < 0 || row > GetSourceRowCount() - 1)
        return;
    m_nCurrentRow = row;
    m_panOffset = CPoint(0, 0);
    ReleaseTarget();
    if (m_hWnd)
        Invalidate(TRUE);
}

void CImageViewerCtrl::ShowNextRow()
{
    const int rows = GetSourceRowCount();
    if (rows <= 0 || m_nCurrentRow >= rows - 1)
        return;
    m_panOffset = CPoint(0, 0);
    ++m_nCurrentRow;
    ReleaseTarget();
    if (m_hWnd)
        Invalidate(TRUE);
}

void CImageViewerCtrl::ShowPreviousRow()
{
    if (m_nCurrentRow <= 0)
        return;
    m_panOffset = CPoint(0, 0);
    --m_nCurrentRow;
    ReleaseTarget();
    if (m_hWnd)
        Invalidate(TRUE);
}

ImageBitmap* CImageViewerCtrl::GetPreviewBitmap()
{
    if (m_pTarget)
        return m_nCurrentRow >= 0 ? m_pTarget->GetBitmap() : nullptr;
    if (m_nCurrentRow < 0)
        return nullptr;
    const int rows = GetSourceRowCount();
    if (m_nCurrentRow > rows - 1) {
        if (rows == 0)
            m_nCurrentRow = -1;
        return nullptr;
    }
    CImageFileTarget* target = m_lists.createTargetForRow ? m_lists.createTargetForRow(m_nCurrentRow) : nullptr;
    if (!target)
        return nullptr;
    if (m_lists.stackRowCount && m_lists.stackRowCount() > 0 && m_lists.buildStack) {
        if (CActionStack* stack = m_lists.buildStack()) {
            // Whatever the actions left in the bitmap is shown, failures included.
            stack->RunInProcess(true, nullptr, target);
            stack->Release();
        }
    }
    m_pTarget = target;
    return m_pTarget->GetBitmap();
}

BOOL CImageViewerCtrl::OnEraseBkgnd(CDC*)
{
    // The paint covers everything.
    return TRUE;
}

void CImageViewerCtrl::DrawCheckerboard(CDC* dc, const RECT& rect)
{
    bool rowStartsDark = true;
    for (LONG y = rect.top; y < rect.bottom; y += 4) {
        bool dark = rowStartsDark;
        for (LONG x = rect.left; x < rect.right; x += 4) {
            dc->FillSolidRect(x, y, std::min<LONG>(4, rect.right - x), std::min<LONG>(4, rect.bottom - y),
                              dark ? kViewerCheckerDark : kViewerCheckerLight);
            dark = !dark;
        }
        rowStartsDark = !rowStartsDark;
    }
}

void CImageViewerCtrl::DrawActualSize(CDC* dc, const RECT& area, ImageBitmap* bitmap)
{
    const LONG left = area.left + m_panOffset.x;
    const LONG top = area.top + m_panOffset.y;
    const RECT dest { left, top, left + bitmap->VisibleWidth(), top + bitmap->VisibleHeight() };
    PaintImageBitmap(dc->GetSafeHdc(), dest, *bitmap, SRCCOPY);
}

void CImageViewerCtrl::DrawFitted(CDC* dc, const RECT& area, ImageBitmap* bitmap)
{
    const RECT dest = FitImageRect(area, bitmap->VisibleWidth(), bitmap->VisibleHeight());
    if (dest.right <= dest.left || dest.bottom <= dest.top)
        return;
    PaintImageBitmap(dc->GetSafeHdc(), dest, *bitmap, SRCCOPY);
}

void CImageViewerCtrl::OnPaint()
{
    CPaintDC paint(this);
    CRect client;
    GetClientRect(&client);
    const COLORREF back = GetColorManager() ? GetColorManager()->GetColor(15) : ::GetSysColor(COLOR_BTNFACE);
    CJQMemDC dc(&paint, client, back, back);
    CDC* target = dc.IsValid() ? static_cast<CDC*>(&dc) : static_cast<CDC*>(&paint);

    DrawCheckerboard(target, client);
    CRect area = client;
    area.DeflateRect(1, 1);
    if (ImageBitmap* bitmap = GetPreviewBitmap(); bitmap && bitmap->IsAllocated()) {
        // The picture stays inside the frame.
        const int saved = target->SaveDC();
        target->IntersectClipRect(&area);
        if (m_bFitMode)
            DrawFitted(target, area, bitmap);
        else
            DrawActualSize(target, area, bitmap);
        target->RestoreDC(saved);
    }
    target->Draw3dRect(&client, kViewerFrame, kViewerFrame);
}

BOOL CImageViewerCtrl::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    if (!m_bFitMode && m_pTarget && m_nCurrentRow >= 0) {
        if (ImageBitmap* bitmap = m_pTarget->GetBitmap(); bitmap && bitmap->IsAllocated()) {
            CRect client;
            GetClientRect(&client);
            if (bitmap->VisibleWidth() > client.Width() || bitmap->VisibleHeight() > client.Height()) {
                ::SetCursor(m_hPanCursor);
                return TRUE;
            }
        }
    }
    return CWnd::OnSetCursor(wnd, hitTest, message);
}

void CImageViewerCtrl::OnLButtonDown(UINT flags, CPoint point)
{
    if (!m_bPanning) {
        m_bPanning = 1;
        m_lastMouse = point;
        SetCapture();
    } else {
        ReleaseCapture();
        m_bPanning = 0;
    }
    CWnd::OnLButtonDown(flags, point);
}

void CImageViewerCtrl::OnMouseMove(UINT flags, CPoint point)
{
    if (m_bPanning) {
        m_panOffset.x += point.x - m_lastMouse.x;
        m_panOffset.y += point.y - m_lastMouse.y;
        m_lastMouse = point;
        Invalidate(TRUE);
    }
    CWnd::OnMouseMove(flags, point);
}

void CImageViewerCtrl::OnLButtonUp(UINT flags, CPoint point)
{
    m_bPanning = 0;
    ReleaseCapture();
    CWnd::OnLButtonUp(flags, point);
}

void CImageViewerCtrl::OnDestroy()
{
    ReleaseTarget();
    CWnd::OnDestroy();
}

// ---------------------------------------------------------------------------------------------
// The viewer dialog

IMPLEMENT_DYNAMIC(CImageViewerDlg, CJQResizeDialog)

BEGIN_MESSAGE_MAP(CImageViewerDlg, CJQResizeDialog)
    ON_WM_CREATE()
    ON_BN_CLICKED(IDC_VIEWER_PREVIOUS, &CImageViewerDlg::OnPrevious)
    ON_BN_CLICKED(IDC_VIEWER_NEXT, &CImageViewerDlg::OnNext)
    ON_BN_CLICKED(IDC_VIEWER_FIT, &CImageViewerDlg::OnToggleFit)
    ON_BN_CLICKED(IDC_VIEWER_REFRESH, &CImageViewerDlg::OnRefresh)
END_MESSAGE_MAP()

CImageViewerDlg::CImageViewerDlg(CWnd* parent) : CJQResizeDialog(IDD_IMAGEVIEWER, parent)
{
    // Keeps the viewer's resources linked into every program that uses it.
    static const void* volatile table = &AppViewerResources;
    (void)table;
}

CImageViewerDlg::~CImageViewerDlg()
{
    // The picture window and the buttons go with the dialog, while their objects are whole.
    if (m_hWnd)
        DestroyWindow();
}

int CImageViewerDlg::OnCreate(CREATESTRUCTW* cs)
{
    return CJQResizeDialog::OnCreate(cs) == -1 ? -1 : 0;
}

BOOL CImageViewerDlg::OnInitDialog()
{
    // The resizable dialog's set-up runs InitLayout.
    CJQResizeDialog::OnInitDialog();
    return TRUE;
}

void CImageViewerDlg::InitLayout()
{
    if (m_picture.GetSafeHwnd())
        return;
    CJQResize::InitLayout();

    static const UINT icons[] = { 0, 1, 2, 3 };
    m_images.SetIconsFromResource(IDB_VIEWER_BUTTONS, icons, 4, CSize(16, 16));

    m_placeholder.SubclassDlgItem(IDC_VIEWER_PLACEHOLDER, this);
    CRect place;
    m_placeholder.GetWindowRect(&place);
    ScreenToClient(&place);
    m_placeholder.ShowWindow(SW_HIDE);
    m_picture.Create(place, this, IDC_VIEWER_PICTURE);

    m_previous.SubclassDlgItem(IDC_VIEWER_PREVIOUS, this);
    m_next.SubclassDlgItem(IDC_VIEWER_NEXT, this);
    m_fit.SubclassDlgItem(IDC_VIEWER_FIT, this);
    m_refresh.SubclassDlgItem(IDC_VIEWER_REFRESH, this);

    SetControlAnchors(IDC_VIEWER_PICTURE, nullptr, MakeResizeRect(0, 0, 1, 1));
    SetControlAnchors(IDOK, nullptr, MakeResizeRect(1, 1, 1, 1));
    for (UINT id : { IDC_VIEWER_NEXT, IDC_VIEWER_PREVIOUS, IDC_VIEWER_REFRESH, IDC_VIEWER_FIT })
        SetControlAnchors(id, nullptr, MakeResizeRect(0, 1, 0, 1));
    RestorePlacement(u"ImageViewer");

    SetButtonIcon(m_previous, 0);
    SetButtonIcon(m_next, 1);
    SetButtonIcon(m_fit, 2);
    SetButtonIcon(m_refresh, 3);

    // The template asks for the topmost band; the viewer should not cover other programs.
    ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateButtons();
}

void CImageViewerDlg::SetButtonIcon(CJQButton& button, int icon)
{
    if (CJQWImageManagerIcon* image = m_images.GetImage(UINT(icon), 16)) {
        image->InternalAddRef();
        button.SetIconObject(CSize(16, 16), image, TRUE);
    }
    button.SetThemeStyleFlags(button.GetThemeStyleFlags() | JQ_BS_VISUALSTYLES, FALSE);
    button.ModifyStyle(BS_LEFT, BS_CENTER);
}

void CImageViewerDlg::UpdateButtons()
{
    if (!m_hWnd)
        return;
    const int rows = m_picture.GetSourceRowCount();
    const int row = m_picture.GetCurrentRow();
    if (CWnd* next = GetDlgItem(IDC_VIEWER_NEXT))
        next->EnableWindow(rows > 0 && row < rows - 1);
    if (CWnd* previous = GetDlgItem(IDC_VIEWER_PREVIOUS))
        previous->EnableWindow(row > 0);
    if (CWnd* fit = GetDlgItem(IDC_VIEWER_FIT))
        fit->SendMessage(BM_SETSTATE, m_picture.IsFitMode() ? TRUE : FALSE, 0);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CImageViewerDlg::OnPrevious()
{
    m_picture.ShowPreviousRow();
    UpdateButtons();
}

void CImageViewerDlg::OnNext()
{
    m_picture.ShowNextRow();
    UpdateButtons();
}

void CImageViewerDlg::OnToggleFit()
{
    m_picture.SetFitMode(!m_picture.IsFitMode());
    if (m_picture.GetSafeHwnd())
        m_picture.Invalidate(TRUE);
    UpdateButtons();
}

void CImageViewerDlg::OnRefresh()
{
    m_picture.ReleaseTarget();
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CImageViewerDlg::OnOK()
{
    if (m_bModal)
        CJQResizeDialog::OnOK();
    else
        ShowWindow(SW_HIDE);
}

void CImageViewerDlg::OnCancel()
{
    if (m_bModal)
        CJQResizeDialog::OnCancel();
    else
        ShowWindow(SW_HIDE);
}
