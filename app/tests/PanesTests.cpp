// The three panes of the main window hosted in a plain frame, driven by injected input with the
// real engine: a stack built by dragging actions from the tree, reordered and cut down; source
// files added by file drops.

#include "app/panes/ActionDragFormats.h"
#include "app/panes/ActionStackWnd.h"
#include "app/panes/AvailableActionsTreeWnd.h"
#include "app/panes/TargetFilesWnd.h"
#include "app/tests/AppTestSupport.h"

#include "engine/Action.h"
#include "engine/ActionDialogs.h"
#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/ActionTargetBatch.h"
#include "platform/controls/CommonControls.h"
#include "platform/controls/ListView.h"
#include "platform/controls/TreeView.h"
#include "platform/framework/OleDataObject.h"
#include "platform/framework/WinApp.h"
#include "platform/shell/FileDrop.h"
#include "platform/user/ControlMessages.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/DisplayBackEnd.h"
#include "app/properties/WindowedActionDialogs.h"
#include "postprocess/PostProcessActions.h"

#include "platform/base/ResourceTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The property dialogs' table (its generated header repeats a platform constant).
extern const platform::resources::ResourceTable AppPropertyResources;

namespace {

using apptest::N;
using apptest::U;
namespace fs = std::filesystem;

// The main window's part the panes talk to: the two Delete-key messages, answered as it does.
class PaneFrame : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    PaneFrame()
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, ::GetSysColorBrush(COLOR_BTNFACE)), u"Panes",
            WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 720, 560, nullptr, nullptr);
        // The main window's control ids.
        files.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS,
            { 8, 8, 408, 228 }, this, 1007);
        tree.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT
                | TVS_SHOWSELALWAYS,
            { 416, 8, 712, 308 }, this, 1003);
        stack.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS
                | LVS_NOSORTHEADER,
            { 8, 316, 712, 552 }, this, 1004);
        // The main window's order.
        files.Init();
        tree.Init();
        stack.Init();
        tree.EnableMultiSelect(TRUE);
    }
    ~PaneFrame() override
    {
        if (m_hWnd)
            DestroyWindow();
    }

    LRESULT OnRemoveAction(WPARAM, LPARAM)
    {
        ++removeActionMessages;
        stack.RemoveSelectedAction();
        return 1;
    }
    LRESULT OnRemoveTargets(WPARAM, LPARAM)
    {
        ++removeTargetMessages;
        if (!removeTargetsReply)
            return 0;
        for (int row = files.GetItemCount() - 1; row >= 0; --row)
            if (files.GetItemState(row, LVIS_SELECTED))
                files.DeleteItem(row);
        return 1;
    }

    BOOL OnCommand(WPARAM wParam, LPARAM) override
    {
        commands.push_back(LOWORD(wParam));
        return TRUE;
    }

    CTargetFilesWnd files;
    CAvailableActionsTreeWnd tree;
    CActionStackWnd stack;
    int removeActionMessages = 0;
    int removeTargetMessages = 0;
    bool removeTargetsReply = true;
    std::vector<UINT> commands;
};

BEGIN_MESSAGE_MAP(PaneFrame, CWnd)
    ON_MESSAGE(WM_VORNALT_REMOVE_SELECTED_ACTION, &PaneFrame::OnRemoveAction)
    ON_MESSAGE(WM_VORNALT_REMOVE_SELECTED_TARGETS, &PaneFrame::OnRemoveTargets)
END_MESSAGE_MAP()

// A property dialog the way the property-dialog helper's would answer: the user typed a new size
// and pressed OK, or pressed Cancel.
class ScriptedDialogs : public ActionPropertyDialogs {
public:
    int RunResizeDialog(ResizeDialogValues& values) override
    {
        ++opened;
        if (!accept)
            return IDCANCEL;
        values.width = 640;
        values.height = 480;
        return IDOK;
    }
    bool accept = true;
    int opened = 0;
};

class PanesTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        RegisterPostProcessActions();
        RegisterActionDragFormats();
        platform::shell::EnableFileDrops();
        frame = std::make_unique<PaneFrame>();
        for (HTREEITEM group = frame->tree.GetRootItem(); group; group = frame->tree.GetNextSiblingItem(group))
            frame->tree.Expand(group, TVE_EXPAND);
        Run({});
    }
    void TearDown() override
    {
        frame.reset();
        DesktopTest::TearDown();
    }

    // Runs the steps one by one, each when the thread's loop (whichever it is: this one, the
    // tree's click tracking, a drag) has nothing left to do; messages go through the frame's
    // pre-translation as in the main window's loop.
    void Run(const std::vector<std::function<void()>>& steps)
    {
        for (const auto& step : steps)
            Idle().Then(step);
        Idle().Then([] { ::PostQuitMessage(0); });
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0)) {
            if (CWnd::WalkPreTranslateTree(frame->m_hWnd, &msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    // A hand's drag: press, a few small moves out of the drag distance, moves to the target,
    // release there.
    void DragTo(POINT from, POINT to)
    {
        std::vector<std::function<void()>> steps;
        steps.push_back([from] { testkit::MoveTo(from); });
        steps.push_back([from] { testkit::Press(from); });
        for (int d : { 4, 12, 24 })
            steps.push_back([from, d] { testkit::MoveTo({ from.x + d, from.y + d / 2 }); });
        for (int i = 1; i <= 4; ++i)
            steps.push_back([from, to, i] {
                testkit::MoveTo({ from.x + 24 + (to.x - from.x - 24) * i / 4, from.y + 12 + (to.y - from.y - 12) * i / 4 });
            });
        steps.push_back([to] { testkit::Release(to); });
        Run(steps);
        Clock().Advance(1000); // never a double click with the next press
    }

    HTREEITEM TreeItem(const std::u16string& name)
    {
        CAvailableActionsTreeWnd& tree = frame->tree;
        for (HTREEITEM group = tree.GetRootItem(); group; group = tree.GetNextSiblingItem(group))
            for (HTREEITEM item = tree.GetChildItem(group); item; item = tree.GetNextSiblingItem(item))
                if (std::u16string(tree.GetItemText(item).GetString()) == name)
                    return item;
        ADD_FAILURE() << "no tree item " << N(name);
        return nullptr;
    }
    POINT TreePoint(const std::u16string& name)
    {
        // The user scrolls the item into view first.
        HTREEITEM item = TreeItem(name);
        frame->tree.EnsureVisible(item);
        Run({});
        RECT r {};
        frame->tree.GetItemRect(item, &r, TRUE);
        return testkit::ClientPoint(frame->tree.m_hWnd, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    POINT RowPoint(int row)
    {
        RECT r {};
        frame->stack.GetItemRect(row, &r, LVIR_BOUNDS);
        return testkit::ClientPoint(frame->stack.m_hWnd, 60, (r.top + r.bottom) / 2);
    }
    POINT BelowRows()
    {
        RECT client {};
        frame->stack.GetClientRect(&client);
        return testkit::ClientPoint(frame->stack.m_hWnd, 60, client.bottom - 10);
    }
    // A click first, so that only this item is selected and dragged.
    void DragFromTree(const std::u16string& name, POINT to)
    {
        const POINT at = TreePoint(name);
        Run({ [at] { testkit::Click(at); } });
        Clock().Advance(1000);
        DragTo(at, to);
    }

    // The rows as the user reads them: group captions in brackets, action names as they are.
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        CActionStackWnd& stack = frame->stack;
        for (int row = 0; row < stack.GetItemCount(); ++row) {
            if (CAction* action = stack.GetRowAction(row))
                rows.push_back(N(action->GetName()));
            else
                rows.push_back(stack.GetRowKind(row) == StackRowData::KIND_MAIN_GROUP ? "[Main Actions]" : "[Super Actions]");
        }
        return rows;
    }
    std::string Text(CListCtrl& list, int row, int column) { return N(list.GetItemText(row, column).GetString()); }
    void Key(int key)
    {
        Run({ [key] { testkit::Key(key); } });
    }
    void ClickRow(int row)
    {
        const POINT at = RowPoint(row);
        Run({ [at] { testkit::Click(at); } });
        Clock().Advance(1000);
    }

    std::unique_ptr<PaneFrame> frame;

    static std::string Golden(const char* name)
    {
        return std::string(VORNALT_SOURCE_DIR) + "/app/tests/goldens/" + name;
    }
};

using Names = std::vector<std::string>;

TEST_F(PanesTest, ActionsDraggedFromTheTreeLandInTheirGroups)
{
    DragFromTree(u"Resize", BelowRows());
    ASSERT_EQ(Rows(), (Names { "[Main Actions]", "Resize" }));
    EXPECT_EQ(Text(frame->stack, 1, 0), "Resize");
    EXPECT_EQ(Text(frame->stack, 1, 1), "Single Image File");
    EXPECT_NE(Text(frame->stack, 1, 2).find("width="), std::string::npos) << Text(frame->stack, 1, 2);
    EXPECT_EQ(frame->stack.m_bModified, 1);

    // Two items selected: the plural payload, both at the end of the main group.
    const POINT brightness = TreePoint(u"Brightness");
    const POINT sepia = TreePoint(u"Sepia");
    Run({ [brightness] { testkit::Click(brightness); } });
    Clock().Advance(1000);
    Run({ [] { testkit::KeyDown(VK_CONTROL); }, [sepia] { testkit::Click(sepia); }, [] { testkit::KeyUp(VK_CONTROL); } });
    Clock().Advance(1000);
    std::vector<CAction*> selected;
    ASSERT_EQ(frame->tree.GetSelectedPrototypes(selected), 2);
    for (CAction* prototype : selected)
        prototype->Release();
    DragTo(sepia, RowPoint(0));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia" }));

    // The first post-process action opens "Super Actions" at the end.
    DragFromTree(u"Zip", RowPoint(1));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "[Super Actions]", "Zip" }));
    EXPECT_EQ(Text(frame->stack, 5, 1), "Post Process");

    // An in-process action dropped on "Super Actions" goes to the end of the main group; a
    // post-process action dropped on a main action goes right below "Super Actions".
    DragFromTree(u"Crop", RowPoint(4));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "Crop", "[Super Actions]", "Zip" }));
    DragFromTree(u"FTP", RowPoint(1));
    EXPECT_EQ(Rows(),
        (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "Crop", "[Super Actions]", "FTP", "Zip" }));

    // Save File is neither an image nor a post-process action.
    DragFromTree(u"Save File", RowPoint(5));
    EXPECT_EQ(Text(frame->stack, 5, 1), "Single Target");
    EXPECT_TRUE(frame->stack.HasActionOfType(u"builtin__savefile"));
}

