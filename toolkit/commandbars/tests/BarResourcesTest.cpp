#include "toolkit/commandbars/BarResources.h"

#include "platform/testkit/Desktop.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "CommandBarTestResources.h"

#include "platform/user/Accelerators.h"
#include "platform/user/Menu.h"
#include "platform/user/Resources.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

std::vector<BYTE> Words(std::initializer_list<unsigned> words)
{
    std::vector<BYTE> bytes;
    for (unsigned w : words) {
        bytes.push_back(BYTE(w & 0xFF));
        bytes.push_back(BYTE(w >> 8));
    }
    return bytes;
}

} // namespace

TEST(BarResourcesTest, ParsesIdsWithSeparators)
{
    auto bytes = Words({ 1, 24, 22, 3, 1, 0, 2 });
    JQW_TOOLBAR_RESOURCE toolbar;
    ASSERT_TRUE(JQWParseToolBarResource(bytes.data(), bytes.size(), toolbar));
    EXPECT_EQ(toolbar.iconSize, CSize(24, 22));
    EXPECT_EQ(toolbar.ids, (std::vector<UINT> { 1, 0, 2 }));
    // Padding after the ids is no lie.
    bytes.push_back(0);
    bytes.push_back(0);
    EXPECT_TRUE(JQWParseToolBarResource(bytes.data(), bytes.size(), toolbar));
    EXPECT_EQ(toolbar.ids.size(), 3u);
}

TEST(BarResourcesTest, RefusesLyingCountsAndSizes)
{
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
    };
    const Case cases[] = {
        { "empty", {} },
        { "shorter than the header", Words({ 1, 16, 16 }) },
        { "count one past the ids", Words({ 1, 16, 16, 3, 1, 2 }) },
        { "count of 0xFFFF behind two ids", Words({ 1, 16, 16, 0xFFFF, 1, 2 }) },
        { "odd byte short of the last id", [] { auto b = Words({ 1, 16, 16, 2, 1, 2 }); b.pop_back(); return b; }() },
        { "zero icon width", Words({ 1, 0, 16, 1, 5 }) },
        { "zero icon height", Words({ 1, 16, 0, 1, 5 }) },
        { "absurd icon width", Words({ 1, 0xFFFF, 16, 1, 5 }) },
        { "absurd icon height", Words({ 1, 16, 257, 1, 5 }) },
    };
    for (const Case& c : cases) {
        JQW_TOOLBAR_RESOURCE toolbar;
        toolbar.ids = { 99 };
        EXPECT_FALSE(JQWParseToolBarResource(c.bytes.data(), c.bytes.size(), toolbar)) << c.name;
        EXPECT_TRUE(toolbar.ids.empty()) << c.name;
    }
    JQW_TOOLBAR_RESOURCE toolbar;
    EXPECT_FALSE(JQWParseToolBarResource(nullptr, 20, toolbar));
}

TEST(BarResourcesTest, SizeAndTooltipRules)
{
    EXPECT_EQ(JQWButtonSizeFor(CSize(0, 0), CSize(16, 16)), CSize(22, 22));
    EXPECT_EQ(JQWButtonSizeFor(CSize(0, 0), CSize(24, 20)), CSize(30, 26));
    EXPECT_EQ(JQWButtonSizeFor(CSize(40, 0), CSize(16, 16)), CSize(40, 0));
    EXPECT_EQ(JQWToolTipWithShortcut(CString(u"Save"), CString(u"Ctrl+S")), CString(u"Save (Ctrl+S)"));
    EXPECT_EQ(JQWToolTipWithShortcut(CString(u"Save"), CString()), CString(u"Save"));
}

// The program's own command-bar resources.
TEST(AppCommandBarResourcesTest, StandardToolbarHoldsTheButtonsInOrder)
{
    LoadStringText(102); // links the program's tables
    JQW_TOOLBAR_RESOURCE toolbar;
    ASSERT_TRUE(JQWLoadToolBarResource(nullptr, 151, toolbar));
    EXPECT_EQ(toolbar.iconSize, CSize(16, 16));
    EXPECT_EQ(toolbar.ids, (std::vector<UINT> { 32772, 32775, 32776, 0, 32781, 32782, 32806, 32784, 32785, 32783, 0,
                               32774, 32777, 32778, 0, 32780 }));
    EXPECT_FALSE(JQWLoadToolBarResource(nullptr, 152, toolbar));

    // One 16 x 16 picture per button.
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, MAKEINTRESOURCEW(151), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info {};
    GetObjectW(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 13 * 16);
    EXPECT_EQ(info.bmHeight, 16);
    DeleteObject(bitmap);
}

