#include "toolkit/commandbars/BarKeyboard.h"

#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/ToolBar.h"

#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/Control.h"

#include <cwctype>

namespace {

bool IsGrid(const CJQWCommandBar* bar)
{
    return bar->GetPosition() == jqwBarPopup && bar->GetType() == jqwBarTypeNormal;
}

bool IsHorizontal(const CJQWCommandBar* bar)
{
    const int position = bar->GetPosition();
    return position == jqwBarTop || position == jqwBarBottom || position == jqwBarFloating || IsGrid(bar);
}

bool IsPopupControl(const CJQWControl* control)
{
    const int type = control->GetType();
    return type == JQW_CONTROL_POPUP || type == JQW_CONTROL_BUTTON_POPUP || type == JQW_CONTROL_SPLIT_BUTTON_POPUP;
}

bool IsEnabledPopup(const CJQWControl* control)
{
    return control && IsPopupControl(control) && control->GetEnabled() && control->GetCommandBar();
}

// The open popup belongs to the selected control.
bool SelectedPopupOpen(const CJQWCommandBar* bar)
{
    return bar->GetPopupIndex() != -1 && bar->GetPopupIndex() == bar->GetSelected();
}

char16_t Upper(char16_t c)
{
    return c < 0x80 ? char16_t(std::towupper(wint_t(c))) : c;
}

// The grid's move to the next or previous row (codes 2 up, 3 down).
BOOL MoveVertically(CJQWCommandBar* bar, int code)
{
    CJQWControls* controls = bar->GetControls();
    const int selected = bar->GetSelected();
    if (selected == -1) {
        const int pick = code == JQW_MOVE_EXPAND ? controls->GetNext(-1, +1) : controls->GetNext(-1, -1);
        return bar->SetSelected(pick, 2);
    }
    const CJQWControl* current = bar->GetControl(selected);
    const int direction = code == JQW_MOVE_EXPAND ? +1 : -1;
    const int count = controls->GetCount();
    const CRect currentRow = current->GetRowRect();
    const int left = current->GetRect().left;
    int choice = -1;
    bool inOtherRow = false;
    CRect otherRow;
    int index = selected;
    for (int step = 0; step < count; ++step) {
        index = (index + direction + count) % count;
        if (index == selected)
            break;
        const CJQWControl* control = controls->GetAt(index);
        if (!control->IsVisible() || control->GetRowRect().IsRectEmpty())
            continue;
        if (control->GetRowRect() == currentRow)
            continue;
        if (inOtherRow && control->GetRowRect() != otherRow)
            break; // past the row: the choice stands
        if (!inOtherRow) {
            inOtherRow = true;
            otherRow = control->GetRowRect();
            choice = index; // the row's first control met: first (down) or last (up)
        }
        const int candidate = control->GetRect().left;
        if (direction > 0) {
            if (candidate <= left)
                choice = index; // walking right: the last one not right of us
        } else if (candidate >= left) {
            choice = index; // walking left: the last one met not left of us
        }
    }
    if (choice == -1)
        return FALSE;
    return bar->SetSelected(choice, code == JQW_MOVE_EXPAND ? 2 : 3);
}

} // namespace

int JQWSelectionCodeForKey(const CJQWCommandBar* bar, UINT key)
{
    const bool horizontal = IsHorizontal(bar);
    const bool rtl = bar->IsRightToLeft();
    switch (key) {
    case VK_END:
        return JQW_MOVE_LAST;
    case VK_HOME:
        return JQW_MOVE_FIRST;
    case VK_LEFT:
        return horizontal ? (rtl ? 0 : 1) : (rtl ? 3 : 2);
    case VK_UP:
        return horizontal ? 2 : 1;
    case VK_RIGHT:
        return horizontal ? (rtl ? 1 : 0) : (rtl ? 2 : 3);
    case VK_DOWN:
        return horizontal ? 3 : 0;
    default:
        return -1;
    }
}