TEST_F(PanesTest, TheSamePrototypeDroppedTwiceMakesTwoActionsWithDefaultsAndTheirOwnIds)
{
    CAction* prototype = frame->tree.GetPrototype(TreeItem(u"Resize"));
    ASSERT_TRUE(prototype);
    prototype->SetPropertyInt(u"width", 1234);
    DragFromTree(u"Resize", BelowRows());
    DragFromTree(u"Resize", BelowRows());
    ASSERT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Resize" }));
    CAction* first = frame->stack.GetRowAction(1);
    CAction* second = frame->stack.GetRowAction(2);
    EXPECT_NE(first, prototype);
    EXPECT_NE(first->GetId(), second->GetId());
    int width = 0;
    first->GetPropertyInt(u"width", width);
    EXPECT_NE(width, 1234) << "the prototype's properties are not copied";
    int prototypeWidth = 0;
    prototype->GetPropertyInt(u"width", prototypeWidth);
    EXPECT_EQ(prototypeWidth, 1234);
}

class StackReorderTest : public PanesTest {
protected:
    void SetUp() override
    {
        PanesTest::SetUp();
        for (const char16_t* type : { u"builtin__resizeimage", u"builtin__brightenimage", u"builtin__sepia",
                 u"builtin_zipall", u"builtin_ftp" }) {
            CAction* action = CreateActionByType(type);
            frame->stack.InsertActionRow(action, -1);
            action->Release();
        }
        frame->stack.m_bModified = 0;
        Run({});
        ASSERT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "[Super Actions]", "Zip", "FTP" }));
    }
};

TEST_F(StackReorderTest, DraggingRowsMovesThemInsideTheirGroup)
{
    // Onto the row just below: nothing changes.
    DragTo(RowPoint(1), RowPoint(2));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "[Super Actions]", "Zip", "FTP" }));

    // Sepia onto Resize: it goes before Resize.
    DragTo(RowPoint(3), RowPoint(1));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Sepia", "Resize", "Brightness", "[Super Actions]", "Zip", "FTP" }));
    EXPECT_EQ(frame->stack.m_bModified, 1);
    EXPECT_EQ(N(frame->stack.GetSelectedAction()->GetName()), "Sepia");

    // A main action onto "Super Actions": the end of the main group.
    DragTo(RowPoint(1), RowPoint(4));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "[Super Actions]", "Zip", "FTP" }));

    // A post-process action to the empty space below the rows: the end of the list.
    DragTo(RowPoint(5), BelowRows());
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "[Super Actions]", "FTP", "Zip" }));

    // A main action from above onto a post-process row stays in its own group, at its end.
    DragTo(RowPoint(1), RowPoint(6));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Brightness", "Sepia", "Resize", "[Super Actions]", "FTP", "Zip" }));
    DragTo(RowPoint(1), BelowRows());
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Sepia", "Resize", "Brightness", "[Super Actions]", "FTP", "Zip" }));

    // The stack runs the rows' order, main actions first.
    CActionStack* built = frame->stack.BuildStack();
    std::vector<std::string> names;
    for (int i = 0; i < built->GetActionCount(); ++i)
        names.push_back(N(built->GetAction(i)->GetName()));
    built->Release();
    EXPECT_EQ(names, (Names { "Sepia", "Resize", "Brightness", "FTP", "Zip" }));
}