TEST(AppCommandBarResourcesTest, MenuHasStackTargetsAndHelp)
{
    LoadStringText(102);
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(135));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    const char16_t* titles[] = { u"&Stack", u"&Targets", u"&Help" };
    std::vector<UINT> ids;
    for (int i = 0; i < 3; ++i) {
        WCHAR text[64] {};
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        EXPECT_EQ(std::u16string(text), titles[i]);
        HMENU sub = GetSubMenu(menu, i);
        ASSERT_NE(sub, nullptr);
        for (int k = 0; k < GetMenuItemCount(sub); ++k)
            if (UINT id = GetMenuItemID(sub, k); id != 0)
                ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<UINT> { 32772, 32774, 32775, 32776, 32777, 32778, 32779, 32780, 32781, 32782, 32783,
                       32784, 32785, 32786, 32806 }));
    DestroyMenu(menu);
}

TEST(AppCommandBarResourcesTest, AcceleratorsAreTheFourCtrlShortcuts)
{
    LoadStringText(102);
    HACCEL table = LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(135));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8] {};
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 8), 4);
    struct Expected {
        WORD key;
        WORD cmd;
    };
    const Expected expected[] = { { 'O', 32772 }, { 'S', 32775 }, { VK_UP, 32781 }, { VK_DOWN, 32782 } };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i].key, expected[i].key);
        EXPECT_EQ(entries[i].cmd, expected[i].cmd);
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT), FVIRTKEY | FCONTROL);
    }
    DestroyAcceleratorTable(table);
}

namespace {

struct SiteAnswer {
    LRESULT reply = 0;
    int type = 0;           // the type the site asks for, 0 to leave it
    bool ownControl = false;
    std::vector<UINT> created;
};
SiteAnswer* g_site = nullptr;

LRESULT ButtonSiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_site && message == JQWM_CREATE_CONTROL) {
        auto* record = reinterpret_cast<JQW_CONTROL_CREATE_RECORD*>(lParam);
        EXPECT_TRUE(record->fromToolBar);
        EXPECT_EQ(record->caption, CString(u"Standard"));
        if (g_site->type)
            record->controlType = g_site->type;
        if (g_site->ownControl) {
            record->control = static_cast<CJQWControl*>(RUNTIME_CLASS(CJQWControl)->CreateObject());
            record->control->SetType(JQW_CONTROL_LABEL);
            record->commandId += 1000;
        }
        return g_site->reply;
    }
    if (g_site && message == JQWM_CONTROL_CREATED) {
        auto* record = reinterpret_cast<JQW_CONTROL_CREATE_RECORD*>(lParam);
        g_site->created.push_back(UINT(record->control->GetID()));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class BarButtonsTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = ButtonSiteProc;
            windowClass.lpszClassName = u"BarButtonsSite";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        m_siteWindow = CreateWindowExW(0, u"BarButtonsSite", u"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr,
            nullptr);
        m_site.Attach(m_siteWindow);
        m_bar = static_cast<CJQWToolBar*>(RUNTIME_CLASS(CJQWToolBar)->CreateObject());
        m_bar->SetSite(&m_site);
        m_bar->SetTitle(CString(u"Standard"));
        g_site = &m_answer;
    }
    void TearDown() override
    {
        g_site = nullptr;
        m_bar->InternalRelease();
        m_site.Detach();
        DestroyWindow(m_siteWindow);
        DesktopTest::TearDown();
    }
    HWND m_siteWindow = nullptr;
    CWnd m_site;
    CJQWToolBar* m_bar = nullptr;
    SiteAnswer m_answer;
};

} // namespace

TEST_F(BarButtonsTest, SeparatorsStartGroupsAndTheSiteHearsOfEveryButton)
{
    const UINT ids[] = { 0, 1, 0, 2 };
    ASSERT_TRUE(JQWSetButtons(m_bar, ids, 4));
    ASSERT_EQ(m_bar->GetControlCount(), 2);
    EXPECT_TRUE(m_bar->GetControl(0)->GetBeginGroup()) << "a leading separator groups the first button";
    EXPECT_TRUE(m_bar->GetControl(1)->GetBeginGroup());
    EXPECT_EQ(m_bar->GetControl(1)->GetID(), 2);
    EXPECT_EQ(m_bar->GetControl(0)->GetType(), JQW_CONTROL_BUTTON);
    EXPECT_EQ(m_answer.created, (std::vector<UINT> { 1, 2 }));

    const UINT plain[] = { 1, 0, 2 };
    JQWSetButtons(m_bar, plain, 3);
    ASSERT_EQ(m_bar->GetControlCount(), 2);
    EXPECT_FALSE(m_bar->GetControl(0)->GetBeginGroup());
    EXPECT_TRUE(m_bar->GetControl(1)->GetBeginGroup());
}