BOOL JQWMoveSelection(CJQWCommandBar* bar, int code)
{
    const bool grid = IsGrid(bar);
    CJQWControl* selected = bar->GetControl(bar->GetSelected());
    if (grid && selected && SelectedPopupOpen(bar)) {
        if (code == JQW_MOVE_NEXT)
            return FALSE;
        if (code == JQW_MOVE_PREVIOUS)
            code = JQW_MOVE_COLLAPSE;
    } else if (code == JQW_MOVE_COLLAPSE && bar->GetPopupIndex() == -1) {
        if (selected && (grid || !bar->GetParentBar()) && IsEnabledPopup(selected))
            code = JQW_MOVE_EXPAND;
    }
    if ((code == JQW_MOVE_COLLAPSE || code == JQW_MOVE_EXPAND) && bar->GetPopupIndex() == -1
        && (grid || bar->GetPosition() == jqwBarFloating)) {
        if (!selected || !IsEnabledPopup(selected))
            return MoveVertically(bar, code);
    }

    CJQWControls* controls = bar->GetControls();
    switch (code) {
    case JQW_MOVE_NEXT:
        return bar->SetSelected(controls->GetNext(bar->GetSelected(), +1), 2);
    case JQW_MOVE_PREVIOUS:
        return bar->SetSelected(controls->GetNext(bar->GetSelected(), -1), 3);
    case JQW_MOVE_COLLAPSE:
        if (bar->GetPopupIndex() == -1)
            return FALSE;
        bar->OpenControlPopup(-1);
        bar->SetTrackingMode(1, FALSE, TRUE);
        return TRUE;
    case JQW_MOVE_EXPAND:
        if (!selected || SelectedPopupOpen(bar) || !IsEnabledPopup(selected))
            return FALSE;
        return bar->OpenControlPopup(selected->GetIndex(), TRUE);
    case JQW_MOVE_ESCAPE:
        if (CJQWCommandBar* parent = bar->GetParentBar())
            parent->SetTrackingMode(1, FALSE, TRUE);
        bar->SetTrackingMode(0, TRUE, FALSE);
        return TRUE;
    case JQW_MOVE_EXECUTE:
        if (selected)
            selected->OnClick(TRUE, CPoint(0, 0));
        return TRUE;
    case JQW_MOVE_FIRST:
        return bar->SetSelected(controls->GetNext(-1, +1), 2);
    case JQW_MOVE_LAST:
        return bar->SetSelected(controls->GetNext(-1, -1), 3);
    default:
        return FALSE;
    }
}

int JQWFindAccelIndex(CJQWCommandBar* bar, UINT key, BOOL& ambiguous)
{
    ambiguous = FALSE;
    CJQWControls* controls = bar->GetControls();
    const int count = controls->GetCount();
    if (count == 0)
        return -1;
    const char16_t wanted = Upper(char16_t(MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) & 0xFFFF));
    if (!wanted)
        return -1;
    const int start = bar->GetSelected();
    int mnemonic = -1;
    int firstLetter = -1;
    BOOL firstLetterTwice = FALSE;
    for (int step = 1; step <= count; ++step) {
        const int index = ((start < 0 ? -1 : start) + step + count) % count;
        CJQWControl* control = controls->GetAt(index);
        if (!control->IsVisible() || !control->GetEnabled())
            continue;
        const CString caption = control->GetCaption();
        if (caption.IsEmpty())
            continue;
        const std::u16string text(caption.GetString());
        const size_t amp = text.find(u'&');
        if (amp != std::u16string::npos && amp + 1 < text.size()) {
            if (Upper(text[amp + 1]) == wanted) {
                if (mnemonic != -1) {
                    ambiguous = TRUE;
                    return mnemonic;
                }
                mnemonic = index;
            }
        } else if (Upper(text[0]) == wanted) {
            if (firstLetter != -1)
                firstLetterTwice = TRUE;
            else
                firstLetter = index;
        }
    }
    if (mnemonic != -1)
        return mnemonic;
    if (firstLetter != -1)
        ambiguous = firstLetterTwice;
    return firstLetter;
}