TEST_F(StackReorderTest, TheDeleteKeyRemovesTheSelectedActionThroughTheFrameAndEmptyGroupsGo)
{
    // No selection: the frame is asked, nothing changes.
    frame->stack.SetFocus();
    Key(VK_DELETE);
    EXPECT_EQ(Rows().size(), 7u);

    // A group row cannot be selected by a click.
    ClickRow(4);
    EXPECT_EQ(frame->stack.GetSelectedAction(), nullptr);
    EXPECT_EQ(frame->stack.GetItemState(4, LVIS_SELECTED), 0u);
    EXPECT_EQ(frame->stack.GetItemState(0, LVIS_SELECTED), 0u);

    ClickRow(5);
    Key(VK_DELETE);
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "[Super Actions]", "FTP" }));
    EXPECT_EQ(frame->stack.m_bModified, 1);
    ClickRow(5);
    Key(VK_DELETE);
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia" }));
    for (int i = 0; i < 3; ++i) {
        ClickRow(1);
        Key(VK_DELETE);
    }
    EXPECT_EQ(Rows(), Names {});
    EXPECT_EQ(frame->removeActionMessages, 6);
}

TEST_F(StackReorderTest, KeysMoveTheSelectionPastGroupRowsWithoutSelectingThem)
{
    ClickRow(3);
    Key(VK_DOWN);
    EXPECT_EQ(frame->stack.GetItemState(4, LVIS_SELECTED), 0u) << "the group row refuses the selection";
    ClickRow(1);
    Key(VK_UP);
    EXPECT_EQ(frame->stack.GetItemState(0, LVIS_SELECTED), 0u);
}

TEST_F(StackReorderTest, ADoubleClickOpensThePropertyDialogAndAnAcceptedOneUpdatesTheRow)
{
    ScriptedDialogs dialogs;
    ActionPropertyDialogs* previous = SetActionPropertyDialogs(&dialogs);
    const std::string before = Text(frame->stack, 1, 2);

    dialogs.accept = false;
    const POINT resize = RowPoint(1);
    Run({ [resize] { testkit::DoubleClick(resize); } });
    Clock().Advance(1000);
    EXPECT_EQ(dialogs.opened, 1);
    EXPECT_EQ(Text(frame->stack, 1, 2), before);
    EXPECT_EQ(frame->stack.m_bModified, 0) << "a cancelled dialog changes nothing";

    dialogs.accept = true;
    Run({ [resize] { testkit::DoubleClick(resize); } });
    Clock().Advance(1000);
    EXPECT_EQ(dialogs.opened, 2);
    const std::string after = Text(frame->stack, 1, 2);
    EXPECT_NE(after.find("width=640"), std::string::npos) << after;
    EXPECT_NE(after.find("height=480"), std::string::npos) << after;
    EXPECT_EQ(frame->stack.m_bModified, 1);

    // A group row has no dialog.
    frame->stack.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_FALSE(frame->stack.EditSelectedProperties());
    SetActionPropertyDialogs(previous);
}

TEST_F(StackReorderTest, ThePropertiesColumnCutsLongValuesAndNeverShowsSecrets)
{
    CAction* zip = frame->stack.GetRowAction(5);
    zip->SetPropertyString(u"kPropPassword", u"hunter2-secret");
    zip->SetPropertyString(u"zippath", std::u16string(80, u'z'));
    frame->stack.UpdatePropertiesText(5);
    const std::string zipText = Text(frame->stack, 5, 2);
    EXPECT_EQ(zipText.find("hunter2"), std::string::npos) << zipText;
    EXPECT_NE(zipText.find("kPropPassword=****"), std::string::npos) << zipText;
    EXPECT_NE(zipText.find("zippath=" + std::string(50, 'z')), std::string::npos) << zipText;
    EXPECT_EQ(zipText.find(std::string(51, 'z')), std::string::npos);
    EXPECT_NE(zipText.find("password_protect="), std::string::npos) << "a flag is no secret: " << zipText;

    CAction* ftp = frame->stack.GetRowAction(6);
    ftp->SetPropertyString(u"kPropPassword", u"letmein");
    frame->stack.UpdatePropertiesText(6);
    EXPECT_EQ(Text(frame->stack, 6, 2).find("letmein"), std::string::npos);

    CAction* email = CreateActionByType(u"builtin_email");
    email->SetPropertyString(u"smtp_Pass", u"mailpass1");
    frame->stack.InsertActionRow(email, -1);
    const int row = frame->stack.FindActionRow(email);
    email->Release();
    const std::string emailText = Text(frame->stack, row, 2);
    EXPECT_EQ(emailText.find("mailpass1"), std::string::npos) << emailText;
    EXPECT_NE(emailText.find("smtp_Pass=****"), std::string::npos) << emailText;

    // Names and values joined by "," without spaces, in the property order.
    std::vector<std::u16string> names, values;
    frame->stack.GetRowAction(1)->EnumerateProperties(names, values);
    std::u16string expected;
    for (size_t i = 0; i < names.size(); ++i)
        expected += (i ? u"," : u"") + names[i] + u"=" + values[i].substr(0, 50);
    EXPECT_EQ(Text(frame->stack, 1, 2), N(expected));
}

