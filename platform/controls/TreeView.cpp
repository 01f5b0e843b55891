// The tree view: items under items, expanded and collapsed with the parent's consent
// (TVN_ITEMEXPANDING), one caret item that is also selected, selection changes the parent can
// refuse (TVN_SELCHANGING), labels edited in place through an edit control, and custom draw.

#include "platform/base/Clock.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/controls/LabelEdit.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/Resources.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Timers.h"

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <unordered_set>
#include <vector>

namespace platform::controls {

namespace {

constexpr UINT_PTR kEditTimer = 1;
constexpr int kIconGap = 3; // between an item's icon and its label
constexpr DWORD kTypeAheadTimeout = 1000;
constexpr COLORREF kDefaultColor = 0xFFFFFFFF; // TVM_GET*COLOR answers it while no colour is set

struct Node {
    Node* parent = nullptr;
    Node* first = nullptr;
    Node* last = nullptr;
    Node* next = nullptr;
    Node* prev = nullptr;
    std::u16string text;
    bool textCallback = false;
    int image = 0;
    int selectedImage = 0;
    int children = 0;          // cChildren as given (1, or I_CHILDRENCALLBACK)
    bool childrenGiven = false; // TVIF_CHILDREN was given: it decides over the real children
    UINT state = 0;
    LPARAM param = 0;
    int textWidth = -1; // measured label text, -1 until measured (text, boldness and font reset it)
};

enum class Press { None, Left, Right };

struct TreeState {
    Node root;
    std::unordered_set<Node*> live;
    Node* caret = nullptr;
    Node* dropHilite = nullptr;
    Node* hot = nullptr;
    Node* insertMark = nullptr;
    bool insertAfter = false;
    int top = 0; // index of the first visible row
    int scrollX = 0;
    bool inScrollUpdate = false;
    HFONT font = nullptr;
    HIMAGELIST images = nullptr;
    HIMAGELIST stateImages = nullptr;
    int indent = 19;
    int itemHeight = 0; // 0: from the font and images
    mutable int measuredHeight = 0; // that height, once measured; the font and image lists reset it
    COLORREF background = kDefaultColor;
    COLORREF text = kDefaultColor;
    HWND tooltips = nullptr;
    bool hasFocus = false;
    WORD uiState = 0;
    // Label editing.
    HWND edit = nullptr;
    Node* editing = nullptr;
    bool ending = false;
    // The mouse.
    Press press = Press::None;
    POINT pressedAt {};
    Node* pressedNode = nullptr;
    bool editArmed = false;
    Node* editPending = nullptr;
    // Type-ahead.
    std::u16string typed;
    DWORD typedAt = 0;
};

TreeState* TreeOf(HWND w) { return StateOf<TreeState>(w); }

Node* NodeOf(const TreeState& s, HTREEITEM item)
{
    Node* node = reinterpret_cast<Node*>(item);
    return node && s.live.count(node) ? node : nullptr;
}

HTREEITEM HandleOf(Node* node) { return reinterpret_cast<HTREEITEM>(node); }

RECT Client(HWND w)
{
    RECT r;
    GetClientRect(w, &r);
    return r;
}

SIZE IconSize(HIMAGELIST list)
{
    int cx = 0;
    int cy = 0;
    if (list)
        ImageList_GetIconSize(list, &cx, &cy);
    return SIZE { cx, cy };
}

int StateWidth(HWND w, const TreeState& s)
{
    if (s.stateImages)
        return IconSize(s.stateImages).cx;
    return (StyleOf(w) & TVS_CHECKBOXES) ? 16 : 0;
}

int ItemHeight(HWND w, const TreeState& s)
{
    if (s.itemHeight > 0)
        return s.itemHeight;
    if (s.measuredHeight > 0)
        return s.measuredHeight;
    HDC hdc = GetDC(w);
    HGDIOBJ old = SelectObject(hdc, FontOf(s.font));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    SelectObject(hdc, old);
    ReleaseDC(w, hdc);
    int height = std::max<int>(tm.tmHeight + 3, IconSize(s.images).cy);
    height = std::max<int>(height, IconSize(s.stateImages).cy);
    if (!(StyleOf(w) & TVS_NONEVENHEIGHT))
        height += height & 1;
    s.measuredHeight = height;
    return height;
}

int Level(const Node* node)
{
    int level = 0;
    for (const Node* p = node->parent; p && p->parent; p = p->parent)
        ++level;
    return level;
}

bool IsDescendant(const Node* node, const Node* ancestor)
{
    for (const Node* p = node ? node->parent : nullptr; p; p = p->parent)
        if (p == ancestor)
            return true;
    return false;
}

void CollectVisible(Node* parent, std::vector<Node*>& out)
{
    for (Node* n = parent->first; n; n = n->next) {
        out.push_back(n);
        if ((n->state & TVIS_EXPANDED) && n->first)
            CollectVisible(n, out);
    }
}

std::vector<Node*> Visible(TreeState& s)
{
    std::vector<Node*> out;
    CollectVisible(&s.root, out);
    return out;
}

int VisibleIndex(TreeState& s, const Node* node)
{
    const std::vector<Node*> visible = Visible(s);
    auto it = std::find(visible.begin(), visible.end(), node);
    return it == visible.end() ? -1 : int(it - visible.begin());
}

int FullRows(HWND w, const TreeState& s) { return std::max(0, int(Client(w).bottom) / std::max(1, ItemHeight(w, s))); }

std::u16string TextOf(HWND w, Node* node)
{
    if (!node->textCallback)
        return node->text;
    WCHAR buffer[260] {};
    NMTVDISPINFOW info {};
    info.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_PARAM;
    info.item.hItem = HandleOf(node);
    info.item.lParam = node->param;
    info.item.pszText = buffer;
    info.item.cchTextMax = 260;
    SendNotify(w, &info.hdr, TVN_GETDISPINFOW);
    return info.item.pszText ? std::u16string(info.item.pszText) : std::u16string();
}

bool HasChildren(HWND w, Node* node)
{
    if (!node->childrenGiven)
        return node->first != nullptr;
    if (node->children != I_CHILDRENCALLBACK)
        return node->children != 0;
    NMTVDISPINFOW info {};
    info.item.mask = TVIF_CHILDREN | TVIF_HANDLE | TVIF_PARAM;
    info.item.hItem = HandleOf(node);
    info.item.lParam = node->param;
    SendNotify(w, &info.hdr, TVN_GETDISPINFOW);
    return info.item.cChildren != 0;
}

int TextWidth(HWND w, const TreeState& s, const std::u16string& text, bool bold)
{
    HDC hdc = GetDC(w);
    HFONT boldFont = nullptr;
    HGDIOBJ old = SelectObject(hdc, FontOf(s.font));
    if (bold) {
        LOGFONTW lf {};
        GetObjectW(FontOf(s.font), sizeof(lf), &lf);
        lf.lfWeight = FW_BOLD;
        boldFont = CreateFontIndirectW(&lf);
        SelectObject(hdc, boldFont);
    }
    SIZE size {};
    GetTextExtentPoint32W(hdc, text.c_str(), int(text.size()), &size);
    SelectObject(hdc, old);
    if (boldFont)
        DeleteObject(boldFont);
    ReleaseDC(w, hdc);
    return size.cx;
}

struct Parts {
    RECT row;
    int start; // where the item begins: its button cell lies just left of it
    RECT state;
    RECT icon;
    RECT label;
};

bool RootColumn(HWND w) { return (StyleOf(w) & TVS_LINESATROOT) != 0; }

Parts PartsOf(HWND w, TreeState& s, Node* node, int visibleIndex)
{
    const int height = ItemHeight(w, s);
    const int y = (visibleIndex - s.top) * height;
    Parts p {};
    p.row = RECT { 0, y, Client(w).right, y + height };
    int x = (Level(node) + (RootColumn(w) ? 1 : 0)) * s.indent - s.scrollX;
    p.start = x;
    const int stateWidth = StateWidth(w, s);
    p.state = RECT { x, y, x + stateWidth, y + height };
    x += stateWidth;
    const int iconWidth = IconSize(s.images).cx;
    p.icon = RECT { x, y, x + iconWidth, y + height };
    x += iconWidth + (iconWidth ? kIconGap : 0);
    int textWidth = node->textWidth;
    if (textWidth < 0) {
        textWidth = TextWidth(w, s, TextOf(w, node), (node->state & TVIS_BOLD) != 0);
        if (!node->textCallback)
            node->textWidth = textWidth;
    }
    p.label = RECT { x, y, x + textWidth + 4, y + height };
    return p;
}

Node* HitTest(HWND w, TreeState& s, POINT pt, UINT& flags)
{
    const RECT client = Client(w);
    flags = 0;
    if (pt.y < 0)
        flags |= TVHT_ABOVE;
    else if (pt.y >= client.bottom)
        flags |= TVHT_BELOW;
    if (pt.x < 0)
        flags |= TVHT_TOLEFT;
    else if (pt.x >= client.right)
        flags |= TVHT_TORIGHT;
    if (flags)
        return nullptr;
    const std::vector<Node*> visible = Visible(s);
    const int index = s.top + pt.y / std::max(1, ItemHeight(w, s));
    if (index < 0 || index >= int(visible.size())) {
        flags = TVHT_NOWHERE;
        return nullptr;
    }
    Node* node = visible[size_t(index)];
    const Parts p = PartsOf(w, s, node, index);
    const bool buttonCell = (StyleOf(w) & TVS_HASBUTTONS) && (node->parent != &s.root || RootColumn(w))
        && pt.x >= p.start - s.indent && pt.x < p.start && HasChildren(w, node);
    if (buttonCell)
        flags = TVHT_ONITEMBUTTON;
    else if (pt.x < p.start)
        flags = TVHT_ONITEMINDENT;
    else if (pt.x < p.state.right && p.state.right > p.state.left)
        flags = TVHT_ONITEMSTATEICON;
    else if (pt.x < p.icon.right && p.icon.right > p.icon.left)
        flags = TVHT_ONITEMICON;
    else if (pt.x < p.label.right)
        flags = TVHT_ONITEMLABEL;
    else
        flags = TVHT_ONITEMRIGHT;
    return node;
}

TVITEMW Describe(Node* node)
{
    TVITEMW item {};
    if (!node)
        return item;
    item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
    item.hItem = HandleOf(node);
    item.state = node->state;
    item.stateMask = 0xFFFF;
    item.lParam = node->param;
    return item;
}

LRESULT NotifyTree(HWND w, UINT code, UINT action, Node* oldNode, Node* newNode, POINT at = {})
{
    NMTREEVIEWW info {};
    info.action = action;
    info.itemOld = Describe(oldNode);
    info.itemNew = Describe(newNode);
    info.ptDrag = at;
    return SendNotify(w, &info.hdr, code);
}

void UpdateScrollBar(HWND w, TreeState& s);

void SetTop(HWND w, TreeState& s, int top)
{
    const int count = int(Visible(s).size());
    top = std::clamp(top, 0, std::max(0, count - std::max(1, FullRows(w, s))));
    if (top != s.top) {
        s.top = top;
        InvalidateRect(w, nullptr, TRUE);
    }
    UpdateScrollBar(w, s);
}

// The width of the widest visible row, from the left edge of the content.
int ContentWidth(HWND w, TreeState& s)
{
    const int iconWidth = IconSize(s.images).cx;
    const int before = StateWidth(w, s) + iconWidth + (iconWidth ? kIconGap : 0) + 4;
    const int root = RootColumn(w) ? 1 : 0;
    int widest = 0;
    for (Node* node : Visible(s)) {
        if (node->textWidth < 0) {
            const int measured = TextWidth(w, s, TextOf(w, node), (node->state & TVIS_BOLD) != 0);
            if (node->textCallback) {
                widest = std::max(widest, (Level(node) + root) * s.indent + before + measured);
                continue;
            }
            node->textWidth = measured;
        }
        widest = std::max(widest, (Level(node) + root) * s.indent + before + node->textWidth);
    }
    return widest;
}

void UpdateScrollBar(HWND w, TreeState& s)
{
    if ((StyleOf(w) & TVS_NOSCROLL) || s.inScrollUpdate)
        return;
    s.inScrollUpdate = true;
    const int count = int(Visible(s).size());
    SCROLLINFO info { sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, count - 1),
        UINT(std::max(1, FullRows(w, s))), s.top, 0 };
    SetScrollInfo(w, SB_VERT, &info, TRUE);
    if (!(StyleOf(w) & TVS_NOHSCROLL)) {
        const int width = ContentWidth(w, s);
        const int page = std::max<int>(1, Client(w).right);
        const int scrollX = std::clamp(s.scrollX, 0, std::max(0, width - page));
        if (scrollX != s.scrollX) {
            s.scrollX = scrollX;
            InvalidateRect(w, nullptr, TRUE);
        }
        SCROLLINFO h { sizeof(h), SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, width - 1), UINT(page), s.scrollX, 0 };
        SetScrollInfo(w, SB_HORZ, &h, TRUE);
    }
    s.inScrollUpdate = false;
}

