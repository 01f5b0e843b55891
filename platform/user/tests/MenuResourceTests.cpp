#include "platform/user/Resources.h"

#include "PlatformUserTestResources.h"

#include "platform/base/LastError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string itemText(HMENU menu, int position)
{
    WCHAR buffer[64] {};
    int length = GetMenuStringW(menu, UINT(position), buffer, 64, MF_BYPOSITION);
    return std::u16string(buffer, std::size_t(length));
}

class MenuResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = platform::modules::Register(u"menu_resource_test_module", {});
        std::string message;
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, PlatformUserTestResources, &message)) << message;
    }
    void TearDown() override
    {
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"menu_resource_test_module");
    }
    HMODULE m_module = nullptr;
};

} // namespace

TEST_F(MenuResources, NestedPopupsSeparatorsFlagsAndIds)
{
    HMENU bar = LoadMenuW(m_module, MAKEINTRESOURCEW(IDR_EDITOR));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 3);

    struct Expected {
        HMENU menu;
        int position;
        std::u16string text;
        UINT id;
        UINT state;
        int subItems; // -1: no submenu
    };
    HMENU file = GetSubMenu(bar, 0);
    HMENU recent = GetSubMenu(file, 3);
    HMENU view = GetSubMenu(bar, 1);
    HMENU zoom = GetSubMenu(view, 1);
    ASSERT_TRUE(file && recent && view && zoom);
    const Expected items[] = {
        { bar, 0, u"&File", 0xFFFFFFFF, MF_POPUP, 5 },
        { bar, 1, u"&View", 0xFFFFFFFF, MF_POPUP | MF_MENUBREAK, 2 },
        { bar, 2, u"&About", ID_ABOUT, MF_RIGHTJUSTIFY, -1 },
        { file, 0, u"&New\tCtrl+N", ID_NEW, 0, -1 },
        { file, 1, u"&Open...", ID_OPEN, MF_GRAYED, -1 },
        { file, 2, u"", 0, MF_SEPARATOR, -1 },
        { file, 3, u"Recent", 0xFFFFFFFF, MF_POPUP, 2 },
        { file, 4, u"E&xit", ID_EXIT, 0, -1 },
        { recent, 0, u"a.png", ID_RECENT_A, MF_CHECKED, -1 },
        { recent, 1, u"b.png", ID_RECENT_B, MF_DISABLED, -1 },
        { view, 0, u"&Wrap", ID_WRAP, MF_CHECKED | MF_GRAYED, -1 },
        { view, 1, u"&Zoom", 0xFFFFFFFF, MF_POPUP, 2 },
        { zoom, 0, u"In", ID_ZOOM_IN, MF_MENUBARBREAK, -1 },
        { zoom, 1, u"Out", ID_ZOOM_OUT, 0, -1 },
    };
    for (const Expected& e : items) {
        SCOPED_TRACE(std::string(e.text.begin(), e.text.end()));
        EXPECT_EQ(itemText(e.menu, e.position), e.text);
        EXPECT_EQ(GetMenuItemID(e.menu, e.position), e.id);
        // An item that opens a submenu reports the submenu's item count in the second byte.
        const UINT state = e.subItems < 0 ? e.state : (UINT(e.subItems) << 8) | (e.state & 0xFF);
        EXPECT_EQ(GetMenuState(e.menu, UINT(e.position), MF_BYPOSITION), state);
        HMENU sub = GetSubMenu(e.menu, e.position);
        EXPECT_EQ(sub != nullptr, e.subItems >= 0);
        if (sub) {
            EXPECT_EQ(GetMenuItemCount(sub), e.subItems);
        }
    }
    // Items by command are found through the submenus.
    EXPECT_EQ(GetMenuState(bar, ID_ZOOM_IN, MF_BYCOMMAND), UINT(MF_MENUBARBREAK));

    // Each load is a menu of its own; destroying the bar takes its submenus with it.
    HMENU again = LoadMenuW(m_module, MAKEINTRESOURCEW(IDR_EDITOR));
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, bar);
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_FALSE(IsMenu(file));
    EXPECT_FALSE(IsMenu(zoom));
    EXPECT_EQ(GetMenuItemCount(again), 3);
    EXPECT_TRUE(DestroyMenu(again));
}

TEST_F(MenuResources, MissingMenusAndDamagedTablesFail)
{
    SetLastError(0);
    EXPECT_EQ(LoadMenuW(m_module, MAKEINTRESOURCEW(IDR_EDITOR + 100)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(LoadMenuW(m_module, u"NO_SUCH_MENU"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);

    using platform::resources::kMenuItemEnd;
    using platform::resources::ResMenu;
    using platform::resources::ResMenuItem;
    // A popup whose level never ends, a top level that never ends, items after the last level.
    const ResMenuItem unfinishedPopup[] = { { MF_POPUP | kMenuItemEnd, 0, u"A" }, { 0, 1, u"x" } };
    const ResMenuItem unfinishedTop[] = { { 0, 1, u"x" }, { 0, 2, u"y" } };
    const ResMenuItem trailing[] = { { kMenuItemEnd, 1, u"x" }, { kMenuItemEnd, 2, u"y" } };
    const ResMenu damaged[] = {
        { platform::resources::kMenuTag, 2, unfinishedPopup },
        { platform::resources::kMenuTag, 2, unfinishedTop },
        { platform::resources::kMenuTag, 2, trailing },
        { platform::resources::kMenuTag, 0, trailing },
        { platform::resources::kDialogTag, 1, trailing },
    };
    for (const ResMenu& table : damaged) {
        SetLastError(0);
        EXPECT_EQ(LoadMenuIndirectW(&table), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    }
    EXPECT_EQ(LoadMenuIndirectW(nullptr), nullptr);

    const ResMenuItem one[] = { { MF_GRAYED | kMenuItemEnd, 7, u"x" } };
    const ResMenu good { platform::resources::kMenuTag, 1, one };
    HMENU menu = LoadMenuIndirectW(&good);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuState(menu, 7, MF_BYCOMMAND), UINT(MF_GRAYED));
    DestroyMenu(menu);
}