TEST_F(StackReorderTest, LoadingAStackReplacesTheRowsAndFindsItsGroups)
{
    CActionStack* stack = new CActionStack;
    for (const char16_t* type : { u"builtin_email", u"builtin__flip", u"builtin__savefile" }) {
        CAction* action = CreateActionByType(type);
        stack->InsertAction(action, -1);
        action->Release();
    }
    frame->stack.LoadActions(stack);
    stack->Release();
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Flip", "Save File", "[Super Actions]", "E-Mail" }));
    EXPECT_EQ(frame->stack.FindMainGroupRow(), 0);
    EXPECT_EQ(frame->stack.FindPostProcessGroupRow(), 3);
    EXPECT_EQ(frame->stack.CountMainActions(), 2);
    EXPECT_EQ(frame->stack.CountPostProcessActions(), 1);
}

TEST_F(PanesTest, DropsFromAnotherProcessOrOfTheWrongSizeAreRefused)
{
    CAction* prototype = frame->tree.GetPrototype(TreeItem(u"Resize"));
    auto dropOf = [&](HGLOBAL block) {
        DataObject source;
        source.SetData(GetActionObjectFormat(), block);
        COleDataObject data;
        data.AttachDragData(&source);
        CActionStackDropTarget target;
        return target.OnDrop(&frame->stack, &data, DROPEFFECT_COPY, CPoint(10, 40));
    };
    // The old four-byte form: no address can be read from it.
    HGLOBAL small = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 4);
    EXPECT_FALSE(dropOf(small));
    // Our form with another process's tag.
    HGLOBAL foreign = MakeActionObjectPayload(prototype);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(foreign));
    bytes[0] ^= 0xFF;
    GlobalUnlock(foreign);
    EXPECT_FALSE(dropOf(foreign));
    EXPECT_EQ(frame->stack.GetItemCount(), 0);
    // Ours.
    EXPECT_TRUE(dropOf(MakeActionObjectPayload(prototype)));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize" }));
}

TEST_F(PanesTest, TheTreeHoldsEveryActionUnderItsGroupWithItsTooltip)
{
    CAvailableActionsTreeWnd& tree = frame->tree;
    std::vector<std::string> groups;
    std::vector<int> counts;
    for (HTREEITEM group = tree.GetRootItem(); group; group = tree.GetNextSiblingItem(group)) {
        groups.push_back(N(tree.GetItemText(group).GetString()));
        EXPECT_EQ(tree.GetPrototype(group), nullptr);
        int count = 0;
        for (HTREEITEM item = tree.GetChildItem(group); item; item = tree.GetNextSiblingItem(item))
            ++count;
        counts.push_back(count);
    }
    EXPECT_EQ(groups, (Names { "Image Actions", "File Actions", "Super Actions" }));
    EXPECT_EQ(counts, (std::vector<int> { 15, 1, 5 }));
    CAction* flip = tree.GetPrototype(TreeItem(u"Flip"));
    ASSERT_TRUE(flip);
    EXPECT_EQ(N(CAvailableActionsTreeWnd::GetTooltipText(flip)),
        "<font size=\"1.2em\"><b>Flip</b></font><br>" + N(flip->GetDescription()));
    EXPECT_EQ(GetActionIconIndex(flip), 19);
    EXPECT_EQ(GetActionIconIndex(u"builtin__frame"), 24);
    EXPECT_EQ(GetActionIconIndex(u"no such action"), -1);
}

