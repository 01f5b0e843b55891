#pragma once
// The available-actions tree: the upper-right pane of the main window (control 1003). Every
// action the program knows is an item holding a prototype (one object of the action's class
// with its default properties), under three group items: image actions, file actions and
// post-process ("Super") actions. Items are dragged onto the stack list, which makes new actions
// of the prototypes' classes; hovering an item shows its name and description in a rich tooltip.
// Nothing can be dropped on the tree.
//
// The main window attaches the tree to its dialog item (SubclassDlgItem(1003, dialog)), calls
// Init once (after the source-files pane, before the stack list) and then EnableMultiSelect.

#include "platform/framework/ImageList.h"
#include "platform/framework/OleDragDrop.h"
#include "toolkit/controls/TreeCtrl.h"
#include "toolkit/drawing/images/ImageManager.h"
#include "tooltips/RichTipLook.h"

#include <vector>

class CAction;


class CAvailableActionsTreeDropTarget : public COleDropTarget {
public:
    DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point) override;
    static DROPEFFECT RefuseDrag() { return DROPEFFECT_NONE; }
};

class CAvailableActionsTreeWnd : public CJQTreeCtrl {
    DECLARE_DYNAMIC(CAvailableActionsTreeWnd)
    DECLARE_MESSAGE_MAP()
public:
    CAvailableActionsTreeWnd();
    ~CAvailableActionsTreeWnd() override;

    void Init();
    // Appends the prototypes of the selected items in visible order, one reference each (the
    // caller releases them); returns the list's size.
    int GetSelectedPrototypes(std::vector<CAction*>& prototypes) const;
    // A child of the group after its last child, holding `prototype` (the tree takes over the
    // caller's reference).
    HTREEITEM AddPrototype(HTREEITEM group, int iconIndex, CAction* prototype);
    // The prototype of an item; null for a group item.
    CAction* GetPrototype(HTREEITEM item) const;
    // The markup the tooltip shows for a prototype.
    static std::u16string GetTooltipText(const CAction* prototype);

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    CRichTipLook& GetToolTip() { return m_toolTip; }

protected:
    void SetImageLists();
    void OnBeginDrag(NMHDR* header, LRESULT* result);
    void OnCustomDrawItems(NMHDR* header, LRESULT* result);
    void OnRightClick(NMHDR* header, LRESULT* result);
    void OnDestroy();

private:
    void releasePrototypes(HTREEITEM first);

    CJQWImageManager m_imageManager;
    CImageList m_imageList;
    CRichTipLook m_toolTip;
    CAvailableActionsTreeDropTarget m_dropTarget;
};
