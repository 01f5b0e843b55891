// Placing the controls of one bar: rows (columns on vertical bars), compact shapes for floating
// bars, centring within rows, far alignment, stretching, and the column layout of popup menus.
// The searches work on a temporary item array; only a committing layout touches the controls.

#include "platform/framework/DC.h"
#include "platform/user/Window.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>

namespace {

using Items = std::vector<CJQWControls::LayoutItem>;

int AxisSize(const CSize& size, bool vertical)
{
    return vertical ? size.cy : size.cx;
}

constexpr int kMaxSearchSteps = 64;

} // namespace

CSize CJQWControls::MeasureControl(CJQWControl* control, CDC* dc) const
{
    if (m_measure)
        return m_measure(control, dc);
    return control->GetSize(dc);
}

CSize CJQWControls::GetSeparatorSize(CDC* dc) const
{
    CJQWPaintManager* manager = m_pParent ? m_pParent->GetPaintManager() : GetGlobalPaintManager();
    if (!manager)
        return CSize(6, 6);
    return manager->DrawCommandBarSeparator(dc, m_pParent, nullptr, FALSE);
}

int CJQWControls::WrapRows(Items& items, int length, DWORD& mode, CSize separator)
{
    const bool vertical = (mode & LM_VERTDOCK) != 0;
    const int groupGap = vertical ? separator.cy : separator.cx;
    int position = 0;
    int rows = 0;
    bool first = true;
    int rowStart = -1;
    const int count = int(items.size());
    for (int i = 0; i < count; ++i) {
        auto& item = items[size_t(i)];
        item.bWrap = FALSE;
        item.bHidden = FALSE;
        if (!item.bVisible)
            continue;
        const int size = AxisSize(item.szControl, vertical);
        const int extent = size + (item.bBeginGroup && !first ? groupGap : 0);
        const bool overflow = position + extent > length || ((mode & LM_POPUP) && item.bBeginGroup && !first);
        const bool forcedWrap = item.pControl && (item.pControl->GetFlags() & jqwFlagWrapRow);
        if (forcedWrap && !first) {
            item.bWrap = TRUE;
            ++rows;
            position = size;
            rowStart = i;
        } else if (overflow && !first && (mode & LM_HIDEWRAP)) {
            int next = i;
            for (; next < count; ++next) {
                auto& hidden = items[size_t(next)];
                if (next > i && hidden.pControl && (hidden.pControl->GetFlags() & jqwFlagWrapRow))
                    break;
                hidden.bWrap = FALSE;
                hidden.bHidden = hidden.bVisible;
            }
            mode |= LM_STRETCH;
            if (next >= count)
                break;
            i = next - 1; // the wrapping control starts a row on the next turn
            continue;
        } else if (overflow && !first) {
            int wrapPoint = i;
            for (int j = i; j > rowStart; --j) {
                const auto& candidate = items[size_t(j)];
                if (candidate.bWrap)
                    break;
                if (candidate.bVisible && candidate.bBeginGroup) {
                    wrapPoint = j;
                    break;
                }
            }
            auto& point = items[size_t(wrapPoint)];
            point.bWrap = TRUE;
            ++rows;
            position = AxisSize(point.szControl, vertical);
            rowStart = wrapPoint;
            if (!(mode & LM_HIDEWRAP))
                mode |= LM_STRETCH;
            i = wrapPoint;
        } else {
            position += extent;
            if (first)
                rowStart = i;
        }
        first = false;
    }
    return rows + 1;
}