TEST_F(StackReorderTest, ADragShowsTheInsertionMarkOverTheRowAndClearsItOnTheDrop)
{
    const POINT from = RowPoint(1);
    const POINT over = RowPoint(3);
    RECT row3 {};
    frame->stack.GetItemRect(3, &row3, LVIR_BOUNDS);
    int markDuringDrag = 0;
    COLORREF topEdge = 0;
    COLORREF belowEdge = 0;
    Run({ [from] { testkit::MoveTo(from); }, [from] { testkit::Press(from); },
        [from] { testkit::MoveTo({ from.x + 4, from.y + 2 }); }, [from] { testkit::MoveTo({ from.x + 20, from.y + 10 }); },
        [over] { testkit::MoveTo({ over.x, over.y - 3 }); }, [over] { testkit::MoveTo(over); },
        [&] {
            markDuringDrag = frame->stack.m_nInsertRow;
            topEdge = testkit::ClientPixel(frame->stack.m_hWnd, 300, row3.top);
            belowEdge = testkit::ClientPixel(frame->stack.m_hWnd, 300, row3.top + 3);
        },
        [over] { testkit::Release(over); } });
    EXPECT_EQ(markDuringDrag, 3);
    EXPECT_EQ(topEdge, ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_NE(belowEdge, ::GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(frame->stack.m_nInsertRow, -2);
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Brightness", "Resize", "Sepia", "[Super Actions]", "Zip", "FTP" }));
}

TEST_F(StackReorderTest, NothingIsDroppedOnTheTreeAndAGroupItemAloneAddsNothing)
{
    DragTo(RowPoint(1), TreePoint(u"Crop"));
    EXPECT_EQ(Rows(), (Names { "[Main Actions]", "Resize", "Brightness", "Sepia", "[Super Actions]", "Zip", "FTP" }));

    HTREEITEM group = frame->tree.GetRootItem();
    RECT r {};
    frame->tree.GetItemRect(group, &r, TRUE);
    const POINT at = testkit::ClientPoint(frame->tree.m_hWnd, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Run({ [at] { testkit::Click(at); } });
    Clock().Advance(1000);
    DragTo(at, RowPoint(2));
    EXPECT_EQ(Rows().size(), 7u);
}

TEST_F(StackReorderTest, ValidationListsEveryProblemOfEveryActionInOneBox)
{
    std::vector<std::string> lines;
    std::string header;
    Idle().Then([&] {
        HWND box = testkit::FindTopLevel({ .text = u"Run Stack", .visibleOnly = true });
        ASSERT_TRUE(box);
        header = N(testkit::TextOf(::GetDlgItem(box, 1054)));
        HWND list = ::GetDlgItem(box, 1053);
        const int count = int(::SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            WCHAR text[512] {};
            ::SendMessageW(list, LB_GETTEXT, WPARAM(i), LPARAM(text));
            lines.push_back(N(text));
        }
        testkit::Key(VK_RETURN);
    });
    EXPECT_FALSE(frame->stack.ValidateActions());
    EXPECT_EQ(header, "There are some actions that have invalid properties:");
    ASSERT_EQ(lines.size(), 4u) << "one line for the zip file, three for the FTP server";
    EXPECT_EQ(lines[0].rfind("Zip: ", 0), 0u) << lines[0];
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind("FTP: ", 0), 0u) << lines[i];

    // Once they are set, nothing is shown.
    CAction* zip = frame->stack.GetRowAction(5);
    zip->SetPropertyString(u"zippath", u"/tmp/out.zip");
    CAction* ftp = frame->stack.GetRowAction(6);
    ftp->SetPropertyString(u"username", u"me");
    ftp->SetPropertyString(u"destinationdir", u"/up");
    ftp->SetPropertyString(u"ftphost", u"localhost");
    EXPECT_TRUE(frame->stack.ValidateActions());
}

TEST_F(PanesTest, HoveringAnActionShowsItsNameAndDescription)
{
    const POINT flip = TreePoint(u"Flip");
    int state = -1;
    testkit::Capture tip;
    Run({ [flip] { testkit::MoveTo(flip); }, [this] { Clock().Advance(1000); },
        [&] {
            state = frame->tree.GetToolTip().GetState();
            tip = testkit::CaptureWindow(frame->tree.GetToolTip().m_hWnd);
        } });
    EXPECT_EQ(state, CRichToolTip::Shown);
    EXPECT_TRUE(testkit::MatchesGolden(tip, Golden("panes_tree_tooltip.png"), { 8, 40 }));
}

TEST_F(StackReorderTest, EachPanesContextMenuSendsItsCommandsToTheMainWindow)
{
    // Right button on a pane, Down to the first item, Enter: the command reaches the frame,
    // which stands for the main window here.
    auto chooseFirst = [this](POINT at) {
        Run({ [at] { testkit::Click(at, testkit::Button::Right); }, [] { testkit::Key(VK_DOWN); },
            [] { testkit::Key(VK_RETURN); } });
        Clock().Advance(1000);
    };
    chooseFirst(RowPoint(2));
    chooseFirst(TreePoint(u"Crop"));
    chooseFirst(testkit::ClientPoint(frame->files.m_hWnd, 100, 100));
    EXPECT_EQ(frame->commands, (std::vector<UINT> { 32781, 32806, 32774 }));
}

TEST_F(StackReorderTest, TheRealResizeDialogOpensOnADoubleClickAndItsOkUpdatesTheRow)
{
    // Nothing in the property dialogs' code refers to their table yet, so the test keeps it linked.
    static const void* volatile propertyTable = &AppPropertyResources;
    (void)propertyTable;
    InstallWindowedActionDialogs();
    const POINT resize = RowPoint(1);
    bool seen = false;
    Run({ [resize] { testkit::DoubleClick(resize); },
        [&] {
            HWND dialog = testkit::FindTopLevel({ .text = u"Properties: Resize", .visibleOnly = true });
            ASSERT_TRUE(dialog);
            seen = true;
            HWND width = ::GetDlgItem(dialog, 1042);
            ::SetFocus(width);
            ::SendMessageW(width, EM_SETSEL, 0, -1);
        },
        [] { testkit::TypeText(u"777"); }, [] { testkit::Key(VK_RETURN); } });
    UninstallWindowedActionDialogs();
    EXPECT_TRUE(seen);
    const std::string text = Text(frame->stack, 1, 2);
    EXPECT_NE(text.find("width=777"), std::string::npos) << text;
    EXPECT_EQ(frame->stack.m_bModified, 1);
}

// ---- Source files

class SourceFilesTest : public PanesTest {
protected:
    void SetUp() override
    {
        PanesTest::SetUp();
        root = fs::path(Folder()) / "files";
        fs::create_directories(root);
    }
    void DropFiles(const std::vector<fs::path>& paths)
    {
        std::vector<std::u16string> names;
        for (const fs::path& path : paths)
            names.push_back(U(path));
        const POINT at = testkit::ClientPoint(frame->files.m_hWnd, 100, 100);
        ASSERT_EQ(FileDropTarget(at), frame->files.m_hWnd);
        Run({ [at, names] { DeliverFileDrop(FileDropTarget(at), at, names); } });
    }
    std::vector<std::string> FileRows()
    {
        std::vector<std::string> rows;
        for (int row = 0; row < frame->files.GetItemCount(); ++row)
            rows.push_back(Text(frame->files, row, 0) + " | " + Text(frame->files, row, 1));
        return rows;
    }
    fs::path root;
};

TEST_F(SourceFilesTest, DroppedImagesAreAddedAndTheOthersCountedInOneMessage)
{
    apptest::WriteImage(root / "a.png", 40, 30, IMAGE_FORMAT_PNG);
    apptest::WriteImage(root / "b.jpg", 64, 48, IMAGE_FORMAT_JPEG);
    apptest::ScratchFolderTest::WriteFile(root / "notes.txt", "not a picture");
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    DropFiles({ root / "a.png", root / "notes.txt", root / "b.jpg" });
    EXPECT_EQ(FileRows(), (Names { "a.png | 24 bpp, 40 x 30", "b.jpg | 24 bpp, 64 x 48" }));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(N(boxes.Boxes()[0].text), "1 of the files could not be added to the list");
    EXPECT_EQ(boxes.Boxes()[0].type & 0xF0, MB_ICONEXCLAMATION);
    ASSERT_TRUE(frame->files.GetRowRecord(1));
    EXPECT_EQ(frame->files.GetRowRecord(1)->path, U(root / "b.jpg"));
}

TEST_F(SourceFilesTest, AFolderIsSearchedRecursivelyAndTheSameFileMayComeTwice)
{
    fs::create_directories(root / "album" / "deeper");
    apptest::WriteImage(root / "album" / "one.png", 10, 10, IMAGE_FORMAT_PNG);
    apptest::WriteImage(root / "album" / "deeper" / "two.jpg", 20, 10, IMAGE_FORMAT_JPEG);
    apptest::WriteImage(root / "album" / "three.png", 30, 10, IMAGE_FORMAT_PNG);
    testkit::MessageBoxRecorder boxes;
    DropFiles({ root / "album" });
    EXPECT_EQ(FileRows(), (Names { "two.jpg | 24 bpp, 20 x 10", "one.png | 24 bpp, 10 x 10", "three.png | 24 bpp, 30 x 10" }));
    EXPECT_TRUE(boxes.Boxes().empty());
    DropFiles({ root / "album" / "one.png" });
    EXPECT_EQ(frame->files.GetItemCount(), 4);

    // A run takes every row whose file is still there, the same file twice included.
    fs::remove(root / "album" / "three.png");
    CActionTargetBatch* batch = frame->files.BuildBatch();
    EXPECT_EQ(batch->GetTargetCount(), 3);
    batch->Release();
    EXPECT_EQ(frame->files.CreateTargetForRow(2), nullptr);
    EXPECT_EQ(frame->files.CreateTargetForRow(-1), nullptr);
    CImageFileTarget* target = frame->files.CreateTargetForRow(3);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->GetSourcePath(), U(root / "album" / "one.png"));
    target->Release();
}

TEST_F(SourceFilesTest, APathLongerThanTheOldBufferArrivesWhole)
{
    fs::path deep = root;
    for (int i = 0; i < 4; ++i)
        deep /= std::string(80, char('a' + i));
    fs::create_directories(deep);
    const fs::path file = deep / "long.png";
    ASSERT_GT(file.string().size(), 300u);
    apptest::WriteImage(file, 12, 12, IMAGE_FORMAT_PNG);
    testkit::MessageBoxRecorder boxes;
    DropFiles({ file });
    ASSERT_EQ(frame->files.GetItemCount(), 1);
    EXPECT_EQ(frame->files.GetRowRecord(0)->path, U(file));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SourceFilesTest, TheDeleteKeyAsksTheFrameToRemoveTheSelectedRows)
{
    for (const char* name : { "a.png", "b.png", "c.png" })
        apptest::WriteImage(root / name, 8, 8, IMAGE_FORMAT_PNG);
    DropFiles({ root / "a.png", root / "b.png", root / "c.png" });
    RECT r {};
    frame->files.GetItemRect(1, &r, LVIR_BOUNDS);
    const POINT second = testkit::ClientPoint(frame->files.m_hWnd, 30, (r.top + r.bottom) / 2);
    Run({ [second] { testkit::Click(second); } });
    Key(VK_DELETE);
    EXPECT_EQ(frame->removeTargetMessages, 1);
    EXPECT_EQ(FileRows(), (Names { "a.png | 24 bpp, 8 x 8", "c.png | 24 bpp, 8 x 8" }));
    frame->removeTargetsReply = false;
    Key(VK_DELETE);
    EXPECT_EQ(frame->removeTargetMessages, 2);
    EXPECT_EQ(frame->files.GetItemCount(), 2);
}

// ---- Pictures

TEST_F(PanesTest, EmptyPanesShowTheirPicturesOnWhite)
{
    Run({});
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(frame->m_hWnd), Golden("panes_empty.png"), { 8, 40 }));
    // The empty stack list is white around its centred picture.
    RECT client {};
    frame->stack.GetClientRect(&client);
    EXPECT_EQ(testkit::ClientPixel(frame->stack.m_hWnd, 10, client.bottom - 5), RGB(255, 255, 255));
}