void SetScrollX(HWND w, TreeState& s, int x)
{
    const int last = std::max(0, ContentWidth(w, s) - int(Client(w).right));
    x = std::clamp(x, 0, last);
    if (x == s.scrollX)
        return;
    s.scrollX = x;
    InvalidateRect(w, nullptr, TRUE);
    UpdateScrollBar(w, s);
}

void Changed(HWND w, TreeState& s)
{
    SetTop(w, s, s.top);
    InvalidateRect(w, nullptr, TRUE);
}

bool Expand(HWND w, Node* node, UINT code);

void ScrollIntoView(HWND w, TreeState& s, Node* node)
{
    const int index = VisibleIndex(s, node);
    if (index < 0)
        return;
    const int rows = std::max(1, FullRows(w, s));
    if (index < s.top)
        SetTop(w, s, index);
    else if (index >= s.top + rows)
        SetTop(w, s, index - rows + 1);
}

// Expands every collapsed ancestor (each with the parent's consent), then scrolls to the item.
void EnsureVisible(HWND w, Node* node)
{
    std::vector<Node*> ancestors;
    TreeState* s = TreeOf(w);
    for (Node* p = node->parent; p && p != &s->root; p = p->parent)
        ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        s = TreeOf(w);
        if (s && s->live.count(*it) && !((*it)->state & TVIS_EXPANDED))
            Expand(w, *it, TVE_EXPAND);
    }
    s = TreeOf(w);
    if (s && s->live.count(node))
        ScrollIntoView(w, *s, node);
}

