#include "toolkit/commandbars/DockBar.h"

#include "platform/framework/AfxMessages.h"
#include "platform/framework/DC.h"
#include "platform/framework/FrameWnd.h"
#include "platform/user/Cursors.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/DockContext.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/ToolBar.h"

#include <algorithm>
#include <utility>

IMPLEMENT_DYNAMIC(CJQWDockBar, CWnd)

BEGIN_MESSAGE_MAP(CJQWDockBar, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_MESSAGE(WM_PRINT, &CJQWDockBar::OnPrint)
    ON_WM_RBUTTONDOWN()
    ON_WM_NCHITTEST()
    ON_MESSAGE(WM_SIZEPARENT, &CJQWDockBar::OnSizeParent)
END_MESSAGE_MAP()

namespace {

const WCHAR kDockBarClass[] = u"JQWDockBar";
constexpr DWORD kBarFlagWrapHidden = 0x20;
constexpr DWORD kBarFlagStretched = 0x40;
constexpr DWORD kBarFlagFillGap = 0x100000;
constexpr int kUnbounded = 0x7FFF;

void RegisterDockBarClass()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    WNDCLASSW cls {};
    cls.lpfnWndProc = AfxWndProc;
    cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    cls.lpszClassName = kDockBarClass;
    ::RegisterClassW(&cls);
}

// Vertical rows are worked on with x and y exchanged.
CRect Swapped(const CRect& r) { return CRect(r.top, r.left, r.bottom, r.right); }

CRect WindowRectIn(const CWnd* window, HWND parent)
{
    CRect rect;
    ::GetWindowRect(window->GetSafeHwnd(), &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

CJQWDockBar::CJQWDockBar(CJQWCommandBars* commandBars)
    : m_pCommandBars(commandBars)
{
    RegisterDockBarClass();
}

CJQWDockBar::~CJQWDockBar()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CJQWDockBar::Create(CWnd* parent, DWORD style, UINT id)
{
    m_dwStyle = style & 0x40FFFF;
    static const WCHAR* const names[] = { u"jqwBarTop", u"jqwBarBottom", u"jqwBarLeft", u"jqwBarRight" };
    return CreateEx(0, kDockBarClass, names[GetPosition()], style | WS_CLIPSIBLINGS, CRect(0, 0, 0, 0), parent, id);
}

int CJQWDockBar::GetPosition() const
{
    if (m_dwStyle & 0x2800)
        return 0;
    if (m_dwStyle & 0x8200)
        return 1;
    if (m_dwStyle & 0x1400)
        return 2;
    return 3;
}

BOOL CJQWDockBar::IsHorizontal() const
{
    return (m_dwStyle & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)) != 0;
}

CJQWToolBar* CJQWDockBar::GetBarAt(int index) const
{
    // Every walk stays inside the array; anything else is a caller's mistake, answered as a break.
    return index >= 0 && index < GetCount() ? m_arrBars[std::size_t(index)] : nullptr;
}

int CJQWDockBar::FindBar(const CJQWToolBar* bar, int skipIndex) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (i != skipIndex && m_arrBars[std::size_t(i)] == bar)
            return i;
    return -1;
}

BOOL CJQWDockBar::IsRowListWellFormed() const
{
    if (m_arrBars.empty() || m_arrBars.front() || m_arrBars.back())
        return m_arrBars.size() == 1 && !m_arrBars.front();
    for (std::size_t i = 1; i < m_arrBars.size(); ++i)
        if (!m_arrBars[i] && !m_arrBars[i - 1])
            return FALSE;
    return TRUE;
}

void CJQWDockBar::NormalizeRows()
{
    std::vector<CJQWToolBar*> tidy { nullptr };
    for (CJQWToolBar* bar : m_arrBars)
        if (bar || tidy.back())
            tidy.push_back(bar);
    if (tidy.size() > 1 && tidy.back())
        tidy.push_back(nullptr);
    m_arrBars = std::move(tidy);
}

void CJQWDockBar::InsertRowEntry(int index, CJQWToolBar* bar)
{
    index = std::clamp(index, 0, GetCount());
    m_arrBars.insert(m_arrBars.begin() + index, bar);
    NormalizeRows();
}

int CJQWDockBar::InsertBar(CJQWToolBar* bar, CPoint center)
{
    const BOOL horizontal = IsHorizontal();
    const int along = horizontal ? center.y : center.x;
    CJQWCommandBar* menuBar = m_pCommandBars ? m_pCommandBars->GetMenuBar() : nullptr;
    // A ribbon keeps the first row to itself.
    const BOOL ribbonFirst = menuBar && menuBar->IsRibbonBar() && FindBar(static_cast<CJQWToolBar*>(menuBar)) >= 0;

    int rowFar = 0, previousRowFar = 0, rowStart = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CJQWToolBar* entry = m_arrBars[std::size_t(i)];
        if (entry) {
            if (entry->IsVisible() && entry->GetSafeHwnd()) {
                const CRect r = WindowRectIn(entry, m_hWnd);
                rowFar = std::max<int>(rowFar, horizontal ? r.bottom : r.right);
            }
            continue;
        }
        if (along < rowFar) {
            if (!(ribbonFirst && rowStart == 0)) {
                if (i == 0 || along == previousRowFar)
                    m_arrBars.insert(m_arrBars.begin() + rowStart + 1, nullptr); // a new row in front
                m_arrBars.insert(m_arrBars.begin() + rowStart + 1, bar);
                return rowStart + 1;
            }
        }
        previousRowFar = rowFar;
        rowFar = 0;
        rowStart = i;
    }
    m_arrBars.push_back(bar); // a new last row
    m_arrBars.push_back(nullptr);
    return GetCount() - 2;
}