CSize CJQWControls::PlaceRows(Items& items, CSize separator, BOOL vertical)
{
    int x = 0, y = 0, thickness = 0;
    CSize size(0, 0);
    bool first = true;
    for (auto& item : items) {
        if (!item.bVisible || item.bHidden)
            continue;
        const int cx = item.szControl.cx, cy = item.szControl.cy;
        if (!vertical) {
            if (item.bWrap && !first) {
                y += thickness + (item.bBeginGroup ? separator.cy : 0);
                x = 0;
                thickness = 0;
            } else if (item.bBeginGroup && !first) {
                x += separator.cx;
            }
            item.rcControl = CRect(x, y, x + cx, y + cy);
            x += cx;
            thickness = std::max(thickness, cy);
            size.cx = std::max(size.cx, item.rcControl.right);
            size.cy = std::max(size.cy, item.rcControl.bottom);
        } else {
            if (item.bWrap && !first) {
                x -= thickness + (item.bBeginGroup ? separator.cy : 0);
                y = 0;
                thickness = 0;
            } else if (item.bBeginGroup && !first) {
                y += separator.cx;
            }
            item.rcControl = CRect(x - cx, y, x, y + cy);
            y += cy;
            thickness = std::max(thickness, cx);
            size.cx = std::max(size.cx, cx - x);
            size.cy = std::max(size.cy, item.rcControl.bottom);
        }
        first = false;
    }
    return size;
}

CSize CJQWControls::FindShape(Items& items, DWORD& mode, CSize separator)
{
    DWORD probe = mode;
    WrapRows(items, 0, probe, separator);
    int low = PlaceRows(items, separator, FALSE).cx;
    probe = mode;
    WrapRows(items, 0x7FFF, probe, separator);
    int high = PlaceRows(items, separator, FALSE).cx;
    CSize size(-1, -1);
    for (int step = 0; step < kMaxSearchSteps && low < high; ++step) {
        const int middle = (low + high) / 2;
        probe = mode;
        WrapRows(items, middle, probe, separator);
        const CSize found = PlaceRows(items, separator, FALSE);
        if (found.cx == found.cy)
            break;
        if (found.cy > found.cx) {
            if (found == size || found.cx <= low)
                break;
            low = found.cx;
        } else {
            if (found.cx >= high)
                break;
            high = found.cx;
        }
        size = found;
    }
    const int width = PlaceRows(items, separator, FALSE).cx;
    WrapRows(items, width, mode, separator);
    return PlaceRows(items, separator, FALSE);
}

CSize CJQWControls::FitLength(Items& items, int length, DWORD& mode, CSize separator, BOOL lengthIsHeight)
{
    DWORD probe = mode;
    if (lengthIsHeight) {
        WrapRows(items, 0, probe, separator);
        int low = PlaceRows(items, separator, FALSE).cx;
        probe = mode;
        WrapRows(items, 0x7FFF, probe, separator);
        int high = PlaceRows(items, separator, FALSE).cx;
        for (int step = 0; step < kMaxSearchSteps && low < high; ++step) {
            const int middle = (low + high) / 2;
            if (middle == low || middle == high)
                break;
            probe = mode;
            WrapRows(items, middle, probe, separator);
            const CSize found = PlaceRows(items, separator, FALSE);
            if (found.cy <= length) {
                if (found.cy == length) {
                    high = middle;
                    break;
                }
                high = middle;
            } else {
                if (found.cx <= low)
                    break;
                low = found.cx;
            }
        }
        WrapRows(items, high, mode, separator);
        return PlaceRows(items, separator, FALSE);
    }

    const int rows = WrapRows(items, length, probe, separator);
    probe = mode;
    const int rowsAtZero = WrapRows(items, 0, probe, separator);
    int width = length;
    if (rowsAtZero != rows && length > 0) {
        int low = 0, high = length;
        for (int step = 0; step < kMaxSearchSteps; ++step) {
            const int middle = (low + high) / 2;
            if (middle == low)
                break;
            probe = mode;
            if (WrapRows(items, middle, probe, separator) == rows)
                high = middle;
            else
                low = middle;
        }
        width = high;
    }
    probe = mode;
    WrapRows(items, width, probe, separator);
    const CSize used = PlaceRows(items, separator, FALSE);
    WrapRows(items, used.cx, mode, separator);
    return PlaceRows(items, separator, FALSE);
}