TEST_F(BarButtonsTest, SiteMayChangeTheTypeOrGiveItsOwnControl)
{
    const UINT ids[] = { 5 };
    m_answer.reply = 1;
    m_answer.type = JQW_CONTROL_POPUP;
    JQWSetButtons(m_bar, ids, 1);
    ASSERT_EQ(m_bar->GetControlCount(), 1);
    EXPECT_EQ(m_bar->GetControl(0)->GetType(), JQW_CONTROL_POPUP);

    // A type asked for without answering non-zero is not taken.
    m_answer.reply = 0;
    JQWSetButtons(m_bar, ids, 1);
    EXPECT_EQ(m_bar->GetControl(0)->GetType(), JQW_CONTROL_BUTTON);

    m_answer.reply = 1;
    m_answer.type = 0;
    m_answer.ownControl = true;
    JQWSetButtons(m_bar, ids, 1);
    ASSERT_EQ(m_bar->GetControlCount(), 1);
    EXPECT_EQ(m_bar->GetControl(0)->GetType(), JQW_CONTROL_LABEL);
    EXPECT_EQ(m_bar->GetControl(0)->GetID(), 1005) << "the site's control under the record's id";
}

TEST_F(BarButtonsTest, IconsOfAnotherWidthSetTheBarsIconSize)
{
    static const bool added = platform::resources::RegisterProgramTable(CommandBarTestResources);
    ASSERT_TRUE(added);
    CJQWImageManager images;
    images.InternalAddRef(); // the bar releases its reference; the stack object stays
    m_bar->SetImageManager(&images);
    ASSERT_TRUE(m_bar->LoadToolBar(7001));
    ASSERT_EQ(m_bar->GetControlCount(), 2);
    EXPECT_TRUE(m_bar->GetControl(1)->GetBeginGroup());
    EXPECT_EQ(m_bar->GetIconSize(), CSize(24, 24));
    EXPECT_NE(images.GetImage(601, 24), nullptr);
    EXPECT_NE(images.GetImage(602, 24), nullptr);

    // Width 16 leaves the size automatic; a missing picture fails the load but keeps the buttons.
    m_bar->SetIconSize(CSize(0, 0));
    EXPECT_FALSE(m_bar->LoadToolBar(7002));
    EXPECT_EQ(m_bar->GetControlCount(), 1);
    EXPECT_TRUE(m_bar->GetControl(0)->GetBeginGroup());
    EXPECT_FALSE(m_bar->LoadToolBar(7003)) << "no such toolbar";
    m_bar->SetImageManager(nullptr);
}

TEST_F(BarButtonsTest, SmallQueriesOfABar)
{
    const UINT ids[] = { 1, 2, 1, 3 };
    JQWSetButtons(m_bar, ids, 4);
    CJQWControls* controls = m_bar->GetControls();
    EXPECT_EQ(JQWFindControlIndex(controls, m_bar->GetControl(0), 0), 0);
    EXPECT_EQ(JQWFindControlIndex(controls, m_bar->GetControl(0), 1), 2);
    EXPECT_EQ(JQWFindControlIndex(controls, m_bar->GetControl(0), 3), -1);
    m_bar->GetControl(1)->SetType(JQW_CONTROL_POPUP);
    CJQWControls other;
    CJQWControl* button2 = other.Add(JQW_CONTROL_BUTTON, 2);
    EXPECT_EQ(JQWFindControlIndex(controls, button2, 0), -1) << "same id, other type";

    EXPECT_EQ(JQWGetDefaultItem(m_bar), -1);
    m_bar->GetControl(3)->SetDefaultItem(TRUE);
    m_bar->GetControl(2)->SetDefaultItem(TRUE);
    m_bar->GetControl(2)->SetVisible(FALSE);
    EXPECT_EQ(JQWGetDefaultItem(m_bar), 3) << "hidden default items do not count";
    EXPECT_EQ(JQWGetDefaultItem(m_bar, TRUE), 3);

    EXPECT_FALSE(JQWIsBarShown(m_bar)) << "no window";
    ASSERT_TRUE(m_bar->CreateToolBarWindow(&m_site, FALSE));
    m_bar->MoveWindow(0, 0, 50, 20);
    EXPECT_FALSE(JQWIsBarShown(m_bar)) << "its site is hidden";
    ::ShowWindow(m_siteWindow, SW_SHOWNA);
    EXPECT_TRUE(JQWIsBarShown(m_bar));
    m_bar->MoveWindow(0, 0, 0, 20);
    EXPECT_FALSE(JQWIsBarShown(m_bar)) << "empty";
    m_bar->DestroyWindow();
}