void CJQWDockBar::DockCommandBar(CJQWToolBar* bar, const RECT* screenRect)
{
    const int oldIndex = FindBar(bar);
    if (oldIndex >= 0 && !screenRect)
        return;
    if (oldIndex >= 0 && screenRect && bar->GetSafeHwnd()) {
        CRect window;
        bar->GetWindowRect(&window);
        if (window == CRect(*screenRect))
            return;
    }
    int newIndex = 0;
    CJQWDockContext* context = bar->GetDockContext();
    if (screenRect) {
        CRect rect(*screenRect);
        ScreenToClient(&rect);
        if (GetExStyle() & WS_EX_LAYOUTRTL)
            std::swap(rect.left, rect.right);
        newIndex = InsertBar(bar, rect.CenterPoint());
        if (context)
            context->m_rectMRUDockPos = rect;
    } else {
        m_arrBars.push_back(bar);
        m_arrBars.push_back(nullptr);
        newIndex = GetCount() - 2;
        if (context)
            context->m_rectMRUDockPos.SetRectEmpty();
    }
    if (bar->GetSafeHwnd() && ::GetParent(bar->GetSafeHwnd()) != m_hWnd)
        ::SetParent(bar->GetSafeHwnd(), m_hWnd);
    if (oldIndex >= 0) {
        RemoveCommandBar(bar, newIndex);
    } else if (CJQWDockBar* other = bar->GetDockBar(); other && other != this) {
        other->RemoveCommandBar(bar);
    }
    bar->SetDockBar(this);
    AdjustStretchedBars();
    NormalizeRows();
    if (m_pCommandBars)
        m_pCommandBars->RecalcFrameLayout(TRUE);
}

int CJQWDockBar::RemoveCommandBar(CJQWToolBar* bar, int skipIndex)
{
    const int index = FindBar(bar, skipIndex);
    if (index >= 0) {
        m_arrBars.erase(m_arrBars.begin() + index);
        // Two breaks in a row would leave an empty row: the second goes too.
        if (index > 0 && index < GetCount() && !m_arrBars[std::size_t(index)] && !m_arrBars[std::size_t(index - 1)])
            m_arrBars.erase(m_arrBars.begin() + index);
        bar->SetDockBar(nullptr); // a re-dock records the dock bar again

    }
    if (m_pCommandBars)
        m_pCommandBars->RecalcFrameLayout(TRUE);
    return 0;
}

void CJQWDockBar::AdjustStretchedBars()
{
    for (int i = 0; i < GetCount(); ++i) {
        CJQWToolBar* bar = m_arrBars[std::size_t(i)];
        if (!bar || !(bar->GetFlags() & kBarFlagStretched))
            continue;
        if (i > 0 && m_arrBars[std::size_t(i - 1)]) {
            m_arrBars.insert(m_arrBars.begin() + i, nullptr);
            ++i;
        }
        if (i + 1 < GetCount() && m_arrBars[std::size_t(i + 1)])
            m_arrBars.insert(m_arrBars.begin() + i + 1, nullptr);
    }
}

