#include "toolkit/controls/ListCtrl.h"

#include "toolkit/controls/AuxData.h"
#include "platform/user/ScrollBar.h"
#include "toolkit/controls/persist/RegistryManager.h"
#include "toolkit/drawing/DrawHelpers.h"

#include <algorithm>

// ---- CJQMemDC ----

CJQMemDC::CJQMemDC(CDC* target, const RECT& rect, COLORREF gradientFrom, COLORREF gradientTo, BOOL horizontal)
    : m_pTarget(target)
    , m_rect(rect)
{
    if (!target)
        return;
    if (m_rect.IsRectEmpty())
        target->GetClipBox(&m_rect);
    if (!CreateCompatibleDC(target))
        return;
    if (!m_bitmap.CreateCompatibleBitmap(target, std::max<int>(m_rect.Width(), 1), std::max<int>(m_rect.Height(), 1)))
        return;
    m_pOldBitmap = SelectObject(&m_bitmap);
    m_bValid = TRUE;
    if (gradientTo != CLR_NONE) {
        const COLORREF from = gradientFrom == CLR_NONE ? gradientTo : gradientFrom;
        CRect whole(0, 0, m_rect.Width(), m_rect.Height());
        if (from == gradientTo)
            FillSolidRect(&whole, from);
        else
            CJQWDrawHelpers().GradientFill(m_hDC, &whole, from, gradientTo, horizontal);
    }
}

CJQMemDC::~CJQMemDC()
{
    if (m_bValid)
        m_pTarget->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, 0, 0, SRCCOPY);
    if (m_pOldBitmap)
        SelectObject(m_pOldBitmap);
}

// ---- CJQListBase ----

CJQListBase::CJQListBase()
    : m_strSection(u"Settings")
    , m_strEntry(u"Column Info")
{
    RefreshMetrics();
}

COLORREF CJQListBase::ListBack() const
{
    return m_bCustomColors && m_crCustomBack != CLR_NONE ? m_crCustomBack : ::GetSysColor(COLOR_WINDOW);
}

COLORREF CJQListBase::ListText() const
{
    return m_bCustomColors && m_crCustomText != CLR_NONE ? m_crCustomText : ::GetSysColor(COLOR_WINDOWTEXT);
}

void CJQListBase::RefreshMetrics()
{
    m_nMaxColWidth = ::GetSystemMetrics(SM_CXFULLSCREEN);
    const COLORREF back = ListBack();
    auto less8 = [](int channel) { return std::max(channel - 8, 0); };
    m_crSortBack = RGB(less8(GetRValue(back)), less8(GetGValue(back)), less8(GetBValue(back)));
    m_crSortText = ListText();
}

void CJQListBase::SetListColors(COLORREF text, COLORREF back)
{
    m_bCustomColors = 1;
    m_crCustomText = text;
    m_crCustomBack = back;
    RefreshMetrics();
}

BOOL CJQListBase::IsReportWithHeader() const
{
    return m_pList && m_pList->GetSafeHwnd() && (m_pList->GetStyle() & LVS_TYPEMASK) == LVS_REPORT
        && m_pList->SendMessage(LVM_GETHEADER);
}

CJQHeaderCtrl* CJQListBase::ToolkitHeader() const
{
    if (!m_pList || !m_pList->GetSafeHwnd())
        return nullptr;
    HWND header = HWND(m_pList->SendMessage(LVM_GETHEADER));
    CWnd* wnd = header ? CWnd::FromHandlePermanent(header) : nullptr;
    return wnd && wnd->IsKindOf(RUNTIME_CLASS(CJQHeaderCtrl)) ? static_cast<CJQHeaderCtrl*>(wnd) : nullptr;
}

int CJQListBase::SetSortColumn(int column, BOOL ascending)
{
    const int previous = m_nSortColumn;
    m_nSortColumn = column;
    m_bAscending = BYTE(ascending == 1);
    if (CJQHeaderCtrl* header = ToolkitHeader())
        return header->SetSortImage(column, m_bAscending);
    return previous;
}