void CJQWControls::AlignRows(Items& items, CSize size, const CRect& borders, BOOL vertical, BOOL grouped)
{
    bool anyWrap = false;
    for (const auto& item : items)
        if (item.bVisible && !item.bHidden && item.bWrap)
            anyWrap = true;

    std::vector<size_t> row;
    auto alignRow = [&](int thickness) {
        for (size_t index : row) {
            auto& item = items[index];
            if (!vertical) {
                item.rcRow = CRect(borders.left, item.rcControl.top, borders.left + size.cx, item.rcControl.top + thickness);
                if (!grouped)
                    item.rcControl.OffsetRect(0, (item.rcControl.top + thickness - item.rcControl.bottom) / 2);
            } else {
                item.rcRow = CRect(item.rcControl.right - thickness, borders.top, item.rcControl.right, borders.top + size.cy);
                if (!grouped)
                    item.rcControl.OffsetRect(-((thickness - item.rcControl.Width()) / 2), 0);
            }
        }
        row.clear();
    };
    int thickness = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        auto& item = items[i];
        if (!item.bVisible || item.bHidden)
            continue;
        item.rcControl.OffsetRect(borders.left + (vertical ? size.cx : 0), borders.top);
        if (item.bWrap && !row.empty()) {
            alignRow(anyWrap ? thickness : AxisSize(size, !vertical));
            thickness = 0;
        }
        row.push_back(i);
        thickness = std::max(thickness, vertical ? item.rcControl.Width() : item.rcControl.Height());
    }
    if (!row.empty())
        alignRow(anyWrap ? thickness : (vertical ? size.cx : size.cy));
}

void CJQWControls::AlignFar(Items& items, CSize barSize, const CRect& borders, BOOL vertical)
{
    const int farEdge = vertical ? barSize.cy - borders.bottom : barSize.cx - borders.right;
    const int nearBorder = vertical ? borders.top : borders.left;
    auto nearSide = [&](const CRect& r) { return vertical ? r.top : r.left; };
    auto farSide = [&](const CRect& r) { return vertical ? r.bottom : r.right; };
    auto shift = [&](CRect& r, int by) { vertical ? r.OffsetRect(0, by) : r.OffsetRect(by, 0); };

    std::vector<size_t> shown;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].bVisible && !items[i].bHidden)
            shown.push_back(i);
    if (shown.empty())
        return;
    auto startsRow = [&](size_t k) { return k == 0 || items[shown[k]].bWrap; };

    // Far-aligned controls at the end of the last row.
    int far = farEdge;
    for (size_t k = shown.size(); k-- > 0;) {
        auto& item = items[shown[k]];
        if (!item.pControl || !(item.pControl->GetFlags() & jqwFlagRightAlign))
            break;
        const int length = farSide(item.rcControl) - nearSide(item.rcControl);
        if (far - length < nearBorder)
            break;
        shift(item.rcControl, far - length - nearSide(item.rcControl));
        far = far - length;
        if (startsRow(k))
            break;
    }

    // Stretched controls share the free length of their row.
    size_t rowEnd = shown.size();
    bool lastRow = true;
    while (rowEnd > 0) {
        size_t rowBegin = rowEnd - 1;
        while (!startsRow(rowBegin))
            --rowBegin;
        size_t rangeEnd = rowEnd;
        int rowFar = farEdge;
        if (lastRow) {
            for (size_t k = rowEnd; k-- > rowBegin;) {
                const DWORD flags = items[shown[k]].pControl ? items[shown[k]].pControl->GetFlags() : 0;
                if (flags & jqwFlagRightAlign) {
                    rangeEnd = k;
                    rowFar = nearSide(items[shown[k]].rcControl);
                    continue;
                }
                break;
            }
        }
        if (rangeEnd > rowBegin) {
            int stretched = 0;
            for (size_t k = rowBegin; k < rangeEnd; ++k)
                if (items[shown[k]].pControl && (items[shown[k]].pControl->GetFlags() & jqwFlagControlStretched))
                    ++stretched;
            int free = rowFar - farSide(items[shown[rangeEnd - 1]].rcControl);
            if (stretched > 0 && free >= 1) {
                int gained = 0;
                for (size_t k = rowBegin; k < rangeEnd; ++k) {
                    auto& item = items[shown[k]];
                    shift(item.rcControl, gained);
                    if (item.pControl && (item.pControl->GetFlags() & jqwFlagControlStretched)) {
                        const int grow = free / stretched;
                        free -= grow;
                        --stretched;
                        if (vertical)
                            item.rcControl.bottom += grow;
                        else
                            item.rcControl.right += grow;
                        gained += grow;
                    }
                }
            }
        }
        lastRow = false;
        rowEnd = rowBegin;
    }
}