void CJQWDockBar::GetVisibleBarsInRow(int index, std::vector<CJQWToolBar*>& bars) const
{
    int first = std::clamp(index, 0, GetCount() - 1);
    while (first > 0 && m_arrBars[std::size_t(first - 1)])
        --first;
    std::vector<CJQWToolBar*> row;
    for (int i = first; i < GetCount() && m_arrBars[std::size_t(i)]; ++i)
        if (m_arrBars[std::size_t(i)]->IsVisible())
            row.push_back(m_arrBars[std::size_t(i)]);
    const BOOL horizontal = IsHorizontal();
    std::stable_sort(row.begin(), row.end(), [&](CJQWToolBar* a, CJQWToolBar* b) {
        const CRect ra = a->GetSafeHwnd() ? WindowRectIn(a, m_hWnd) : CRect();
        const CRect rb = b->GetSafeHwnd() ? WindowRectIn(b, m_hWnd) : CRect();
        return horizontal ? ra.left < rb.left : ra.top < rb.top;
    });
    bars.insert(bars.end(), row.begin(), row.end());
}

DWORD CJQWDockBar::BarMode(const CJQWToolBar* bar) const
{
    DWORD mode = IsHorizontal() ? (LM_HORZ | LM_HORZDOCK) : LM_VERTDOCK;
    if (bar->GetFlags() & kBarFlagStretched)
        mode |= LM_STRETCH;
    const BOOL plainCustomize = m_pCommandBars && m_pCommandBars->IsCustomizeMode() && !m_pCommandBars->IsQuickCustomizeMode();
    if ((bar->GetFlags() & kBarFlagWrapHidden) && !plainCustomize)
        mode |= LM_HIDEWRAP;
    return mode;
}

int CJQWDockBar::LayoutRowOnce(std::vector<CJQWToolBar*>& bars, int x, int y, int length, BOOL horizontal,
    HDWP* deferred, int& overflowIndex)
{
    CDockInfoArray infos;
    for (CJQWToolBar* bar : bars) {
        DOCK_INFO info;
        info.pBar = bar;
        info.nIndex = FindBar(bar);
        const CSize size = bar->CalcDynamicLayout(length, BarMode(bar));
        // Where the bar was dropped (empty, so at the start, for a bar docked without a place).
        CJQWDockContext* context = bar->GetDockContext();
        const CRect remembered = context ? context->m_rectMRUDockPos : CRect();
        info.rcBar = horizontal ? CRect(CPoint(remembered.left, y), size) : CRect(CPoint(x, remembered.top), size);
        info.rcMRUPos = info.rcBar;
        if (!horizontal)
            info.rcBar = Swapped(info.rcBar);
        infos.push_back(info);
    }
    // Sort by the near edge; bars on the same edge keep no defined order.
    std::sort(infos.begin(), infos.end(), [](const DOCK_INFO& a, const DOCK_INFO& b) {
        return a.rcBar.left < b.rcBar.left || (a.rcBar.left == b.rcBar.left && a.nIndex < b.nIndex);
    });
    const int count = int(infos.size());
    // Push right what overlaps the bar before it, unless that one stayed and came later in the list.
    int previousRight = 0;
    bool previousPushed = true;
    int previousIndex = -1;
    for (int i = 0; i < count; ++i) {
        CRect& r = infos[std::size_t(i)].rcBar;
        if (r.left < previousRight && (previousPushed || previousIndex < infos[std::size_t(i)].nIndex)) {
            r.OffsetRect(previousRight - r.left, 0);
            previousPushed = true;
        } else {
            previousPushed = false;
        }
        previousRight = r.right;
        previousIndex = infos[std::size_t(i)].nIndex;
    }
    // Pull back within the length from the right.
    int limit = length;
    bool nextPulled = true;
    int nextIndex = 0x7FFFFFFF;
    for (int i = count - 1; i >= 0; --i) {
        CRect& r = infos[std::size_t(i)].rcBar;
        if (r.right - limit >= 1 && (nextPulled || nextIndex < infos[std::size_t(i)].nIndex)) {
            r.OffsetRect(limit - r.right, 0);
            nextPulled = true;
        } else {
            nextPulled = false;
        }
        limit = r.left;
        nextIndex = infos[std::size_t(i)].nIndex;
    }
    previousRight = 0;
    for (DOCK_INFO& info : infos) {
        if (info.rcBar.left < previousRight)
            info.rcBar.OffsetRect(previousRight - info.rcBar.left, 0);
        previousRight = info.rcBar.right;
    }
    // Squeeze a row that is still too long.
    if (count > 0 && infos.back().rcBar.right > length) {
        int sum = 0;
        for (DOCK_INFO& info : infos) {
            const DWORD mode = BarMode(info.pBar);
            if (mode & LM_HIDEWRAP) {
                const CSize least = info.pBar->CalcDynamicLayout(1, mode);
                info.nMinWidth = horizontal ? least.cx : least.cy;
            } else {
                info.nMinWidth = length;
            }
            info.nTotalMinWidth = sum;
            sum += info.nMinWidth;
        }
        int m = length;
        for (int i = count - 1; i >= 0; --i) {
            DOCK_INFO& info = infos[std::size_t(i)];
            CRect& r = info.rcBar;
            const int remembered = horizontal ? info.rcMRUPos.left : info.rcMRUPos.top;
            int d = std::min<int>(remembered, r.left);
            d = std::max<int>(d, r.left + m - r.right);
            d = std::max(d, info.nTotalMinWidth);
            d = std::min(d, m - info.nMinWidth);
            if (m - info.nMinWidth < info.nTotalMinWidth && count > 1) {
                overflowIndex = infos.back().nIndex;
                return -1;
            }
            r.left = std::max(d, 0);
            r.right = m;
            m = r.left;
        }
    }
    if (!horizontal)
        for (DOCK_INFO& info : infos)
            info.rcBar = Swapped(info.rcBar);
    int thickness = 0;
    for (DOCK_INFO& info : infos) {
        const int barLength = horizontal ? info.rcBar.Width() : info.rcBar.Height();
        const CSize size = info.pBar->CalcDynamicLayout(barLength, BarMode(info.pBar));
        thickness = std::max<int>(thickness, horizontal ? size.cy : size.cx);
    }
    if (!deferred)
        return thickness;
    for (int i = 0; i < count; ++i) {
        DOCK_INFO& info = infos[std::size_t(i)];
        DWORD mode = BarMode(info.pBar) | LM_COMMIT;
        CRect& r = info.rcBar;
        if (info.pBar->GetFlags() & kBarFlagFillGap) {
            if (horizontal) {
                r.right = i + 1 < count ? infos[std::size_t(i + 1)].rcBar.left : length;
                r.left = std::min<int>(r.left, i > 0 ? infos[std::size_t(i - 1)].rcBar.right : 0);
            } else {
                r.bottom = i + 1 < count ? infos[std::size_t(i + 1)].rcBar.top : length;
                r.top = std::min<int>(r.top, i > 0 ? infos[std::size_t(i - 1)].rcBar.bottom : 0);
            }
            mode |= LM_STRETCH;
        }
        const CSize size = info.pBar->CalcDynamicLayout(horizontal ? r.Width() : r.Height(), mode, thickness);
        r = CRect(r.TopLeft(), size);
        if (CJQWDockContext* context = info.pBar->GetDockContext())
            context->m_uMRUDockPosition = GetPosition();
        if (info.pBar->GetSafeHwnd() && WindowRectIn(info.pBar, m_hWnd) != r) {
            *deferred = ::DeferWindowPos(*deferred, info.pBar->GetSafeHwnd(), nullptr, r.left, r.top, r.Width(), r.Height(),
                SWP_NOZORDER | SWP_NOACTIVATE);
            info.pBar->Redraw(nullptr, TRUE);
        }
    }
    return thickness;
}