// Moves the caret: the parent may refuse first; the caret item is the selected item.
bool SelectCaret(HWND w, Node* node, UINT action)
{
    TreeState* s = TreeOf(w);
    Node* old = s->caret;
    if (node == old) {
        if (node)
            EnsureVisible(w, node);
        return true;
    }
    if (NotifyTree(w, TVN_SELCHANGINGW, action, old, node))
        return false;
    s = TreeOf(w);
    if (!s || (node && !s->live.count(node)))
        return false;
    old = s->caret;
    if (old) {
        old->state &= ~TVIS_SELECTED;
    }
    s->caret = node;
    if (node)
        node->state |= TVIS_SELECTED;
    InvalidateRect(w, nullptr, TRUE);
    if (node)
        EnsureVisible(w, node);
    s = TreeOf(w);
    if (!s)
        return true;
    NotifyTree(w, TVN_SELCHANGEDW, action, old && s->live.count(old) ? old : nullptr, s->caret);
    return true;
}

void DeleteChildren(HWND w, Node* parent);

bool Expand(HWND w, Node* node, UINT code)
{
    TreeState* s = TreeOf(w);
    if (!node || node == &s->root)
        return false;
    const bool expanded = (node->state & TVIS_EXPANDED) != 0;
    UINT what = code & TVE_TOGGLE;
    if (what == TVE_TOGGLE)
        what = expanded ? TVE_COLLAPSE : TVE_EXPAND;
    if (what == TVE_EXPAND && expanded)
        return true;
    if (what == TVE_COLLAPSE && !expanded) {
        if ((code & TVE_COLLAPSERESET) && node->first)
            DeleteChildren(w, node);
        return true;
    }
    if (what == TVE_EXPAND && !HasChildren(w, node))
        return false;
    if (NotifyTree(w, TVN_ITEMEXPANDINGW, what, nullptr, node))
        return false;
    s = TreeOf(w);
    if (!s || !s->live.count(node))
        return false;
    if (what == TVE_EXPAND)
        node->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    else
        node->state &= ~TVIS_EXPANDED;
    if (what == TVE_COLLAPSE && IsDescendant(s->caret, node))
        SelectCaret(w, node, TVC_UNKNOWN);
    s = TreeOf(w);
    if (!s || !s->live.count(node))
        return true;
    if (what == TVE_COLLAPSE && (code & TVE_COLLAPSERESET))
        DeleteChildren(w, node);
    Changed(w, *s);
    NotifyTree(w, TVN_ITEMEXPANDEDW, what, nullptr, node);
    return true;
}

// ---- Inserting and deleting ------------------------------------------------------------------

void Link(Node* parent, Node* node, Node* after)
{
    node->parent = parent;
    if (!after) {
        node->next = parent->first;
        node->prev = nullptr;
        if (parent->first)
            parent->first->prev = node;
        else
            parent->last = node;
        parent->first = node;
        return;
    }
    node->prev = after;
    node->next = after->next;
    if (after->next)
        after->next->prev = node;
    else
        parent->last = node;
    after->next = node;
}

void Unlink(Node* node)
{
    Node* parent = node->parent;
    if (node->prev)
        node->prev->next = node->next;
    else
        parent->first = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        parent->last = node->prev;
    node->prev = node->next = nullptr;
}