int CJQListBase::GetSavedColumnWidth(int column)
{
    CJQRegistryManager registry(HKEY_CURRENT_USER);
    const CString value = registry.ReadString(m_strSection, m_strEntry, m_strDefault);
    int index = 0;
    int start = 0;
    const int length = value.GetLength();
    while (start <= length) {
        int end = value.Find(u',', start);
        if (end < 0)
            end = length;
        if (index == column) {
            if (end == start)
                return 0;
            const CString token = value.Mid(start, end - start);
            int width = 0;
            for (int i = 0; i < token.GetLength() && token[i] >= u'0' && token[i] <= u'9'; ++i)
                width = std::min(width * 10 + (token[i] - u'0'), 0xFFFF);
            return width;
        }
        if (end == length)
            break;
        ++index;
        start = end + 1;
    }
    return 0;
}

void CJQListBase::RestoreColumnWidth(int column)
{
    if (m_pList && m_pList->GetSafeHwnd())
        m_pList->SetColumnWidth(column, GetSavedColumnWidth(column) & 0xFFFF);
}

// Widths are kept by column index, both ways, so a user's reordering of the columns does not
// hand one column's width to another.
void CJQListBase::RestoreColumnWidths()
{
    if (!IsReportWithHeader())
        return;
    const int count = GetColumnCount();
    for (int column = 0; column < count; ++column)
        RestoreColumnWidth(column);
}

void CJQListBase::SaveColumnWidths()
{
    if (!IsReportWithHeader())
        return;
    CString value;
    const int count = GetColumnCount();
    for (int column = 0; column < count; ++column) {
        CString token;
        token.Format(u"%d,", m_pList->GetColumnWidth(column));
        value += token;
    }
    CJQRegistryManager registry(HKEY_CURRENT_USER);
    registry.WriteString(m_strSection, m_strEntry, value);
}

void CJQListBase::SetColumnWidthProfile(const WCHAR* section, const WCHAR* entry, const WCHAR* defaultValue)
{
    m_bSaveWidths = 1;
    m_strSection = section && *section ? section : u"Settings";
    m_strEntry = entry && *entry ? entry : u"Column Info";
    if (defaultValue)
        m_strDefault = defaultValue;
    RestoreColumnWidths();
}

void CJQListBase::AutoSizeColumn(int column)
{
    if (!IsReportWithHeader())
        return;
    const int count = GetColumnCount();
    const int first = column < 0 ? 0 : column;
    const int last = column < 0 ? count - 1 : std::min(column, count - 1);
    m_pList->SendMessage(WM_SETREDRAW, FALSE);
    CJQHeaderCtrl* toolkitHeader = ToolkitHeader();
    HWND header = HWND(m_pList->SendMessage(LVM_GETHEADER));
    for (int index = first; index <= last; ++index) {
        m_pList->SetColumnWidth(index, LVSCW_AUTOSIZE);
        int width = m_pList->GetColumnWidth(index);
        WCHAR text[257] = {};
        LVCOLUMNW info {};
        info.mask = LVCF_TEXT;
        info.pszText = text;
        info.cchTextMax = 256;
        m_pList->GetColumn(index, &info);
        HDC screen = ::GetDC(nullptr);
        HGDIOBJ old = ::SelectObject(screen, HGDIOBJ(::SendMessageW(header, WM_GETFONT, 0, 0)));
        SIZE size {};
        ::GetTextExtentPoint32W(screen, text, int(std::char_traits<char16_t>::length(text)), &size);
        ::SelectObject(screen, old);
        ::ReleaseDC(nullptr, screen);
        int titleWidth = size.cx + 12;
        if (toolkitHeader && toolkitHeader->HasSortArrows() && index == m_nSortColumn)
            titleWidth += 24;
        width = std::clamp(std::max(width, titleWidth), m_nMinColWidth, std::max(m_nMinColWidth, m_nMaxColWidth));
        m_pList->SetColumnWidth(index, width);
    }
    m_pList->SendMessage(WM_SETREDRAW, TRUE);
    m_pList->InvalidateRect(nullptr, TRUE);
}