int CJQWDockBar::LayoutRow(std::vector<CJQWToolBar*> bars, int x, int y, int length, BOOL horizontal, HDWP* deferred)
{
    int total = 0;
    // Each pass either places the row or moves one bar to the next row: it ends.
    while (!bars.empty()) {
        std::vector<CJQWToolBar*> overflow;
        int thickness = -1;
        while (true) {
            int overflowIndex = -1;
            thickness = LayoutRowOnce(bars, x, y, length, horizontal, deferred, overflowIndex);
            if (thickness >= 0)
                break;
            const auto it = std::find_if(bars.begin(), bars.end(),
                [&](CJQWToolBar* bar) { return FindBar(bar) == overflowIndex; });
            if (it == bars.end() || bars.size() == 1)
                break;
            overflow.insert(overflow.begin(), *it);
            bars.erase(it);
        }
        thickness = std::max(thickness, 0);
        total += thickness;
        if (horizontal)
            y += thickness;
        else
            x += thickness;
        bars = std::move(overflow);
    }
    return total;
}

CSize CJQWDockBar::CalcDockLayout(int length, DWORD mode, AFX_SIZEPARENTPARAMS* params)
{
    const BOOL horizontal = IsHorizontal();
    CSize size((mode & LM_STRETCH) && (mode & LM_HORZ) ? kUnbounded : 0,
        (mode & LM_STRETCH) && !(mode & LM_HORZ) ? kUnbounded : 0);
    HDWP deferred = nullptr;
    HDWP* handle = nullptr;
    if (params && params->hDWP) {
        deferred = ::BeginDeferWindowPos(GetCount());
        handle = &deferred;
    }
    int offset = 0;
    for (int i = 1; i < GetCount(); ++i) {
        if (!m_arrBars[std::size_t(i)] || m_arrBars[std::size_t(i - 1)])
            continue;
        std::vector<CJQWToolBar*> row;
        GetVisibleBarsInRow(i, row);
        if (row.empty())
            continue;
        offset += LayoutRow(row, horizontal ? 0 : offset, horizontal ? offset : 0, length, horizontal, handle);
        if (horizontal)
            size.cy = std::max<LONG>(size.cy, offset);
        else
            size.cx = std::max<LONG>(size.cx, offset);
    }
    if (handle)
        ::EndDeferWindowPos(deferred);
    return size;
}