TEST_F(SourceFilesTest, PanesWithAFewActionsAndFiles)
{
    apptest::WriteImage(root / "beach.jpg", 64, 48, IMAGE_FORMAT_JPEG);
    apptest::WriteImage(root / "logo.png", 32, 32, IMAGE_FORMAT_PNG);
    DropFiles({ root / "beach.jpg", root / "logo.png" });
    for (const char16_t* type : { u"builtin__resizeimage", u"builtin__sharpen", u"builtin__savefile", u"builtin_zipall" }) {
        CAction* action = CreateActionByType(type);
        frame->stack.InsertActionRow(action, -1);
        action->Release();
    }
    frame->stack.GetRowAction(5)->SetPropertyString(u"kPropPassword", u"hunter2");
    frame->stack.UpdatePropertiesText(5);
    ClickRow(2);
    Run({});
    const testkit::Capture shot = testkit::CaptureWindow(frame->m_hWnd);
    EXPECT_TRUE(testkit::MatchesGolden(shot, Golden("panes_actions_and_files.png"), { 8, 80 }));
    // The group row's line along its bottom pixel row.
    RECT group {};
    frame->stack.GetItemRect(0, &group, LVIR_BOUNDS);
    EXPECT_EQ(testkit::ClientPixel(frame->stack.m_hWnd, 300, group.bottom - 1), RGB(100, 100, 100));
}

} // namespace