CSize CJQWControls::CalcGroupedSize(CDC* dc, Items& items, int length, DWORD& mode, BOOL vertical)
{
    const JQW_PAINT_BAR paintBar = m_pParent ? m_pParent->GetPaintBar() : JQW_PAINT_BAR();
    CJQWPaintManager* manager = m_pParent ? m_pParent->GetPaintManager() : GetGlobalPaintManager();
    CJQWImageManager* images = m_pParent ? m_pParent->GetImageManager() : nullptr;
    const int columnHeight = (manager ? manager->GetSplitDropDownWidth() : 23) + paintBar.largeIconSize.cy + 7;

    // Every visible control starts large when a large icon exists for it, else icon and caption.
    for (auto& item : items) {
        item.bWrap = FALSE;
        item.bHidden = FALSE;
        if (!item.bVisible)
            continue;
        const int id = item.pControl->GetDisplayIconId();
        const bool large = id >= 1 && images && images->HasIcon(UINT(id), paintBar.largeIconSize.cx);
        item.pControl->SetStyle(large ? JQW_STYLE_LARGE : JQW_STYLE_ICON_AND_CAPTION);
    }

    auto place = [&]() {
        int x = 0, columnWidth = 0, stack = 0, right = 0, tallest = 0;
        bool first = true;
        for (auto& item : items) {
            if (!item.bVisible || item.bHidden)
                continue;
            CJQWControl* control = item.pControl;
            if (item.nStyle != control->GetStyle()) {
                item.szControl = MeasureControl(control, dc);
                item.nStyle = control->GetStyle();
            }
            const int along = vertical ? item.szControl.cy : item.szControl.cx;
            const int across = vertical ? item.szControl.cx : item.szControl.cy;
            const bool group = item.bBeginGroup && !first;
            const bool newColumn = first || group || item.nStyle == JQW_STYLE_LARGE || stack + across > columnHeight;
            CRect r;
            if (newColumn) {
                if (!first)
                    x += columnWidth + (group ? 6 : 0);
                r = CRect(x, 0, x + along, across);
                columnWidth = along;
                tallest = std::max(tallest, across);
            } else {
                r = CRect(x, stack, x + along, stack + across);
                columnWidth = std::max(columnWidth, along);
            }
            stack = r.bottom;
            right = std::max(right, x + columnWidth);
            item.rcControl = vertical ? CRect(-r.bottom, r.left, -r.top, r.right) : r;
            first = false;
        }
        const int height = std::max(columnHeight, tallest);
        return vertical ? CSize(height, right) : CSize(right, height);
    };
    auto extent = [&](CSize size) { return vertical ? size.cy : size.cx; };
    auto farEdge = [&](const CRect& r) { return vertical ? r.bottom : r.right; };

    // Visible controls before `index`, nearest first.
    auto previousVisible = [&](int index) {
        for (int i = index - 1; i >= 0; --i)
            if (items[size_t(i)].bVisible && !items[size_t(i)].bHidden)
                return i;
        return -1;
    };
    // A run of three ending at `start`: only its first control may begin a group.
    auto runAt = [&](int start, int run[3]) {
        const auto& s = items[size_t(start)];
        if (!s.bVisible || s.bHidden || s.bBeginGroup)
            return false;
        run[2] = start;
        run[1] = previousVisible(start);
        if (run[1] < 0 || items[size_t(run[1])].bBeginGroup)
            return false;
        run[0] = previousVisible(run[1]);
        return run[0] >= 0;
    };
    auto styleOf = [&](int i) { return items[size_t(i)].pControl->GetStyle(); };
    auto setStyle = [&](const int run[3], int style) {
        for (int k = 0; k < 3; ++k)
            items[size_t(run[k])].pControl->SetStyle(style);
    };
    auto reduce = [&]() {
        const int last = int(items.size()) - 1;
        int run[3];
        for (int start = last; start >= 0; --start)
            if (runAt(start, run) && styleOf(run[0]) == 4 && styleOf(run[1]) == 4 && styleOf(run[2]) == 4) {
                setStyle(run, JQW_STYLE_ICON_AND_CAPTION);
                return true;
            }
        for (int start = last; start >= 0;) {
            if (!runAt(start, run)) {
                --start;
                continue;
            }
            if (styleOf(run[0]) == 4 || styleOf(run[1]) == 4 || styleOf(run[2]) == 4) {
                setStyle(run, JQW_STYLE_ICON_AND_CAPTION);
                return true;
            }
            start = run[0] - 1;
        }
        for (int start = last; start >= 0; --start)
            if (runAt(start, run) && styleOf(run[0]) == 3 && styleOf(run[1]) == 3 && styleOf(run[2]) == 3) {
                const CRect a = items[size_t(run[0])].rcControl, b = items[size_t(run[1])].rcControl,
                            c = items[size_t(run[2])].rcControl;
                const bool sameColumn = vertical ? (a.top == b.top && b.top == c.top) : (a.left == b.left && b.left == c.left);
                if (sameColumn) {
                    setStyle(run, JQW_STYLE_ICON);
                    return true;
                }
            }
        return false;
    };

    CSize size = place();
    bool reduced = false;
    for (int step = 0; step < 3 * int(items.size()) + 3 && extent(size) > length; ++step) {
        if (!reduce()) {
            if (mode & LM_HIDEWRAP) {
                bool first = true;
                for (auto& item : items) {
                    if (!item.bVisible)
                        continue;
                    if (!first && farEdge(item.rcControl) > length) {
                        item.pControl->SetStyle(JQW_STYLE_ICON);
                        item.bHidden = TRUE;
                    }
                    first = false;
                }
                size = place();
                reduced = true;
            }
            break;
        }
        reduced = true;
        size = place();
    }
    if (reduced)
        mode |= LM_STRETCH;
    return size;
}