int JQWBarHookKeyDown(CJQWCommandBar* bar, UINT key, LPARAM data)
{
    if (bar->IsCustomizeMode())
        return 2;
    if (bar->LockCount() > 0)
        return 1;

    if (CWnd* site = bar->GetSite(); site && site->GetSafeHwnd()) {
        JQW_TRACKING_KEY record { key, UINT(data) };
        bar->InternalAddRef();
        site->SendMessage(JQWM_TRACKING_KEYDOWN, WPARAM(&record), LPARAM(bar));
        if (bar->InternalRelease() == 0)
            return 1; // the site removed the bar: the key is spent
    }
    if (CJQWControl* selected = bar->GetControl(bar->GetSelected()); selected && selected->HasEditWindow())
        if (const int answer = selected->OnHookKeyDown(key, data))
            return answer;
    if (!bar->GetSafeHwnd())
        return 1;

    // While key tips are shown, typed keys choose among them; Escape steps back a level.
    if (CJQWCommandBars* bars = bar->GetCommandBars()) {
        const int level = bars->GetKeyboardTipLevel(bar);
        if (level > 0 && key == VK_ESCAPE && level > 1) {
            bars->ShowKeyboardTips(bar, level - 1);
            return 1;
        }
        if (level > 0 && key != VK_ESCAPE && key != VK_RETURN && JQWSelectionCodeForKey(bar, key) == -1)
            return bar->ProcessKeyboardTipKey(key) ? 1 : 2;
    }

    switch (key) {
    case VK_TAB: {
        const BOOL shift = GetKeyState(VK_SHIFT) < 0;
        // Ctrl+Tab hands the keyboard to the next toolbar.
        CJQWCommandBar* root = bar->GetRootParentBar();
        CJQWCommandBars* bars = root->GetCommandBars();
        if (GetKeyState(VK_CONTROL) < 0 && bars && dynamic_cast<CJQWToolBar*>(root)
            && bars->SetFocusToBar(root, shift ? -1 : 1))
            return 1;
        JQWMoveSelection(bar, shift ? JQW_MOVE_PREVIOUS : JQW_MOVE_NEXT);
        return 1;
    }
    case VK_RETURN:
        return JQWMoveSelection(bar, JQW_MOVE_EXECUTE);
    case VK_ESCAPE:
        return JQWMoveSelection(bar, JQW_MOVE_ESCAPE);
    default:
        break;
    }
    // An edit box of the bar that holds the focus keeps the other keys.
    if (HWND focus = ::GetFocus(); focus && ::IsChild(bar->GetSafeHwnd(), focus))
        return 2;
    if (key == VK_SPACE && bar->GetType() == jqwBarTypeMenuBar) {
        if (JQWCommandBarServices().closePopups)
            JQWCommandBarServices().closePopups();
        if (CWnd* site = bar->GetSite(); site && site->GetSafeHwnd())
            site->PostMessage(WM_SYSCOMMAND, SC_KEYMENU, LPARAM(' '));
        return 1;
    }
    const int code = JQWSelectionCodeForKey(bar, key);
    if (code != -1)
        return JQWMoveSelection(bar, code);

    if (key == 0 || (MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) & 0xFFFF) == 0)
        return 1;
    if (GetKeyState(VK_CONTROL) >= 0) {
        BOOL ambiguous = FALSE;
        const int index = JQWFindAccelIndex(bar, key, ambiguous);
        if (index != -1) {
            bar->SetSelected(index, 2);
            if (!ambiguous)
                if (CJQWControl* control = bar->GetControl(index))
                    control->Activate();
            return 1;
        }
    }
    if (key != VK_SHIFT && key != VK_CONTROL)
        MessageBeep(0);
    return 1;
}