LRESULT CJQWDockBar::OnSizeParent(WPARAM, LPARAM lParam)
{
    auto* params = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
    if (!params || !(GetStyle() & WS_VISIBLE))
        return 0;
    const BOOL horizontal = IsHorizontal();
    DWORD mode = (m_dwStyle & CBRS_SIZE_DYNAMIC) && (m_dwStyle & CBRS_FLOATING) ? 6 : (horizontal ? 10 : 16);
    if (params->bStretch)
        mode |= LM_STRETCH;
    CRect remaining(params->rect);
    CSize size = CalcDockLayout(horizontal ? remaining.Width() : remaining.Height(), mode, params);
    size.cx = std::min<LONG>(size.cx, remaining.Width());
    size.cy = std::min<LONG>(size.cy, remaining.Height());
    CRect placed;
    if (horizontal) {
        params->sizeTotal.cy += size.cy;
        params->sizeTotal.cx = std::max<LONG>(params->sizeTotal.cx, size.cx);
        if (GetPosition() == 0) {
            placed = CRect(remaining.left, remaining.top, remaining.left + size.cx, remaining.top + size.cy);
            params->rect.top += size.cy;
        } else {
            placed = CRect(remaining.left, remaining.bottom - size.cy, remaining.left + size.cx, remaining.bottom);
            params->rect.bottom -= size.cy;
        }
    } else {
        params->sizeTotal.cx += size.cx;
        params->sizeTotal.cy = std::max<LONG>(params->sizeTotal.cy, size.cy);
        if (GetPosition() == 2) {
            placed = CRect(remaining.left, remaining.top, remaining.left + size.cx, remaining.top + size.cy);
            params->rect.left += size.cx;
        } else {
            placed = CRect(remaining.right - size.cx, remaining.top, remaining.right, remaining.top + size.cy);
            params->rect.right -= size.cx;
        }
    }
    if (params->hDWP)
        params->hDWP = ::DeferWindowPos(params->hDWP, m_hWnd, nullptr, placed.left, placed.top, placed.Width(),
            placed.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    else
        SetWindowPos(nullptr, placed.left, placed.top, placed.Width(), placed.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(nullptr, FALSE);
    return 0;
}

void CJQWDockBar::OnPaint()
{
    CPaintDC dc(this);
    if (CJQWPaintManager* manager = m_pCommandBars ? m_pCommandBars->GetPaintManager() : GetGlobalPaintManager())
        manager->FillDockBar(&dc, this);
}

LRESULT CJQWDockBar::OnPrint(WPARAM wParam, LPARAM lParam)
{
    CDC* dc = CDC::FromHandle(reinterpret_cast<HDC>(wParam));
    if (CJQWPaintManager* manager = m_pCommandBars ? m_pCommandBars->GetPaintManager() : GetGlobalPaintManager())
        manager->FillDockBar(dc, this);
    if (lParam & PRF_CHILDREN) {
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (!(::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE))
                continue;
            const CRect r = WindowRectIn(CWnd::FromHandle(child), m_hWnd);
            const CPoint old = dc->OffsetViewportOrg(r.left, r.top);
            ::SendMessageW(child, WM_PRINT, wParam, lParam);
            dc->SetViewportOrg(old);
        }
    }
    return 0;
}

void CJQWDockBar::OnRButtonDown(UINT, CPoint point)
{
    ClientToScreen(&point);
    if (m_pCommandBars)
        m_pCommandBars->ShowToolbarsContextMenu(nullptr, point);
}

LRESULT CJQWDockBar::OnNcHitTest(CPoint point)
{
    if (GetPosition() == 0 && m_pCommandBars) {
        CJQWCommandBar* menuBar = m_pCommandBars->GetMenuBar();
        if (menuBar && menuBar->IsRibbonBar() && FindBar(static_cast<CJQWToolBar*>(menuBar)) >= 0)
            return HTTRANSPARENT;
    }
    return CWnd::OnNcHitTest(point);
}