CSize CJQWControls::CalcDynamicSize(CDC* dc, int length, DWORD& mode, const CRect& borders, int minThickness)
{
    for (int i = GetCount() - 1; i >= 0; --i)
        m_arrControls[size_t(i)]->PrepareLayout(int(mode));

    const int borderX = borders.left + borders.right;
    const int borderY = borders.top + borders.bottom;
    if (GetVisibleCount(FALSE) == 0) {
        CSize size(borderX + 23, borderY + 22);
        if (mode & LM_HORZDOCK)
            size.cy = std::max(size.cy, minThickness);
        else
            size.cx = std::max(size.cx, minThickness);
        return size;
    }

    Items items(m_arrControls.size());
    for (size_t i = 0; i < m_arrControls.size(); ++i) {
        CJQWControl* control = m_arrControls[i];
        auto& item = items[i];
        item.pControl = control;
        item.bVisible = control->IsVisible(jqwHideWrap);
        item.bBeginGroup = control->GetBeginGroup();
        item.nStyle = control->GetStyle();
        if (item.bVisible)
            item.szControl = MeasureControl(control, dc);
    }
    if ((mode & LM_MRUWIDTH) && m_pParent)
        length = m_pParent->GetMRUWidth();

    const BOOL vertical = (mode & LM_VERTDOCK) != 0;
    // Stretching is what the caller asked for; the bit set by wrapping only reports it.
    const BOOL stretch = (mode & LM_STRETCH) != 0;
    const CSize separator = GetSeparatorSize(dc);
    const BOOL grouped = m_pParent && (m_pParent->GetFlags() & JQW_FLAGS_GROUPED);
    CSize size;
    if (grouped) {
        size = CalcGroupedSize(dc, items, length - (vertical ? borderY : borderX), mode, vertical);
    } else if (mode & LM_POPUP) {
        const int mru = m_pParent ? m_pParent->GetMRUWidth() : 0;
        WrapRows(items, mru, mode, separator);
        size = PlaceRows(items, separator, FALSE);
        if (size.cx * 3 < size.cy && mru <= 0) {
            size = FindShape(items, mode, separator);
        } else {
            WrapRows(items, size.cx, mode, separator);
            size = PlaceRows(items, separator, FALSE);
        }
    } else if (mode & LM_HORZDOCK) {
        WrapRows(items, length - borderX, mode, separator);
        size = PlaceRows(items, separator, FALSE);
    } else if (mode & LM_VERTDOCK) {
        WrapRows(items, length - borderY, mode, separator);
        size = PlaceRows(items, separator, TRUE);
    } else {
        const BOOL lengthIsHeight = (mode & LM_LENGTHY) != 0;
        size = FitLength(items, length - (lengthIsHeight ? borderY : borderX), mode, separator, lengthIsHeight);
    }

    if (minThickness > 0) {
        if (mode & LM_HORZDOCK)
            size.cy = std::max(size.cy, minThickness - borderY);
        else
            size.cx = std::max(size.cx, minThickness - borderX);
    }
    if (stretch) {
        if (mode & LM_VERTDOCK)
            size.cy = std::max(size.cy, length - borderY);
        else
            size.cx = std::max(size.cx, length - borderX);
    }

    if (mode & LM_COMMIT)
        AlignRows(items, size, borders, vertical, grouped);
    const CSize barSize(size.cx + borderX, size.cy + borderY);

    if (mode & LM_COMMIT) {
        if (!grouped)
            AlignFar(items, barSize, borders, vertical);
        for (auto& item : items) {
            CJQWControl* control = item.pControl;
            const DWORD hide = item.bHidden ? (control->GetHideFlags() | jqwHideWrap) : (control->GetHideFlags() & ~jqwHideWrap);
            if (hide != control->GetHideFlags())
                control->SetHideFlags(hide);
            control->SetRowRect(item.rcRow);
            if (!item.bHidden)
                control->SetRect(item.rcControl);
            control->SetWrap(item.bWrap);
        }
    }
    return barSize;
}