BOOL CJQListBase::SubclassHeader(BOOL bold)
{
    if (!IsReportWithHeader() || m_flatHeader.GetSafeHwnd())
        return FALSE;
    HWND header = ::GetDlgItem(m_pList->GetSafeHwnd(), 0);
    if (!header)
        header = HWND(m_pList->SendMessage(LVM_GETHEADER));
    if (!header || !m_flatHeader.SubclassWindow(header))
        return FALSE;
    m_flatHeader.SetFontBold(bold);
    return TRUE;
}

BOOL CJQListBase::SortList(int, BOOL)
{
    return TRUE;
}

void CJQListBase::AddExtendedStyle(DWORD styles)
{
    if (m_pList && m_pList->GetSafeHwnd())
        m_pList->SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(GetExtendedStyle() | styles));
}

DWORD CJQListBase::GetExtendedStyle()
{
    return m_pList && m_pList->GetSafeHwnd() ? DWORD(m_pList->SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)) : 0;
}

BOOL CJQListBase::ModifyExtendedStyle(DWORD remove, DWORD add)
{
    const DWORD present = GetExtendedStyle();
    const DWORD wanted = (present & ~remove) | add;
    if (wanted == present || !m_pList || !m_pList->GetSafeHwnd())
        return FALSE;
    m_pList->SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(wanted));
    return TRUE;
}

int CJQListBase::HitTestCell(POINT point, int* column)
{
    if (column)
        *column = 0;
    if (!m_pList || !m_pList->GetSafeHwnd())
        return -1;
    if ((m_pList->GetStyle() & LVS_TYPEMASK) != LVS_REPORT) {
        LVHITTESTINFO hit {};
        hit.pt = point;
        return m_pList->HitTest(&hit);
    }
    const int top = m_pList->GetTopIndex();
    const int last = std::min(top + m_pList->GetCountPerPage(), m_pList->GetItemCount());
    CHeaderCtrl* header = m_pList->GetHeaderCtrl();
    for (int row = top; row < last; ++row) {
        CRect bounds;
        if (!m_pList->GetItemRect(row, &bounds, LVIR_BOUNDS) || !bounds.PtInRect(point))
            continue;
        if (column && header) {
            *column = -1;
            int left = bounds.left;
            const int count = header->GetItemCount();
            for (int order = 0; order < count; ++order) {
                const int width = m_pList->GetColumnWidth(header->OrderToIndex(order));
                if (point.x >= left && point.x <= left + width) {
                    *column = order;
                    break;
                }
                left += width;
            }
        }
        return row;
    }
    return -1;
}

