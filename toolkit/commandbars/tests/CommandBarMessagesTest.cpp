#include "toolkit/commandbars/CommandBarMessages.h"

#include <gtest/gtest.h>

#include <cstddef>

// Other subsystems answer these by number; a renumbering would silently break them.
TEST(CommandBarMessagesTest, NumbersAreFixed)
{
    struct Case { UINT value; UINT expected; };
    const Case cases[] = {
        { JQWM_TOOLBAR_VISIBLE, 0x2855 }, { JQWM_CONTROL_SELECTED, 0x2856 },
        { JQWM_CUSTOMIZE_SELECTION, 0x2857 }, { JQWM_MENUBAR_TRACKING, 0x2858 },
        { JQWM_CONTROL_RBUTTONUP, 0x2859 }, { JQWM_TRACKING_KEYDOWN, 0x285A },
        { JQWM_CUSTOMIZE_POPUP_SHOWN, 0x285B }, { JQWM_TOOLBARS_CONTEXT_MENU, 0x285C },
        { JQWM_POPUP_CLOSED, 0x285D }, { JQWM_CREATE_CONTROL, 0x285E },
        { JQWM_CONTROL_CREATED, 0x285F }, { JQWM_GET_MDI_ICON, 0x2860 },
        { JQWM_CREATE_COMMANDBAR, 0x2861 }, { JQWM_CONTROL_NOTIFY, 0x2862 },
        { JQWM_TOOLBAR_RESET, 0x2864 }, { JQWM_CUSTOM_TOOLBAR_CREATED, 0x2865 },
        { JQWM_CUSTOM_TOOLBAR_DELETING, 0x2866 }, { JQWM_POPUP_TORN_OFF, 0x2867 },
        { JQWM_COMBO_AUTOCOMPLETE, 0x2872 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value, c.expected);
}

TEST(CommandBarMessagesTest, RecordsStartEmptyAndNotifyHeaderComesFirst)
{
    JQW_COMMANDBAR_CREATE_RECORD bar;
    EXPECT_EQ(bar.commandBar, nullptr);
    EXPECT_FALSE(bar.popup || bar.expand || bar.toolBar || bar.floating);
    EXPECT_EQ(bar.caption, nullptr);
    EXPECT_EQ(bar.commandId, 0u);

    JQW_CONTROL_CREATE_RECORD control;
    EXPECT_EQ(control.control, nullptr);
    EXPECT_EQ(control.controlType, 1);
    EXPECT_EQ(control.buttonStyle, 0);

    EXPECT_EQ(offsetof(JQW_CONTROL_NOTIFY_RECORD, hwndFrom), 0u);
    EXPECT_LT(offsetof(JQW_CONTROL_NOTIFY_RECORD, idFrom), offsetof(JQW_CONTROL_NOTIFY_RECORD, code));
}