int CompareText(const std::u16string& a, const std::u16string& b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const auto x = std::towlower(wint_t(a[i]));
        const auto y = std::towlower(wint_t(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void ApplyItem(Node* node, const TVITEMW& item)
{
    if (item.mask & (TVIF_TEXT | TVIF_STATE))
        node->textWidth = -1;
    if (item.mask & TVIF_TEXT) {
        node->textCallback = item.pszText == LPSTR_TEXTCALLBACKW;
        node->text = item.pszText && !node->textCallback ? std::u16string(item.pszText) : std::u16string();
    }
    if (item.mask & TVIF_IMAGE)
        node->image = item.iImage;
    if (item.mask & TVIF_SELECTEDIMAGE)
        node->selectedImage = item.iSelectedImage;
    if (item.mask & TVIF_PARAM)
        node->param = item.lParam;
    if (item.mask & TVIF_STATE)
        node->state = (node->state & ~item.stateMask) | (item.state & item.stateMask);
    if (item.mask & TVIF_CHILDREN) {
        node->children = item.cChildren;
        node->childrenGiven = true;
    }
}

HTREEITEM Insert(HWND w, TreeState& s, const TVINSERTSTRUCTW* insert)
{
    if (!insert)
        return nullptr;
    Node* parent = (!insert->hParent || insert->hParent == TVI_ROOT) ? &s.root : NodeOf(s, insert->hParent);
    if (!parent)
        return nullptr;
    auto* node = new Node;
    ApplyItem(node, insert->item);
    node->state &= ~UINT(TVIS_SELECTED);
    if ((StyleOf(w) & TVS_CHECKBOXES) && !s.stateImages && !(node->state & TVIS_STATEIMAGEMASK))
        node->state |= 1u << 12; // an empty check box
    Node* after = parent->last;
    if (insert->hInsertAfter == TVI_FIRST) {
        after = nullptr;
    } else if (insert->hInsertAfter == TVI_SORT) {
        after = nullptr;
        for (Node* n = parent->first; n && CompareText(n->text, node->text) <= 0; n = n->next)
            after = n;
    } else if (insert->hInsertAfter && insert->hInsertAfter != TVI_LAST) {
        Node* sibling = NodeOf(s, insert->hInsertAfter);
        if (sibling && sibling->parent == parent)
            after = sibling;
    }
    Link(parent, node, after);
    s.live.insert(node);
    Changed(w, s);
    return HandleOf(node);
}

void DeleteNode(HWND w, Node* node);

void DeleteChildren(HWND w, Node* parent)
{
    while (true) {
        TreeState* s = TreeOf(w);
        if (!s || !parent->first || (parent != &s->root && !s->live.count(parent)))
            return;
        DeleteNode(w, parent->last);
    }
}

// Children first, each announced (TVN_DELETEITEM) before it goes.
void DeleteNode(HWND w, Node* node)
{
    DeleteChildren(w, node);
    TreeState* s = TreeOf(w);
    if (!s || !s->live.count(node))
        return;
    NotifyTree(w, TVN_DELETEITEMW, 0, node, nullptr);
    s = TreeOf(w);
    if (!s || !s->live.count(node))
        return;
    if (s->editing == node) {
        s->editing = nullptr;
        if (s->edit) {
            HWND edit = s->edit;
            s->edit = nullptr;
            DestroyWindow(edit);
        }
    }
    if (s->caret == node)
        s->caret = nullptr;
    if (s->dropHilite == node)
        s->dropHilite = nullptr;
    if (s->hot == node)
        s->hot = nullptr;
    if (s->insertMark == node)
        s->insertMark = nullptr;
    if (s->pressedNode == node)
        s->pressedNode = nullptr;
    if (s->editPending == node)
        s->editPending = nullptr;
    Unlink(node);
    s->live.erase(node);
    delete node;
    Changed(w, *s);
}

// Deletes an item with everything under it; when the caret goes with them, the item's next
// sibling (else the previous one, else its parent) becomes the caret.
void DeleteBranch(HWND w, Node* node)
{
    TreeState* s = TreeOf(w);
    Node* replacement = nullptr;
    if (s->caret && (s->caret == node || IsDescendant(s->caret, node)))
        replacement = node->next ? node->next : (node->prev ? node->prev : (node->parent != &s->root ? node->parent : nullptr));
    DeleteNode(w, node);
    s = TreeOf(w);
    if (s && replacement && s->live.count(replacement) && !s->caret)
        SelectCaret(w, replacement, TVC_UNKNOWN);
}

void SortChildren(HWND w, TreeState& s, Node* parent, bool recurse, PFNTVCOMPARE compare, LPARAM data)
{
    std::vector<Node*> children;
    for (Node* n = parent->first; n; n = n->next)
        children.push_back(n);
    std::stable_sort(children.begin(), children.end(), [&](Node* a, Node* b) {
        if (compare)
            return compare(a->param, b->param, data) < 0;
        return CompareText(TextOf(w, a), TextOf(w, b)) < 0;
    });
    parent->first = parent->last = nullptr;
    Node* after = nullptr;
    for (Node* n : children) {
        Link(parent, n, after);
        after = n;
    }
    if (recurse)
        for (Node* n : children)
            SortChildren(w, s, n, true, compare, data);
}

// ---- Label editing ---------------------------------------------------------------------------

bool EndEdit(HWND w, bool cancel)
{
    TreeState* s = TreeOf(w);
    if (!s || !s->edit || s->ending)
        return false;
    s->ending = true;
    HWND edit = s->edit;
    Node* node = s->editing;
    std::u16string text = WindowText(edit);
    NMTVDISPINFOW info {};
    info.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_PARAM;
    info.item.hItem = HandleOf(node);
    info.item.lParam = node ? node->param : 0;
    info.item.pszText = cancel ? nullptr : text.data();
    info.item.cchTextMax = int(text.size()) + 1;
    const LRESULT keep = SendNotify(w, &info.hdr, TVN_ENDLABELEDITW);
    s = TreeOf(w);
    if (!s)
        return true;
    if (!cancel && keep && node && s->live.count(node) && info.item.pszText) {
        node->text = info.item.pszText;
        node->textCallback = false;
        node->textWidth = -1;
    }
    s->edit = nullptr;
    s->editing = nullptr;
    if (GetFocus() == edit)
        SetFocus(w);
    DestroyWindow(edit);
    if ((s = TreeOf(w))) {
        s->ending = false;
        InvalidateRect(w, nullptr, TRUE);
    }
    return true;
}

HWND EditLabel(HWND w, Node* node)
{
    TreeState* s = TreeOf(w);
    if (s->edit)
        EndEdit(w, false);
    s = TreeOf(w);
    if (!s || !node || !s->live.count(node))
        return nullptr;
    NMTVDISPINFOW info {};
    std::u16string text = TextOf(w, node);
    info.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
    info.item.hItem = HandleOf(node);
    info.item.state = node->state;
    info.item.lParam = node->param;
    info.item.pszText = text.data();
    info.item.cchTextMax = int(text.size()) + 1;
    if (SendNotify(w, &info.hdr, TVN_BEGINLABELEDITW))
        return nullptr;
    s = TreeOf(w);
    if (!s || !s->live.count(node))
        return nullptr;
    EnsureVisible(w, node);
    const int index = VisibleIndex(*s, node);
    if (index < 0)
        return nullptr;
    const Parts p = PartsOf(w, *s, node, index);
    const int width = std::max<int>(p.label.right - p.label.left + 16, 48);
    const RECT at { p.label.left - 1, p.label.top, p.label.left - 1 + std::min<int>(width, Client(w).right - p.label.left + 1),
        p.label.bottom };
    HWND edit = BeginLabelEdit(w, at, text, s->font, [w](bool cancel) { EndEdit(w, cancel); });
    if (!edit)
        return nullptr;
    if (!(s = TreeOf(w)))
        return edit;
    s->edit = edit;
    s->editing = node;
    InvalidateRect(w, nullptr, TRUE);
    return edit;
}

// ---- Painting --------------------------------------------------------------------------------

void DottedVertical(HDC hdc, int x, int top, int bottom, COLORREF color)
{
    for (int y = top + ((top & 1) ? 1 : 0); y < bottom; y += 2)
        SetPixel(hdc, x, y, color);
}

void DottedHorizontal(HDC hdc, int left, int right, int y, COLORREF color)
{
    for (int x = left + ((left & 1) ? 1 : 0); x < right; x += 2)
        SetPixel(hdc, x, y, color);
}

void DrawButton(HDC hdc, int cx, int cy, bool expanded)
{
    RECT box { cx - 4, cy - 4, cx + 5, cy + 5 };
    FillSolid(hdc, box, GetSysColor(COLOR_WINDOW));
    HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_GRAYTEXT));
    FrameRect(hdc, &box, frame);
    DeleteObject(frame);
    const COLORREF sign = GetSysColor(COLOR_WINDOWTEXT);
    FillSolid(hdc, RECT { cx - 2, cy, cx + 3, cy + 1 }, sign);
    if (!expanded)
        FillSolid(hdc, RECT { cx, cy - 2, cx + 1, cy + 3 }, sign);
}

void DrawCheckBox(HDC hdc, RECT r, bool checked)
{
    RECT box { r.left + (r.right - r.left - 13) / 2, r.top + (r.bottom - r.top - 13) / 2, 0, 0 };
    box.right = box.left + 13;
    box.bottom = box.top + 13;
    DrawFrameControl(hdc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
}

COLORREF TreeBack(const TreeState& s) { return s.background == kDefaultColor ? GetSysColor(COLOR_WINDOW) : s.background; }
COLORREF TreeText(const TreeState& s) { return s.text == kDefaultColor ? GetSysColor(COLOR_WINDOWTEXT) : s.text; }

void DrawLinesAndButton(HWND w, HDC hdc, TreeState& s, Node* node, const Parts& p)
{
    const DWORD style = StyleOf(w);
    const int half = s.indent / 2;
    const int mid = (p.row.top + p.row.bottom) / 2;
    const bool rootColumn = RootColumn(w);
    const bool ownCell = node->parent != &s.root || rootColumn;
    const COLORREF lineColor = GetSysColor(COLOR_GRAYTEXT);
    if (style & TVS_HASLINES) {
        // Lines of the ancestors that have more siblings below.
        for (Node* a = node->parent; a && a != &s.root; a = a->parent) {
            if (!a->next || (a->parent == &s.root && !rootColumn))
                continue;
            const int x = (Level(a) + (rootColumn ? 1 : 0)) * s.indent - half - s.scrollX;
            DottedVertical(hdc, x, p.row.top, p.row.bottom, lineColor);
        }
        if (ownCell) {
            const int x = p.start - half;
            const bool first = !node->prev && node->parent == &s.root;
            DottedVertical(hdc, x, first ? mid : p.row.top, node->next ? p.row.bottom : mid + 1, lineColor);
            DottedHorizontal(hdc, x, p.start, mid, lineColor);
        }
    }
    if ((style & TVS_HASBUTTONS) && ownCell && HasChildren(w, node))
        DrawButton(hdc, p.start - half, mid, (node->state & TVIS_EXPANDED) != 0);
}

LRESULT CustomDraw(HWND w, NMTVCUSTOMDRAW& draw, DWORD stage)
{
    draw.nmcd.dwDrawStage = stage;
    return SendNotify(w, &draw.nmcd.hdr, NM_CUSTOMDRAW);
}

void Paint(HWND w, HDC hdc, RECT client)
{
    TreeState* s = TreeOf(w);
    // A disabled tree without a colour of its own shows the face colour.
    FillSolid(hdc, client, s->background == kDefaultColor && !IsWindowEnabled(w) ? GetSysColor(COLOR_3DFACE) : TreeBack(*s));
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(s->font));
    NMTVCUSTOMDRAW draw {};
    draw.nmcd.hdc = hdc;
    draw.nmcd.rc = client;
    draw.clrText = TreeText(*s);
    draw.clrTextBk = TreeBack(*s);
    const LRESULT whole = CustomDraw(w, draw, CDDS_PREPAINT);
    s = TreeOf(w);
    if (!s || (whole & CDRF_SKIPDEFAULT)) {
        SelectObject(hdc, oldFont);
        return;
    }
    const DWORD style = StyleOf(w);
    const std::vector<Node*> visible = Visible(*s);
    for (int index = s->top; index < int(visible.size()); ++index) {
        s = TreeOf(w);
        if (!s)
            return;
        Node* node = visible[size_t(index)];
        if (!s->live.count(node))
            continue;
        const Parts p = PartsOf(w, *s, node, index);
        if (p.row.top >= client.bottom)
            break;
        const bool dropTarget = node == s->dropHilite || (node->state & TVIS_DROPHILITED);
        // While something is drop-highlighted, that is the only highlighted item.
        const bool selected = (node->state & TVIS_SELECTED) && !(s->dropHilite && node != s->dropHilite);
        const bool showSelection = s->hasFocus || (style & TVS_SHOWSELALWAYS);
        UINT itemState = 0;
        if (node->state & TVIS_SELECTED)
            itemState |= CDIS_SELECTED;
        if (node == s->caret && s->hasFocus)
            itemState |= CDIS_FOCUS;
        if (node == s->hot)
            itemState |= CDIS_HOT;
        COLORREF text = TreeText(*s);
        COLORREF back = TreeBack(*s);
        if (dropTarget || (selected && s->hasFocus)) {
            text = GetSysColor(COLOR_HIGHLIGHTTEXT);
            back = GetSysColor(COLOR_HIGHLIGHT);
        } else if (selected && showSelection) {
            text = GetSysColor(COLOR_WINDOWTEXT);
            back = GetSysColor(COLOR_3DFACE);
        } else if (node == s->hot && (style & TVS_TRACKSELECT)) {
            text = GetSysColor(COLOR_HOTLIGHT);
        }
        if (node == s->editing) {
            text = TreeBack(*s);
            back = TreeBack(*s);
        }
        draw.nmcd.rc = p.row;
        draw.nmcd.dwItemSpec = DWORD_PTR(HandleOf(node));
        draw.nmcd.uItemState = itemState;
        draw.nmcd.lItemlParam = node->param;
        draw.clrText = text;
        draw.clrTextBk = back;
        draw.iLevel = Level(node);
        LRESULT answer = 0;
        if (whole & CDRF_NOTIFYITEMDRAW) {
            answer = CustomDraw(w, draw, CDDS_ITEMPREPAINT);
            s = TreeOf(w);
            if (!s || !s->live.count(node))
                continue;
        }
        if (!(answer & CDRF_SKIPDEFAULT)) {
            DrawLinesAndButton(w, hdc, *s, node, p);
            const UINT stateImage = (node->state & TVIS_STATEIMAGEMASK) >> 12;
            if (stateImage > 0) {
                if (s->stateImages)
                    ImageList_Draw(s->stateImages, int(stateImage) - 1, hdc, p.state.left,
                        p.state.top + (p.state.bottom - p.state.top - IconSize(s->stateImages).cy) / 2, ILD_TRANSPARENT);
                else if (style & TVS_CHECKBOXES)
                    DrawCheckBox(hdc, p.state, stateImage == 2);
            }
            if (s->images) {
                const int image = (node->state & TVIS_SELECTED) ? node->selectedImage : node->image;
                if (image >= 0)
                    ImageList_Draw(s->images, image, hdc, p.icon.left,
                        p.icon.top + (p.icon.bottom - p.icon.top - IconSize(s->images).cy) / 2, ILD_TRANSPARENT);
            }
            RECT label = p.label;
            if (style & TVS_FULLROWSELECT)
                label.right = client.right;
            FillSolid(hdc, label, draw.clrTextBk);
            HFONT bold = nullptr;
            if (node->state & TVIS_BOLD) {
                LOGFONTW lf {};
                GetObjectW(GetCurrentObject(hdc, OBJ_FONT), sizeof(lf), &lf);
                lf.lfWeight = FW_BOLD;
                bold = CreateFontIndirectW(&lf);
            }
            HGDIOBJ before = bold ? SelectObject(hdc, bold) : nullptr;
            SetBkMode(hdc, TRANSPARENT);
            SetTextColor(hdc, draw.clrText);
            const std::u16string t = TextOf(w, node);
            RECT textRect { p.label.left + 2, p.label.top, p.label.right, p.label.bottom };
            DrawTextW(hdc, t.c_str(), int(t.size()), &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            if (bold) {
                SelectObject(hdc, before);
                DeleteObject(bold);
            }
            if (node == s->caret && s->hasFocus && !s->edit && !(s->uiState & UISF_HIDEFOCUS)) {
                SetTextColor(hdc, TreeText(*s));
                SetBkColor(hdc, TreeBack(*s));
                DrawFocusRect(hdc, &label);
            }
            if (node == s->insertMark) {
                const int y = s->insertAfter ? p.row.bottom - 1 : p.row.top;
                FillSolid(hdc, RECT { p.start, y, client.right, y + 1 }, TreeText(*s));
            }
        }
        if (answer & CDRF_NOTIFYPOSTPAINT) {
            CustomDraw(w, draw, CDDS_ITEMPOSTPAINT);
        }
    }
    if (whole & CDRF_NOTIFYPOSTPAINT) {
        draw.nmcd.rc = client;
        draw.nmcd.dwItemSpec = 0;
        draw.nmcd.uItemState = 0;
        CustomDraw(w, draw, CDDS_POSTPAINT);
    }
    SelectObject(hdc, oldFont);
}

// ---- Mouse and keyboard ----------------------------------------------------------------------

void ToggleCheck(HWND w, Node* node)
{
    const UINT image = (node->state & TVIS_STATEIMAGEMASK) >> 12;
    node->state = (node->state & ~TVIS_STATEIMAGEMASK) | ((image == 2 ? 1u : 2u) << 12);
    InvalidateRect(w, nullptr, TRUE);
}

void OnButtonDown(HWND w, bool left, POINT pt)
{
    TreeState* s = TreeOf(w);
    if (s->edit)
        EndEdit(w, false);
    if (GetFocus() != w)
        SetFocus(w);
    s = TreeOf(w);
    if (!s)
        return;
    KillTimer(w, kEditTimer);
    s->editPending = nullptr;
    UINT flags = 0;
    Node* node = HitTest(w, *s, pt, flags);
    s->press = left ? Press::Left : Press::Right;
    s->pressedAt = pt;
    s->pressedNode = nullptr;
    s->editArmed = false;
    SetCapture(w);
    if (!node)
        return;
    if (left && (flags & TVHT_ONITEMBUTTON)) {
        s->press = Press::None;
        ReleaseCapture();
        Expand(w, node, TVE_TOGGLE);
        return;
    }
    if (left && (flags & TVHT_ONITEMSTATEICON) && (StyleOf(w) & TVS_CHECKBOXES)) {
        ToggleCheck(w, node);
        return;
    }
    const UINT onItem = TVHT_ONITEM | ((StyleOf(w) & TVS_FULLROWSELECT) ? TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT : 0);
    if (!(flags & onItem))
        return;
    s->pressedNode = node;
    s->editArmed = left && (StyleOf(w) & TVS_EDITLABELS) && node == s->caret && (flags & TVHT_ONITEMLABEL);
}

void OnMouseMove(HWND w, POINT pt)
{
    TreeState* s = TreeOf(w);
    if ((StyleOf(w) & TVS_TRACKSELECT) && s->press == Press::None) {
        UINT flags = 0;
        Node* hot = HitTest(w, *s, pt, flags);
        if (!(flags & TVHT_ONITEM))
            hot = nullptr;
        if (hot != s->hot) {
            s->hot = hot;
            InvalidateRect(w, nullptr, TRUE);
        }
    }
    if (s->press == Press::None || !s->pressedNode)
        return;
    const bool far = std::abs(int(pt.x - s->pressedAt.x)) > GetSystemMetrics(SM_CXDRAG)
        || std::abs(int(pt.y - s->pressedAt.y)) > GetSystemMetrics(SM_CYDRAG);
    if (!far)
        return;
    const bool left = s->press == Press::Left;
    Node* node = s->pressedNode;
    const POINT at = s->pressedAt;
    s->press = Press::None;
    s->pressedNode = nullptr;
    s->editArmed = false;
    if (GetCapture() == w)
        ReleaseCapture();
    if (!(StyleOf(w) & TVS_DISABLEDRAGDROP))
        NotifyTree(w, left ? TVN_BEGINDRAGW : TVN_BEGINRDRAGW, TVC_UNKNOWN, nullptr, node, at);
}

void OnButtonUp(HWND w, bool left)
{
    TreeState* s = TreeOf(w);
    if (s->press != (left ? Press::Left : Press::Right))
        return;
    Node* node = s->pressedNode;
    const bool armed = s->editArmed;
    s->press = Press::None;
    s->pressedNode = nullptr;
    s->editArmed = false;
    if (GetCapture() == w)
        ReleaseCapture();
    NMHDR header {};
    if (!left) {
        SendNotify(w, &header, NM_RCLICK);
        return;
    }
    if (node && armed) {
        // A second click on the caret's label edits it, unless it turns out to be a double click.
        s->editPending = node;
        SetTimer(w, kEditTimer, GetDoubleClickTime(), nullptr);
    } else if (node) {
        Node* before = s->caret;
        if (SelectCaret(w, node, TVC_BYMOUSE) && (StyleOf(w) & TVS_SINGLEEXPAND) && (s = TreeOf(w)) && s->live.count(node)) {
            // One branch open at a time: the chosen item opens (or, chosen again, toggles) and
            // the one chosen before closes unless it holds the new one.
            if (before == node) {
                Expand(w, node, TVE_TOGGLE);
            } else {
                if (before && s->live.count(before) && !IsDescendant(node, before) && (before->state & TVIS_EXPANDED))
                    Expand(w, before, TVE_COLLAPSE);
                if ((s = TreeOf(w)) && s->live.count(node))
                    Expand(w, node, TVE_EXPAND);
            }
        }
    }
    if (TreeOf(w))
        SendNotify(w, &header, NM_CLICK);
}

Node* Step(TreeState& s, Node* from, int delta)
{
    const std::vector<Node*> visible = Visible(s);
    if (visible.empty())
        return nullptr;
    auto it = std::find(visible.begin(), visible.end(), from);
    const int index = it == visible.end() ? 0 : int(it - visible.begin());
    return visible[size_t(std::clamp(index + delta, 0, int(visible.size()) - 1))];
}

void OnKeyDown(HWND w, WPARAM key, LPARAM lParam)
{
    NMTVKEYDOWN info {};
    info.wVKey = WORD(key);
    info.flags = UINT(HIWORD(DWORD(lParam)));
    SendNotify(w, &info.hdr, TVN_KEYDOWN);
    TreeState* s = TreeOf(w);
    if (!s)
        return;
    Node* caret = s->caret;
    const int page = std::max(1, FullRows(w, *s));
    auto select = [&](Node* node) {
        if (node)
            SelectCaret(w, node, TVC_BYKEYBOARD);
    };
    switch (int(key)) {
    case VK_UP:
        select(caret ? Step(*s, caret, -1) : s->root.first);
        break;
    case VK_DOWN:
        select(caret ? Step(*s, caret, 1) : s->root.first);
        break;
    case VK_PRIOR:
        select(Step(*s, caret, -(page - 1)));
        break;
    case VK_NEXT:
        select(Step(*s, caret, page - 1));
        break;
    case VK_HOME:
        select(s->root.first);
        break;
    case VK_END: {
        const std::vector<Node*> visible = Visible(*s);
        select(visible.empty() ? nullptr : visible.back());
        break;
    }
    case VK_LEFT:
        if (caret && (caret->state & TVIS_EXPANDED) && caret->first)
            Expand(w, caret, TVE_COLLAPSE);
        else if (caret && caret->parent != &s->root)
            select(caret->parent);
        break;
    case VK_RIGHT:
        if (caret && !(caret->state & TVIS_EXPANDED))
            Expand(w, caret, TVE_EXPAND);
        else if (caret && caret->first)
            select(caret->first);
        break;
    case VK_ADD:
        if (caret)
            Expand(w, caret, TVE_EXPAND);
        break;
    case VK_SUBTRACT:
        if (caret)
            Expand(w, caret, TVE_COLLAPSE);
        break;
    case VK_SPACE:
        if (caret && (StyleOf(w) & TVS_CHECKBOXES))
            ToggleCheck(w, caret);
        break;
    case VK_F2:
        if (caret && (StyleOf(w) & TVS_EDITLABELS))
            EditLabel(w, caret);
        break;
    case VK_RETURN: {
        NMHDR header {};
        SendNotify(w, &header, NM_RETURN);
        break;
    }
    default:
        break;
    }
}

// Type-ahead: the typed prefix finds the next visible item starting with it (the same letter
// again steps through the items starting with it).
void OnChar(HWND w, WCHAR c)
{
    TreeState* s = TreeOf(w);
    if (c < 0x20)
        return;
    const DWORD now = GetTickCount();
    if (now - s->typedAt > kTypeAheadTimeout)
        s->typed.clear();
    s->typedAt = now;
    if (!(s->typed.size() == 1 && s->typed[0] == c))
        s->typed.push_back(c);
    const std::vector<Node*> visible = Visible(*s);
    if (visible.empty())
        return;
    auto it = std::find(visible.begin(), visible.end(), s->caret);
    const int caret = it == visible.end() ? -1 : int(it - visible.begin());
    const int start = s->typed.size() == 1 ? caret + 1 : std::max(caret, 0);
    const int count = int(visible.size());
    for (int n = 0; n < count; ++n) {
        Node* node = visible[size_t((start + n) % count)];
        const std::u16string text = TextOf(w, node);
        if (text.size() >= s->typed.size() && CompareText(text.substr(0, s->typed.size()), s->typed) == 0) {
            SelectCaret(w, node, TVC_BYKEYBOARD);
            return;
        }
    }
}

BOOL GetItem(TreeState& s, TVITEMW* item)
{
    Node* node = item ? NodeOf(s, item->hItem) : nullptr;
    if (!node)
        return FALSE;
    if (item->mask & TVIF_TEXT) {
        if (node->textCallback) {
            item->pszText = LPSTR_TEXTCALLBACKW;
        } else if (item->pszText && item->cchTextMax > 0) {
            const size_t n = std::min<size_t>(node->text.size(), size_t(item->cchTextMax - 1));
            std::copy_n(node->text.begin(), n, item->pszText);
            item->pszText[n] = 0;
        }
    }
    if (item->mask & TVIF_IMAGE)
        item->iImage = node->image;
    if (item->mask & TVIF_SELECTEDIMAGE)
        item->iSelectedImage = node->selectedImage;
    if (item->mask & TVIF_PARAM)
        item->lParam = node->param;
    if (item->mask & TVIF_STATE)
        item->state = node->state & item->stateMask;
    if (item->mask & TVIF_CHILDREN)
        item->cChildren = node->childrenGiven ? node->children : (node->first ? 1 : 0);
    return TRUE;
}

HTREEITEM NextItem(TreeState& s, UINT code, HTREEITEM from)
{
    Node* node = NodeOf(s, from);
    switch (code) {
    case TVGN_ROOT:
        return HandleOf(s.root.first);
    case TVGN_NEXT:
        return node ? HandleOf(node->next) : nullptr;
    case TVGN_PREVIOUS:
        return node ? HandleOf(node->prev) : nullptr;
    case TVGN_PARENT:
        return node && node->parent != &s.root ? HandleOf(node->parent) : nullptr;
    case TVGN_CHILD:
        return (!from || from == TVI_ROOT) ? HandleOf(s.root.first) : (node ? HandleOf(node->first) : nullptr);
    case TVGN_FIRSTVISIBLE: {
        const std::vector<Node*> visible = Visible(s);
        return s.top < int(visible.size()) ? HandleOf(visible[size_t(s.top)]) : nullptr;
    }
    case TVGN_NEXTVISIBLE:
    case TVGN_PREVIOUSVISIBLE: {
        const std::vector<Node*> visible = Visible(s);
        auto it = std::find(visible.begin(), visible.end(), node);
        if (!node || it == visible.end())
            return nullptr;
        const int index = int(it - visible.begin()) + (code == TVGN_NEXTVISIBLE ? 1 : -1);
        return index >= 0 && index < int(visible.size()) ? HandleOf(visible[size_t(index)]) : nullptr;
    }
    case TVGN_LASTVISIBLE: {
        const std::vector<Node*> visible = Visible(s);
        return visible.empty() ? nullptr : HandleOf(visible.back());
    }
    case TVGN_DROPHILITE:
        return HandleOf(s.dropHilite);
    case TVGN_CARET:
        return HandleOf(s.caret);
    default:
        return nullptr;
    }
}

LRESULT TreeProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    TreeState* s = TreeOf(w);
    if (!s && message != WM_NCCREATE)
        return DefWindowProcW(w, message, wParam, lParam);
    TrackModifierKeys(message, wParam);
    switch (message) {
    case WM_NCCREATE:
        AttachState(w, new TreeState);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_CREATE:
        s->uiState = InitialUiState(w);
        s->root.state = TVIS_EXPANDED;
        UpdateScrollBar(w, *s);
        return 0;
    case WM_DESTROY:
        KillTimer(w, kEditTimer);
        DeleteChildren(w, &s->root);
        return 0;
    case WM_NCDESTROY:
        DetachState<TreeState>(w);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_NOTIFYFORMAT:
        return NFR_UNICODE;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        s->measuredHeight = 0;
        for (Node* node : s->live)
            node->textWidth = -1;
        Changed(w, *s);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_SIZE:
        Changed(w, *s);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(w, wParam, [&](HDC hdc, RECT client) { Paint(w, hdc, client); });
    case WM_SETFOCUS: {
        s->hasFocus = true;
        InvalidateRect(w, nullptr, TRUE);
        NMHDR header {};
        SendNotify(w, &header, NM_SETFOCUS);
        return 0;
    }
    case WM_KILLFOCUS: {
        s->hasFocus = false;
        InvalidateRect(w, nullptr, TRUE);
        NMHDR header {};
        SendNotify(w, &header, NM_KILLFOCUS);
        return 0;
    }
    case WM_UPDATEUISTATE:
        s->uiState = ApplyUiState(s->uiState, wParam);
        InvalidateRect(w, nullptr, TRUE);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        OnButtonDown(w, message == WM_LBUTTONDOWN, PointFromLParam(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(w, PointFromLParam(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(w, true);
        return 0;
    case WM_RBUTTONUP:
        OnButtonUp(w, false);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_LBUTTONDBLCLK: {
        KillTimer(w, kEditTimer);
        s->editPending = nullptr;
        UINT flags = 0;
        Node* node = HitTest(w, *s, PointFromLParam(lParam), flags);
        if (node && (flags & TVHT_ONITEMBUTTON)) {
            Expand(w, node, TVE_TOGGLE);
            return 0;
        }
        NMHDR header {};
        if (!SendNotify(w, &header, NM_DBLCLK) && node && (flags & TVHT_ONITEM) && (s = TreeOf(w)) && s->live.count(node))
            Expand(w, node, TVE_TOGGLE);
        return 0;
    }
    case WM_RBUTTONDBLCLK: {
        NMHDR header {};
        SendNotify(w, &header, NM_RDBLCLK);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (HWND(lParam) != w) {
            s->press = Press::None;
            s->pressedNode = nullptr;
        }
        return 0;
    case WM_TIMER:
        if (wParam == kEditTimer) {
            KillTimer(w, kEditTimer);
            Node* node = s->editPending;
            s->editPending = nullptr;
            if (node && node == s->caret)
                EditLabel(w, node);
            return 0;
        }
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_KEYDOWN:
        OnKeyDown(w, wParam, lParam);
        return 0;
    case WM_CHAR:
        OnChar(w, WCHAR(wParam));
        return 0;
    case WM_VSCROLL: {
        const int rows = std::max(1, FullRows(w, *s));
        switch (LOWORD(DWORD(wParam))) {
        case SB_LINEUP:
            SetTop(w, *s, s->top - 1);
            break;
        case SB_LINEDOWN:
            SetTop(w, *s, s->top + 1);
            break;
        case SB_PAGEUP:
            SetTop(w, *s, s->top - rows);
            break;
        case SB_PAGEDOWN:
            SetTop(w, *s, s->top + rows);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info { sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0 };
            GetScrollInfo(w, SB_VERT, &info);
            SetTop(w, *s, info.nTrackPos);
            break;
        }
        case SB_TOP:
            SetTop(w, *s, 0);
            break;
        case SB_BOTTOM:
            SetTop(w, *s, 1 << 30);
            break;
        default:
            break;
        }
        return 0;
    }
    case WM_MOUSEWHEEL:
        SetTop(w, *s, s->top - 3 * GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
        return 0;
    case WM_HSCROLL: {
        const int page = std::max<int>(1, Client(w).right);
        switch (LOWORD(DWORD(wParam))) {
        case SB_LINELEFT:
            SetScrollX(w, *s, s->scrollX - 8);
            break;
        case SB_LINERIGHT:
            SetScrollX(w, *s, s->scrollX + 8);
            break;
        case SB_PAGELEFT:
            SetScrollX(w, *s, s->scrollX - page);
            break;
        case SB_PAGERIGHT:
            SetScrollX(w, *s, s->scrollX + page);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info { sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0 };
            GetScrollInfo(w, SB_HORZ, &info);
            SetScrollX(w, *s, info.nTrackPos);
            break;
        }
        case SB_LEFT:
            SetScrollX(w, *s, 0);
            break;
        case SB_RIGHT:
            SetScrollX(w, *s, 1 << 30);
            break;
        default:
            break;
        }
        return 0;
    }
    case TVM_INSERTITEMW:
        return reinterpret_cast<LRESULT>(Insert(w, *s, reinterpret_cast<const TVINSERTSTRUCTW*>(lParam)));
    case TVM_DELETEITEM: {
        auto item = reinterpret_cast<HTREEITEM>(lParam);
        if (!item || item == TVI_ROOT) {
            DeleteChildren(w, &s->root);
            return TRUE;
        }
        Node* node = NodeOf(*s, item);
        if (!node)
            return FALSE;
        DeleteBranch(w, node);
        return TRUE;
    }
    case TVM_EXPAND: {
        Node* node = NodeOf(*s, reinterpret_cast<HTREEITEM>(lParam));
        return node && Expand(w, node, UINT(wParam)) ? TRUE : FALSE;
    }
    case TVM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r)
            return FALSE;
        Node* node = NodeOf(*s, *reinterpret_cast<HTREEITEM*>(r));
        const int index = node ? VisibleIndex(*s, node) : -1;
        if (index < 0)
            return FALSE;
        const Parts p = PartsOf(w, *s, node, index);
        *r = wParam ? p.label : p.row;
        return TRUE;
    }
    case TVM_GETCOUNT:
        return LRESULT(s->live.size());
    case TVM_GETINDENT:
        return s->indent;
    case TVM_SETINDENT:
        s->indent = std::max(int(wParam), 5);
        Changed(w, *s);
        return 0;
    case TVM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(int(wParam) == TVSIL_STATE ? s->stateImages : s->images);
    case TVM_SETIMAGELIST: {
        HIMAGELIST& slot = int(wParam) == TVSIL_STATE ? s->stateImages : s->images;
        HIMAGELIST old = slot;
        slot = reinterpret_cast<HIMAGELIST>(lParam);
        s->measuredHeight = 0;
        Changed(w, *s);
        return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETNEXTITEM:
        return reinterpret_cast<LRESULT>(NextItem(*s, UINT(wParam), reinterpret_cast<HTREEITEM>(lParam)));
    case TVM_SELECTITEM: {
        auto item = reinterpret_cast<HTREEITEM>(lParam);
        Node* node = NodeOf(*s, item);
        if (item && !node)
            return FALSE;
        switch (UINT(wParam)) {
        case TVGN_CARET:
            return SelectCaret(w, node, TVC_UNKNOWN) ? TRUE : FALSE;
        case TVGN_DROPHILITE:
            s->dropHilite = node;
            InvalidateRect(w, nullptr, TRUE);
            return TRUE;
        case TVGN_FIRSTVISIBLE:
            if (node) {
                EnsureVisible(w, node);
                if ((s = TreeOf(w)))
                    SetTop(w, *s, VisibleIndex(*s, node));
            }
            return TRUE;
        default:
            return FALSE;
        }
    }
    case TVM_GETITEMW:
        return GetItem(*s, reinterpret_cast<TVITEMW*>(lParam));
    case TVM_SETITEMW: {
        const auto* item = reinterpret_cast<const TVITEMW*>(lParam);
        Node* node = item ? NodeOf(*s, item->hItem) : nullptr;
        if (!node)
            return FALSE;
        ApplyItem(node, *item);
        Changed(w, *s);
        return TRUE;
    }
    case TVM_GETITEMSTATE: {
        Node* node = NodeOf(*s, reinterpret_cast<HTREEITEM>(wParam));
        return node ? LRESULT(node->state & UINT(lParam)) : 0;
    }
    case TVM_EDITLABELW:
        return reinterpret_cast<LRESULT>(EditLabel(w, NodeOf(*s, reinterpret_cast<HTREEITEM>(lParam))));
    case TVM_GETEDITCONTROL:
        return reinterpret_cast<LRESULT>(s->edit);
    case TVM_ENDEDITLABELNOW:
        return EndEdit(w, wParam != 0) ? TRUE : FALSE;
    case TVM_GETVISIBLECOUNT:
        return FullRows(w, *s);
    case TVM_HITTEST: {
        auto* info = reinterpret_cast<TVHITTESTINFO*>(lParam);
        if (!info)
            return 0;
        info->hItem = HandleOf(HitTest(w, *s, info->pt, info->flags));
        return reinterpret_cast<LRESULT>(info->hItem);
    }
    case TVM_ENSUREVISIBLE: {
        Node* node = NodeOf(*s, reinterpret_cast<HTREEITEM>(lParam));
        if (!node)
            return FALSE;
        EnsureVisible(w, node);
        return TRUE;
    }
    case TVM_SORTCHILDREN:
    case TVM_SORTCHILDRENCB: {
        HTREEITEM parentItem = nullptr;
        PFNTVCOMPARE compare = nullptr;
        LPARAM data = 0;
        if (message == TVM_SORTCHILDRENCB) {
            const auto* sort = reinterpret_cast<const TVSORTCB*>(lParam);
            if (!sort)
                return FALSE;
            parentItem = sort->hParent;
            compare = sort->lpfnCompare;
            data = sort->lParam;
        } else {
            parentItem = reinterpret_cast<HTREEITEM>(lParam);
        }
        Node* parent = (!parentItem || parentItem == TVI_ROOT) ? &s->root : NodeOf(*s, parentItem);
        if (!parent)
            return FALSE;
        SortChildren(w, *s, parent, message == TVM_SORTCHILDREN && wParam, compare, data);
        Changed(w, *s);
        return TRUE;
    }
    case TVM_SETTOOLTIPS: {
        HWND old = s->tooltips;
        s->tooltips = reinterpret_cast<HWND>(wParam);
        return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETTOOLTIPS:
        return reinterpret_cast<LRESULT>(s->tooltips);
    case TVM_SETINSERTMARK:
        s->insertMark = NodeOf(*s, reinterpret_cast<HTREEITEM>(lParam));
        s->insertAfter = wParam != 0;
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    case TVM_GETITEMHEIGHT:
        return ItemHeight(w, *s);
    case TVM_SETITEMHEIGHT: {
        const int old = ItemHeight(w, *s);
        s->itemHeight = int(short(LOWORD(DWORD(wParam)))) <= 0 ? 0 : int(wParam);
        Changed(w, *s);
        return old;
    }
    case TVM_SETBKCOLOR: {
        const COLORREF old = s->background;
        s->background = COLORREF(lParam);
        InvalidateRect(w, nullptr, TRUE);
        return LRESULT(old);
    }
    case TVM_GETBKCOLOR:
        return LRESULT(s->background);
    case TVM_SETTEXTCOLOR: {
        const COLORREF old = s->text;
        s->text = COLORREF(lParam);
        InvalidateRect(w, nullptr, TRUE);
        return LRESULT(old);
    }
    case TVM_GETTEXTCOLOR:
        return LRESULT(s->text);
    default:
        return DefWindowProcW(w, message, wParam, lParam);
    }
}

} // namespace

void RegisterTreeViewClass() { RegisterControlClass(WC_TREEVIEWW, TreeProc, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW)); }

} // namespace platform::controls
