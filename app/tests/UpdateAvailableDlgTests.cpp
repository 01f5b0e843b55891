#include "app/SettingsStore.h"
#include "app/update/UpdateAvailableDlg.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/user/ControlMessages.h"

#include <gtest/gtest.h>

namespace {

class UpdateAvailableDlgTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
    }
    static HWND Box() { return testkit::FindTopLevel({ nullptr, u"Update Available" }); }
};

} // namespace

TEST_F(UpdateAvailableDlgTest, ShowsTheChangesAsPlainTextAndSkipWithTheBoxWaitsAWeek)
{
    CSettingsStore settings;
    const double today = 46001.5;
    CUpdateAvailableDlg dlg(settings, today);
    dlg.m_strNewVersion = u"1.2.3.5";
    dlg.m_strCurrentVersion = u"1.2.3.4";
    dlg.m_strChanges = u"  <script>alert(1)</script>\nFaster & <b>safer</b>\n ";
    Idle().Then([] {
        HWND box = Box();
        ASSERT_NE(box, nullptr);
        HWND changes = ::GetDlgItem(box, IDC_UPDATE_CHANGES);
        EXPECT_EQ(testkit::TextOf(changes), u"<script>alert(1)</script>\r\nFaster & <b>safer</b>");
        EXPECT_TRUE(::GetWindowLongPtrW(changes, GWL_STYLE) & ES_READONLY);
        EXPECT_EQ(testkit::TextOf(::GetDlgItem(box, IDC_UPDATE_NEWVERSION)), u"1.2.3.5");
        EXPECT_EQ(testkit::TextOf(::GetDlgItem(box, IDC_UPDATE_CURRENTVERSION)), u"1.2.3.4");
        testkit::Click(testkit::Center(::GetDlgItem(box, IDC_UPDATE_NOWEEKLYCHECK)));
    });
    Idle().Then([] { testkit::Click(testkit::Center(::GetDlgItem(Box(), IDCANCEL))); });
    EXPECT_EQ(dlg.DoModal(), IDNO);
    EXPECT_EQ(dlg.m_bNoWeeklyCheck, 1);
    EXPECT_DOUBLE_EQ(settings.GetNextUpdateCheck(), today + 7.0);

    // Download without the box: the next start checks again.
    CUpdateAvailableDlg again(settings, today + 1);
    Idle().Then([] { testkit::Click(testkit::Center(::GetDlgItem(Box(), IDOK))); });
    EXPECT_EQ(again.DoModal(), IDYES);
    EXPECT_DOUBLE_EQ(settings.GetNextUpdateCheck(), today + 1);
}