CSize CJQWControls::CalcPopupSize(CDC* dc, int maxHeight, const CRect& borders)
{
    if (m_pParent)
        m_pParent->SetRowsWrapped(FALSE);
    const CSize separator = GetSeparatorSize(dc);
    RECT work {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int widthLimit = work.right > 0 ? work.right / 3 : 0x7FFF;

    int x = borders.left, y = borders.top;
    int columnWidth = 0;
    int tallest = borders.top;
    bool first = true;
    std::vector<CJQWControl*> column;
    std::vector<CJQWControl*> placed;
    auto finishColumn = [&] {
        for (CJQWControl* control : column) {
            CRect r = control->GetRect();
            r.right = r.left + columnWidth;
            control->SetRect(r);
        }
        column.clear();
    };
    for (CJQWControl* control : m_arrControls) {
        if (control->GetParent() != m_pParent)
            continue;
        if (control->GetHideFlags() & jqwHideScroll)
            control->SetHideFlags(control->GetHideFlags() & ~jqwHideScroll);
        if (!control->IsVisible())
            continue;
        CSize size = MeasureControl(control, dc);
        size.cx = std::min<int>(size.cx, widthLimit);
        const bool newColumn = !first
            && ((control->GetFlags() & jqwFlagWrapRow) || (maxHeight > 0 && maxHeight - borders.bottom < y + size.cy));
        if (newColumn) {
            finishColumn();
            x += columnWidth + (control->GetBeginGroup() ? separator.cx : 0);
            y = borders.top;
            columnWidth = 0;
            control->SetWrap(TRUE);
            if (m_pParent)
                m_pParent->SetRowsWrapped(TRUE);
        } else {
            control->SetWrap(FALSE);
            if (control->GetBeginGroup() && !first)
                y += separator.cy;
        }
        control->SetRect(CRect(x, y, x + size.cx, y + size.cy));
        y += size.cy;
        columnWidth = std::max<int>(columnWidth, size.cx);
        tallest = std::max(tallest, y);
        column.push_back(control);
        placed.push_back(control);
        first = false;
    }
    finishColumn();
    for (CJQWControl* control : placed) {
        const CRect r = control->GetRect();
        control->SetRowRect(CRect(r.left, borders.top, r.right, tallest));
    }
    const int totalWidth = placed.empty() ? 0 : x + columnWidth - borders.left;
    const int width = std::max(borders.left + borders.right + totalWidth, 24);
    const int height = placed.empty() ? 22 : borders.top + borders.bottom + (tallest - borders.top);
    return CSize(width, height);
}