int CJQListBase::AddColumn(const WCHAR* text, int width, int format)
{
    if (!IsReportWithHeader())
        return -1;
    CHeaderCtrl* header = m_pList->GetHeaderCtrl();
    const int count = header->GetItemCount();
    if (width == -1) {
        HDITEMW item {};
        item.mask = HDI_WIDTH;
        width = count > 0 && header->GetItem(count - 1, &item) ? item.cxy : 0;
    }
    LVCOLUMNW column {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<WCHAR*>(text ? text : u"");
    column.iSubItem = count;
    return m_pList->InsertColumn(count, &column);
}

BOOL CJQListBase::AddColumns(int count, const int* widths, const WCHAR* const* texts)
{
    for (int i = 0; i < count; ++i)
        if (AddColumn(texts[i], widths[i], LVCFMT_LEFT) < 0)
            return FALSE;
    return TRUE;
}

BOOL CJQListBase::AddColumnsFromResources(int count, const int* widths, const UINT* stringIds)
{
    for (int i = 0; i < count; ++i) {
        CString text;
        if (!text.LoadString(stringIds[i]))
            text.Empty();
        if (AddColumn(text, widths[i], LVCFMT_LEFT) < 0)
            return FALSE;
    }
    return TRUE;
}

int CJQListBase::GetColumnCount()
{
    if (!IsReportWithHeader())
        return -1;
    return m_pList->GetHeaderCtrl()->GetItemCount();
}

int CJQListBase::CopyRow(int from, int to)
{
    if (from == to || from < 0 || to < 0 || !m_pList || !m_pList->GetSafeHwnd())
        return -1;
    WCHAR text[257] = {};
    LVITEMW item {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = from;
    item.pszText = text;
    item.cchTextMax = 256;
    if (!m_pList->GetItem(&item))
        return -1;
    item.iItem = to;
    const int inserted = m_pList->InsertItem(&item);
    if (inserted < 0)
        return -1;
    const int source = inserted <= from ? from + 1 : from;
    const int columns = GetColumnCount();
    for (int sub = 1; sub < columns; ++sub) {
        const CString cell = m_pList->GetItemText(source, sub);
        if (!cell.IsEmpty())
            m_pList->SetItemText(inserted, sub, cell);
    }
    return source;
}

BOOL CJQListBase::MoveRow(int from, int to)
{
    const int source = CopyRow(from, to);
    return source >= 0 && m_pList->DeleteItem(source);
}

void CJQListBase::SetRowColors(int row, COLORREF text, COLORREF back, BOOL redraw)
{
    auto found = std::find_if(m_rowColors.begin(), m_rowColors.end(), [row](const ROWCOLOR& r) { return r.iRow == row; });
    if (found != m_rowColors.end()) {
        found->crText = text;
        found->crBack = back;
    } else {
        m_rowColors.insert(m_rowColors.begin(), ROWCOLOR { row, back, text });
    }
    if (redraw && m_pList && m_pList->GetSafeHwnd()) {
        const int top = m_pList->GetTopIndex();
        if (row >= top && row <= top + m_pList->GetCountPerPage())
            m_pList->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}

const ROWCOLOR* CJQListBase::FindRowColors(int row) const
{
    for (const ROWCOLOR& record : m_rowColors)
        if (record.iRow == row)
            return &record;
    return nullptr;
}

BOOL CJQListBase::InitControl()
{
    if (!m_pList || !m_pList->GetSafeHwnd())
        return FALSE;
    if (m_bDefaultFont)
        m_pList->SendMessage(WM_SETFONT, WPARAM(HFONT(GetGlobalAuxData().font.GetSafeHandle())), TRUE);
    return TRUE;
}

BOOL CJQListBase::OnNotify(WPARAM, LPARAM lParam, LRESULT* result)
{
    auto* notify = reinterpret_cast<NMHEADERW*>(lParam);
    switch (notify->hdr.code) {
    case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGINGA:
    case HDN_ENDTRACKW:
        if (notify->pitem && (notify->pitem->mask & HDI_WIDTH) && notify->pitem->cxy < m_nMinColWidth)
            notify->pitem->cxy = m_nMinColWidth;
        break;
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
        if (m_bLockWidths) {
            if (result)
                *result = 1;
            return TRUE;
        }
        break;
    case HDN_ITEMCLICKW:
    case HDN_ITEMCLICKA:
        if (CJQHeaderCtrl* header = ToolkitHeader()) {
            BOOL ascending = m_bAscending;
            if (notify->iButton == 0) {
                ascending = notify->iItem != m_nSortColumn ? TRUE : !m_bAscending;
            } else if (notify->iButton == 1) {
                header->GetSortColumn(&ascending);
            } else {
                break;
            }
            m_nSortColumn = notify->iItem;
            m_bAscending = BYTE(ascending ? 1 : 0);
            header->SetSortImage(m_nSortColumn, ascending);
            SortList(m_nSortColumn, ascending);
        }
        break;
    default:
        break;
    }
    return FALSE;
}

LRESULT CJQListBase::OnCustomDraw(NMHDR* notify)
{
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(notify);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        if (!m_pList->IsWindowEnabled()) {
            draw->clrText = ::GetSysColor(COLOR_WINDOWTEXT);
            draw->clrTextBk = ::GetSysColor(COLOR_BTNFACE);
            return 0;
        }
        const int row = int(draw->nmcd.dwItemSpec);
        const ROWCOLOR* colors = m_bRowColors ? FindRowColors(row) : nullptr;
        if (colors && (m_pList->GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED))
            colors = nullptr;
        if (m_bSortHighlight && draw->iSubItem == m_nSortColumn) {
            if (colors) {
                draw->clrText = colors->crText;
                draw->clrTextBk = CJQWDrawHelpers::BlendColors(colors->crBack, m_crSortBack, 0.5f);
            } else {
                draw->clrText = m_crSortText;
                draw->clrTextBk = m_crSortBack;
            }
        } else if (colors) {
            draw->clrText = colors->crText;
            draw->clrTextBk = colors->crBack;
        } else {
            draw->clrText = ListText();
            draw->clrTextBk = ListBack();
        }
        return 0;
    }
    default:
        return 0;
    }
}

void CJQListBase::OnPaint()
{
    CPaintDC paint(m_pList);
    CRect client;
    m_pList->GetClientRect(&client);
    const bool report = (m_pList->GetStyle() & LVS_TYPEMASK) == LVS_REPORT;
    CHeaderCtrl* header = report ? m_pList->GetHeaderCtrl() : nullptr;
    if (header && header->IsWindowVisible()) {
        CRect headerRect;
        header->GetWindowRect(&headerRect);
        m_pList->ScreenToClient(&headerRect);
        paint.ExcludeClipRect(headerRect.left, headerRect.top, headerRect.right, headerRect.bottom);
    }
    {
        CJQMemDC memory(&paint, client);
        memory.FillSolidRect(CRect(0, 0, client.Width(), client.Height()),
                             m_pList->IsWindowEnabled() ? ListBack() : ::GetSysColor(COLOR_BTNFACE));
        if (m_bSortHighlight && header && m_nSortColumn >= 0) {
            CRect span;
            if (header->GetItemRect(m_nSortColumn, &span)) {
                const int scroll = ::GetScrollPos(m_pList->GetSafeHwnd(), SB_HORZ);
                memory.FillSolidRect(CRect(span.left - scroll, 0, span.right - scroll, client.Height()), m_crSortBack);
            }
        }
        m_pList->DefWindowProc(WM_PAINT, WPARAM(memory.GetSafeHdc()), 0);
    }
    if (header) {
        header->Invalidate(FALSE);
        header->UpdateWindow();
    }
}

// ---- the list control classes ----

IMPLEMENT_DYNAMIC(CJQListCtrlBase, CListCtrl)
IMPLEMENT_DYNCREATE(CJQListCtrl, CJQListCtrlBase)

CJQListCtrlBase::CJQListCtrlBase()
{
    Bind(this);
}

CJQListCtrl::CJQListCtrl() = default;

BOOL CJQListCtrlBase::PreCreateWindow(CREATESTRUCTW& cs)
{
    m_bSubclassed = FALSE;
    return CListCtrl::PreCreateWindow(cs);
}

void CJQListCtrlBase::PreSubclassWindow()
{
    CListCtrl::PreSubclassWindow();
    if (m_bSubclassed)
        InitControl();
}

BOOL CJQListCtrlBase::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (CJQListBase::OnNotify(wParam, lParam, result))
        return TRUE;
    return CListCtrl::OnNotify(wParam, lParam, result);
}

BOOL CJQListCtrlBase::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == NM_CUSTOMDRAW) {
        const LRESULT answer = OnCustomDraw(reinterpret_cast<NMHDR*>(lParam));
        if (result)
            *result = answer;
        return TRUE;
    }
    return CListCtrl::OnChildNotify(message, wParam, lParam, result);
}

LRESULT CJQListCtrlBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        const LRESULT result = CListCtrl::WindowProc(message, wParam, lParam);
        if (result != -1)
            InitControl();
        return result;
    }
    case WM_PAINT:
        if (wParam)
            break;
        CJQListBase::OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_DESTROY:
        if (m_bSaveWidths)
            SaveColumnWidths();
        break;
    case WM_SETTINGCHANGE: {
        const LRESULT result = CListCtrl::WindowProc(message, wParam, lParam);
        RefreshMetrics();
        return result;
    }
    default:
        break;
    }
    return CListCtrl::WindowProc(message, wParam, lParam);
}
