// A window hosted on a bar: its size with borders, its place, its life beyond the control, and a
// saved layout that may not pull an undeclared child of the site into a bar.
#include "toolkit/commandbars/ControlCustom.h"
#include "toolkit/commandbars/Controls.h"

#include "platform/base/Registry.h"
#include "toolkit/controls/persist/PropExchangeRegistry.h"

#include "FieldSite.h"

#include <gtest/gtest.h>

using fieldtest::FieldTest;

namespace {

class ControlCustomTest : public FieldTest {
protected:
    HWND MakeChildOfSite(int id)
    {
        HWND window = ::CreateWindowExW(0, u"STATIC", u"hosted", WS_POPUP, 0, 0, 10, 10, m_frame->GetSafeHwnd(), nullptr,
            nullptr, nullptr);
        if (id) {
            ::SetWindowLongW(window, GWL_STYLE, WS_CHILD | WS_VISIBLE);
            ::SetParent(window, m_frame->GetSafeHwnd());
            ::SetWindowLongPtrW(window, GWLP_ID, id);
        }
        DestroyAtEnd(window);
        return window;
    }
};

} // namespace

TEST_F(ControlCustomTest, WindowSitsInsideTheBordersAndOutlivesTheControl)
{
    RegisterControlClasses();
    auto* custom = dynamic_cast<CJQWControlCustom*>(m_toolBar->GetControls()->Add(JQW_CONTROL_CUSTOM, 7000));
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->GetType(), JQW_CONTROL_BUTTON) << "the factory's type only picks the class";
    const CSize buttonSize = custom->GetSize(nullptr);

    HWND window = MakeChildOfSite(0);
    custom->SetControl(window);
    custom->SetSize(CSize(100, 20));
    custom->SetBorders(CRect(2, 2, 2, 2));
    EXPECT_EQ(custom->GetSize(nullptr), CSize(104, 24));
    Layout();
    const CRect rect = custom->GetRect();
    EXPECT_EQ(rect.Size(), CSize(104, 24));
    EXPECT_EQ(::GetParent(window), m_toolBar->GetSafeHwnd());
    EXPECT_TRUE(::GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(::GetWindowLongW(window, GWL_STYLE) & WS_POPUP);
    CRect placed;
    ::GetWindowRect(window, &placed);
    m_toolBar->ScreenToClient(&placed);
    EXPECT_EQ(placed, CRect(rect.left + 2, rect.top + 2, rect.left + 102, rect.top + 22));
    EXPECT_TRUE(::IsWindowVisible(window));

    m_toolBar->GetControls()->Remove(custom);
    Pump();
    EXPECT_TRUE(::IsWindow(window)) << "the control never destroys the window";
    EXPECT_FALSE(::IsWindowVisible(window));

    auto* plain = dynamic_cast<CJQWControlCustom*>(m_toolBar->GetControls()->Add(JQW_CONTROL_CUSTOM, 7001));
    EXPECT_EQ(plain->GetSize(nullptr), buttonSize) << "without a window it is a button";
}

TEST_F(ControlCustomTest, ASavedLayoutAdoptsOnlyDeclaredWindows)
{
    RegisterControlClasses();
    HWND pane = MakeChildOfSite(4711);
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt Tests", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                  nullptr),
        ERROR_SUCCESS);
    auto* saved = dynamic_cast<CJQWControlCustom*>(m_toolBar->GetControls()->Add(JQW_CONTROL_CUSTOM, 7000));
    saved->SetSize(CSize(50, 20));
    {
        // A foreign layout naming a pane of the site.
        auto* store = new CJQWPropExchangeRegistry(FALSE, root, u"Custom");
        LONG id = 4711;
        saved->DoPropExchange(store);
        ExchangeLong(store, u"ControlId", id, 0);
        store->InternalRelease();
    }
    auto* loaded = dynamic_cast<CJQWControlCustom*>(m_toolBar->GetControls()->Add(JQW_CONTROL_CUSTOM, 7001));
    {
        auto* load = new CJQWPropExchangeRegistry(TRUE, root, u"Custom");
        loaded->DoPropExchange(load);
        load->InternalRelease();
    }
    EXPECT_EQ(loaded->GetControlId(), 4711u);
    EXPECT_EQ(loaded->GetControl(), nullptr) << "no custom control of the program declared 4711";

    saved->SetControlId(4711);
    {
        auto* load = new CJQWPropExchangeRegistry(TRUE, root, u"Custom");
        loaded->DoPropExchange(load);
        load->InternalRelease();
    }
    EXPECT_EQ(loaded->GetControl(), pane);
    RegCloseKey(root);
}
