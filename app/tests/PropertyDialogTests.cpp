// The actions' property dialogs on the headless desktop, driven by injected input through their
// own modal loops: every action's dialog opens from the action, shows its properties, writes
// them back on OK and leaves them on Cancel; the checks that keep a dialog open; the previews
// of the program folder's samples; the upload dialog's account list.

#include "app/SettingsStore.h"
#include "app/VornaltApp.h"
#include "app/properties/WindowedActionDialogs.h"
#include "engine/Action.h"
#include "engine/ActionRegistry.h"
#include "engine/ProgramData.h"
#include "engine/actions/ActionImageFrame.h"
#include "engine/actions/ActionImageSharpen.h"
#include "platform/base/RefCounted.h"
#include "platform/base/Unicode.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/Wnd.h"
#include "platform/testkit/CommonDialogs.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/testkit/PixelChecks.h"
#include "postprocess/PostProcessActions.h"
#include "postprocess/flickr/FlickrAccount.h"
#include "postprocess/flickr/FlickrClient.h"
#include "postprocess/flickr/tests/FlickrFake.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string N(std::u16string_view text) { return Utf16ToUtf8(text); }

class PropertyDialogTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        RegisterPostProcessActions();
        // Other tests of this program put stand-ins in place of some actions.
        SetActionFactory(u"builtin__sharpen", [] { return static_cast<CAction*>(new CActionImageSharpen); });
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_oldConfig = old ? old : "";
        m_hadConfig = old != nullptr;
        setenv("XDG_CONFIG_HOME", (fs::path(Folder()) / "config").c_str(), 1);
        // The program's store, read from this test's folder.
        GetAppSettings() = CSettingsStore();
        GetAppSettings().Load();
        InstallWindowedActionDialogs();
    }
    void TearDown() override
    {
        UninstallWindowedActionDialogs();
        GetAppSettings() = CSettingsStore();
        if (m_hadConfig)
            setenv("XDG_CONFIG_HOME", m_oldConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        DesktopTest::TearDown();
    }

    static RefPtr<CAction> Make(const char16_t* typeKey) { return RefPtr<CAction>::Adopt(CreateActionByType(typeKey)); }
    static std::u16string Property(CAction& action, const char16_t* name)
    {
        std::u16string value;
        action.GetPropertyString(name, value);
        return value;
    }
    static HWND Dialog(const char16_t* caption) { return testkit::FindTopLevel({ nullptr, caption }); }
    static HWND Item(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }
    static std::string Golden(const char* name) { return std::string(VORNALT_SOURCE_DIR) + "/app/tests/goldens/" + name; }
    static std::u16string TextOf(HWND dialog, int id) { return testkit::TextOf(Item(dialog, id)); }
    static bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(Item(dialog, id)) != FALSE; }

    // The steps below queue input for the dialog titled `caption`; each runs once the dialog's
    // loop has handled everything before it.
    void On(const char16_t* caption)
    {
        m_caption = caption;
        Idle().Then([caption] { ASSERT_NE(Dialog(caption), nullptr) << testkit::DescribeTree(); });
    }
    HWND Current() const { return Dialog(m_caption); }
    // Replaces an edit box's text the way a user does: click into it, select all, type.
    void Retype(int id, const std::u16string& text)
    {
        Press(id);
        Idle().Then([this, id, text] {
            HWND box = Item(Current(), id);
            ::SendMessageW(box, EM_SETSEL, 0, -1);
            if (text.empty())
                testkit::Key(VK_DELETE);
            else
                testkit::TypeText(text);
        });
    }
    void Press(int id)
    {
        Idle().Then([this, id] { testkit::Click(testkit::Center(Item(Current(), id))); });
    }
    // Focuses a list and presses a key in it.
    void KeyIn(int id, int key)
    {
        Idle().Then([this, id, key] {
            ::SendMessageW(Current(), WM_NEXTDLGCTL, WPARAM(Item(Current(), id)), TRUE);
            testkit::Key(key);
        });
    }
    void Check(std::function<void(HWND)> check)
    {
        Idle().Then([this, check] { check(Current()); });
    }
    static bool Run(CAction& action) { return action.EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr); }

    void StoreAccounts(const std::vector<CFlickrAccount>& accounts)
    {
        CSettingsStore& settings = GetAppSettings();
        settings.SaveFlickrAccounts(accounts);
        ASSERT_TRUE(settings.Save());
    }
    std::vector<CFlickrAccount> StoredAccounts()
    {
        CSettingsStore settings;
        settings.Load();
        std::vector<CFlickrAccount> accounts;
        settings.LoadFlickrAccounts(accounts);
        return accounts;
    }

private:
    const char16_t* m_caption = nullptr;
    std::string m_oldConfig;
    bool m_hadConfig = false;
};

enum class Change { Type, Click, NextEntry };

struct ActionCase {
    const char16_t* typeKey;
    const char16_t* caption;
    const char16_t* property;
    int control;
    Change change;
    const char16_t* shown;    // what the control shows at opening (null: not an edit box)
    const char16_t* typed;    // for Change::Type
    const char16_t* expected; // the property after OK
};

const ActionCase kActionCases[] = {
    { u"builtin__savefile", u"Properties: Save File", u"filenametemplate", 1016, Change::Type,
        u"%o_%m-%d-%y at %h-%i", u"%b_%o", u"%b_%o" },
    { u"builtin__resizeimage", u"Properties: Resize", u"width", 1042, Change::Type, u"300", u"321", u"321" },
    { u"builtin__rotateimage", u"Properties: Rotate", u"rotation", 1040, Change::Type, u"45", u"-30", u"-30" },
    { u"builtin__flip", u"Properties: Flip", u"fliptype", 1113, Change::Click, nullptr, nullptr, u"2" },
    { u"builtin__brightenimage", u"Properties: Brightness", u"brightness", 1072, Change::Type, u"300", u"-250", u"-250" },
    { u"builtin__contrastimage", u"Properties: Contrast", u"contrast", 1078, Change::Type, u"100", u"42", u"42" },
    { u"builtin__sharpen", u"Properties: Sharpness", u"sharpness", 1109, Change::Type, u"200", u"7", u"7" },
    { u"builtin__addborder", u"Properties: Border", u"thicknessbottom", 1062, Change::Type, u"1", u"4", u"4" },
    { u"builtin__cropimage", u"Properties: Crop", u"right", 1031, Change::Type, u"300", u"250", u"250" },
    { u"builtin__frame", u"Properties: Image Frame", u"frametype", 1161, Change::NextEntry, nullptr, nullptr, u"walnut" },
    { u"builtin__rrframe", u"Properties: Rounded Rect Frame", u"radius", 1067, Change::Type, u"10", u"25", u"25" },
    { u"builtin__shadow", u"Properties: Shadow", u"direction", 1061, Change::Click, nullptr, nullptr, u"2" },
    { u"builtin__watermark", u"Properties: Watermark", u"margin", 1046, Change::Type, u"50", u"12", u"12" },
    { u"builtin_zipall", u"Properties: Zip All", u"zippath", 1051, Change::Type, nullptr, u"out.zip", u"out.zip" },
    { u"builtin_imagegallery", u"Properties: Image Gallery", u"thumbsperpage", 1119, Change::Type, u"20", u"12", u"12" },
    { u"builtin_email", u"Properties: Email", u"smtp_host", 1151, Change::Type, u"", u"mail.example", u"mail.example" },
    { u"builtin_ftp", u"Properties: FTP", u"ftpport", 1053, Change::Type, u"21", u"2121", u"2121" },
    { u"builtin_flickr", u"Properties: Flickr", u"flickr_tags", 1139, Change::Type, u"", u"sea sky", u"sea sky" },
};

} // namespace


TEST_F(PropertyDialogTest, EveryActionsDialogShowsItsPropertiesWritesThemOnOkAndKeepsThemOnCancel)
{
    // The upload dialog needs an account to accept.
    CFlickrAccount account;
    account.authkey = u"72157-key";
    account.username = u"pelmar";
    StoreAccounts({ account });

    for (const ActionCase& c : kActionCases) {
        SCOPED_TRACE(N(c.typeKey));
        RefPtr<CAction> action = Make(c.typeKey);
        ASSERT_TRUE(action);
        if (std::u16string(c.typeKey) == u"builtin_flickr")
            action->SetPropertyString(u"flickr_authkey", account.authkey);
        const std::u16string before = Property(*action, c.property);
        ASSERT_NE(before, c.expected);

        auto change = [&] {
            switch (c.change) {
            case Change::Type:
                Retype(c.control, c.typed);
                break;
            case Change::Click:
                Press(c.control);
                break;
            case Change::NextEntry:
                KeyIn(c.control, VK_DOWN);
                break;
            }
        };

        // Cancel: the change is made on screen and dropped.
        On(c.caption);
        if (c.shown)
            Check([&](HWND dialog) { EXPECT_EQ(TextOf(dialog, c.control), c.shown); });
        change();
        Press(IDCANCEL);
        EXPECT_FALSE(Run(*action));
        EXPECT_EQ(Property(*action, c.property), before);

        On(c.caption);
        change();
        Press(IDOK);
        EXPECT_TRUE(Run(*action));
        EXPECT_EQ(Property(*action, c.property), c.expected);
        EXPECT_EQ(Dialog(c.caption), nullptr);
    }
}

TEST_F(PropertyDialogTest, BrightnessTypedBeyondTheRangeIsClampedAndMovesTheSlider)
{
    RefPtr<CAction> action = Make(u"builtin__brightenimage");
    On(u"Properties: Brightness");
    Retype(1072, u"5000");
    Check([](HWND dialog) {
        EXPECT_EQ(TextOf(dialog, 1072), u"1000");
        EXPECT_EQ(::SendMessageW(Item(dialog, 1008), TBM_GETPOS, 0, 0), 1000);
    });
    // The automatic box disables both while checked.
    Press(1116);
    Check([](HWND dialog) {
        EXPECT_FALSE(Enabled(dialog, 1008));
        EXPECT_FALSE(Enabled(dialog, 1072));
    });
    Press(1116);
    Press(IDOK);
    EXPECT_TRUE(Run(*action));
    EXPECT_EQ(Property(*action, u"brightness"), u"1000");

    // Stored as automatic, the level opens disabled.
    action->SetPropertyInt(u"autobright", 1);
    On(u"Properties: Brightness");
    Check([](HWND dialog) {
        EXPECT_EQ(::IsDlgButtonChecked(dialog, 1116), UINT(BST_CHECKED));
        EXPECT_FALSE(Enabled(dialog, 1008));
        EXPECT_FALSE(Enabled(dialog, 1072));
    });
    Press(IDCANCEL);
    EXPECT_FALSE(Run(*action));
}

TEST_F(PropertyDialogTest, SaveFileRefusesAMissingFolderAndAFormatWithoutPlaceholders)
{
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    boxes.AnswerNext(IDOK);
    RefPtr<CAction> action = Make(u"builtin__savefile");
    const std::u16string templateBefore = Property(*action, u"filenametemplate");
    const std::u16string missing = Utf8ToUtf16((fs::path(Folder()) / "nothere").string());
    On(u"Properties: Save File");
    Check([](HWND dialog) { EXPECT_FALSE(Enabled(dialog, 1012)); });
    Press(1013);
    Check([](HWND dialog) { EXPECT_TRUE(Enabled(dialog, 1012)); });
    Retype(1012, missing);
    Press(IDOK);
    Check([](HWND dialog) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(::GetFocus(), Item(dialog, 1012));
    });
    // A folder that exists passes; a fixed name would make every output replace the last.
    Retype(1012, Utf8ToUtf16(Folder()));
    Retype(1016, u"picture");
    Press(IDOK);
    Check([](HWND dialog) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(::GetFocus(), Item(dialog, 1017));
    });
    Press(IDCANCEL);
    EXPECT_FALSE(Run(*action));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"The folder given does not exist");
    EXPECT_EQ(boxes.Boxes()[1].text, u"You must enter at least one format specifier for the filename format");
    EXPECT_EQ(Property(*action, u"filenametemplate"), templateBefore);
    EXPECT_EQ(Property(*action, u"destfolder"), u"");
}

TEST_F(PropertyDialogTest, SaveFileKeepsTheNameAddsPlaceholdersAtTheCaretAndTakesTheQualityRange)
{
    RefPtr<CAction> action = Make(u"builtin__savefile");
    On(u"Properties: Save File");
    Retype(1016, u"pic %o");
    // "%y" goes in at the caret, between the word and "%o", with one space after it.
    Check([](HWND dialog) {
        ::SendMessageW(Item(dialog, 1016), EM_SETSEL, 4, 4);
        ::SendMessageW(Item(dialog, 1017), CB_SETCURSEL, 7, 0);
    });
    Press(1018);
    Check([](HWND dialog) {
        EXPECT_EQ(TextOf(dialog, 1016), u"pic %y %o");
        DWORD start = 0;
        DWORD end = 0;
        ::SendMessageW(Item(dialog, 1016), EM_GETSEL, WPARAM(&start), LPARAM(&end));
        EXPECT_EQ(start, 7u);
    });
    // PNG (the third type after the original): the slider runs 0..9 and its labels say so.
    KeyIn(1023, VK_DOWN);
    KeyIn(1023, VK_DOWN);
    KeyIn(1023, VK_DOWN);
    Check([](HWND dialog) {
        EXPECT_EQ(TextOf(dialog, 1023), u"PNG (png)");
        EXPECT_EQ(::SendMessageW(Item(dialog, 1096), TBM_GETRANGEMAX, 0, 0), 9);
        EXPECT_EQ(TextOf(dialog, 1098), u"Default Compression");
        EXPECT_TRUE(Enabled(dialog, 1098));
    });
    Press(1014);
    Check([](HWND dialog) {
        EXPECT_EQ(TextOf(dialog, 1016), u"%o");
        EXPECT_FALSE(Enabled(dialog, 1016));
    });
    Press(IDOK);
    EXPECT_TRUE(Run(*action));
    EXPECT_EQ(Property(*action, u"filenametemplate"), u"%o");
    EXPECT_EQ(Property(*action, u"destfiletype"), u"3");
}

TEST_F(PropertyDialogTest, FrameAndThemePreviewsShowTheProgramFoldersSamples)
{
    RefPtr<CAction> frame = Make(u"builtin__frame");
    testkit::Capture matte;
    On(u"Properties: Image Frame");
    Check([&](HWND dialog) {
        HWND preview = Item(dialog, 102);
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(testkit::TextOf(preview), u"Preview");
        RECT client {};
        ::GetClientRect(preview, &client);
        EXPECT_NE(testkit::ClientPixel(preview, client.right / 2, client.bottom / 2), RGB(255, 255, 255));
        matte = testkit::CaptureClient(preview);
    });
    // Another type shows another sample.
    KeyIn(1161, VK_UP);
    Check([&](HWND dialog) {
        EXPECT_EQ(TextOf(dialog, 1161), u"gold");
        EXPECT_FALSE(testkit::SamePixels(matte, testkit::CaptureClient(Item(dialog, 102))));
    });
    Press(IDOK);
    EXPECT_TRUE(Run(*frame));
    EXPECT_EQ(Property(*frame, u"frametype"), u"gold");

    RefPtr<CAction> gallery = Make(u"builtin_imagegallery");
    On(u"Properties: Image Gallery");
    Check([](HWND dialog) {
        EXPECT_EQ(TextOf(dialog, 1117), u"default");
        EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(dialog), Golden("property_gallery.png")));
    });
    Press(IDCANCEL);
    EXPECT_FALSE(Run(*gallery));
}

TEST_F(PropertyDialogTest, DialogsLookRight)
{
    struct Look {
        const char16_t* typeKey;
        const char16_t* caption;
        const char* golden;
    };
    const Look looks[] = {
        { u"builtin__resizeimage", u"Properties: Resize", "property_resize.png" },
        { u"builtin__savefile", u"Properties: Save File", "property_savefile.png" },
        { u"builtin__watermark", u"Properties: Watermark", "property_watermark.png" },
        { u"builtin_email", u"Properties: Email", "property_email.png" },
        { u"builtin__addborder", u"Properties: Border", "property_border.png" },
    };
    for (const Look& look : looks) {
        SCOPED_TRACE(look.golden);
        RefPtr<CAction> action = Make(look.typeKey);
        On(look.caption);
        Check([&](HWND dialog) {
            EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(dialog), Golden(look.golden)));
        });
        Press(IDCANCEL);
        EXPECT_FALSE(Run(*action));
    }
}

TEST_F(PropertyDialogTest, EnablingRulesFollowTheChecksAndRadios)
{
    RefPtr<CAction> email = Make(u"builtin_email");
    On(u"Properties: Email");
    Check([](HWND dialog) {
        EXPECT_FALSE(Enabled(dialog, 1148));
        EXPECT_FALSE(Enabled(dialog, 1149));
    });
    Press(1147);
    Check([](HWND dialog) {
        EXPECT_TRUE(Enabled(dialog, 1148));
        EXPECT_TRUE(Enabled(dialog, 1153));
    });
    Press(IDCANCEL);
    EXPECT_FALSE(Run(*email));

    RefPtr<CAction> border = Make(u"builtin__addborder");
    border->SetPropertyInt(u"thicknesstop", 2);
    On(u"Properties: Border");
    Check([](HWND dialog) {
        EXPECT_EQ(::IsDlgButtonChecked(dialog, 1045), UINT(BST_CHECKED));
        EXPECT_FALSE(Enabled(dialog, 1062));
        EXPECT_EQ(TextOf(dialog, 1064), u"2");
    });
    Retype(1067, u"8");
    Press(IDOK);
    EXPECT_TRUE(Run(*border));
    EXPECT_EQ(Property(*border, u"thicknessbottom"), u"8");
    EXPECT_EQ(Property(*border, u"thicknesstop"), u"2");

    RefPtr<CAction> crop = Make(u"builtin__cropimage");
    On(u"Properties: Crop");
    Check([](HWND dialog) { EXPECT_FALSE(Enabled(dialog, 1037)); });
    Press(1025);
    Retype(1027, u"200");
    Retype(1028, u"100");
    Check([](HWND dialog) {
        EXPECT_EQ(TextOf(dialog, 1029), u"0");
        EXPECT_EQ(TextOf(dialog, 1031), u"200");
        EXPECT_EQ(TextOf(dialog, 1032), u"100");
    });
    Press(IDOK);
    EXPECT_TRUE(Run(*crop));
    EXPECT_EQ(Property(*crop, u"right"), u"200");
    EXPECT_EQ(Property(*crop, u"bottom"), u"100");

    RefPtr<CAction> mark = Make(u"builtin__watermark");
    mark->SetPropertyInt(u"position", 4);
    On(u"Properties: Watermark");
    Check([](HWND dialog) {
        EXPECT_EQ(::IsDlgButtonChecked(dialog, 1086), UINT(BST_CHECKED));
        EXPECT_EQ(TextOf(dialog, 1089), u"Bottom Left");
        EXPECT_FALSE(Enabled(dialog, 1046));
    });
    Press(1085);
    Check([](HWND dialog) {
        EXPECT_TRUE(Enabled(dialog, 1046));
        EXPECT_FALSE(Enabled(dialog, 1089));
    });
    Press(IDOK);
    EXPECT_TRUE(Run(*mark));
    EXPECT_EQ(Property(*mark, u"position"), u"1");

    RefPtr<CAction> resize = Make(u"builtin__resizeimage");
    On(u"Properties: Resize");
    Check([](HWND dialog) {
        EXPECT_TRUE(Enabled(dialog, 1042));
        EXPECT_FALSE(Enabled(dialog, 1043));
    });
    Press(1045);
    Check([](HWND dialog) {
        EXPECT_FALSE(Enabled(dialog, 1042));
        EXPECT_TRUE(Enabled(dialog, 1043));
    });
    Press(IDOK);
    EXPECT_TRUE(Run(*resize));
    EXPECT_EQ(Property(*resize, u"aspectedge"), u"height");
}

TEST_F(PropertyDialogTest, RefusedValuesKeepTheDialogOpen)
{
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    boxes.AnswerNext(IDOK);
    RefPtr<CAction> ftp = Make(u"builtin_ftp");
    On(u"Properties: FTP");
    Retype(1053, u"-5");
    Press(IDOK);
    On(u"Properties: FTP");
    Press(IDCANCEL);
    EXPECT_FALSE(Run(*ftp));
    EXPECT_EQ(Property(*ftp, u"ftpport"), u"21");

    RefPtr<CAction> zip = Make(u"builtin_zipall");
    On(u"Properties: Zip All");
    Retype(1051, u"");
    Press(IDOK);
    On(u"Properties: Zip All");
    Check([](HWND dialog) { EXPECT_FALSE(Enabled(dialog, 1049)); });
    Press(IDCANCEL);
    EXPECT_FALSE(Run(*zip));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"Please enter a positive integer.");
    EXPECT_EQ(boxes.Boxes()[1].text, u"You must enter a zip file and path.");
}

TEST_F(PropertyDialogTest, UploadDialogSavesItsAccountListOnlyOnOk)
{
    CFlickrAccount first;
    first.authkey = u"key-1";
    first.username = u"first & <one>";
    first.fullname = u"A & <B>";
    CFlickrAccount second;
    second.authkey = u"key-2";
    second.username = u"second";
    StoreAccounts({ first, second });

    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    RefPtr<CAction> upload = Make(u"builtin_flickr");
    upload->SetPropertyString(u"flickr_authkey", u"key-2");
    // Deleting the chosen account and cancelling keeps both.
    On(u"Properties: Flickr");
    Check([](HWND dialog) {
        EXPECT_EQ(::SendMessageW(Item(dialog, 1134), LB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(::SendMessageW(Item(dialog, 1134), LB_GETCOUNT, 0, 0), 2);
    });
    Press(1136);
    Check([](HWND dialog) { EXPECT_EQ(::SendMessageW(Item(dialog, 1134), LB_GETCOUNT, 0, 0), 1); });
    Press(IDCANCEL);
    EXPECT_FALSE(Run(*upload));
    ASSERT_EQ(StoredAccounts().size(), 2u);

    // Deleting it and pressing OK without another choice is refused; choosing the first is taken.
    On(u"Properties: Flickr");
    Press(1136);
    Press(IDOK);
    Check([](HWND dialog) {
        ASSERT_NE(dialog, nullptr);
        HWND list = Item(dialog, 1134);
        RECT item {};
        ::SendMessageW(list, LB_GETITEMRECT, 0, LPARAM(&item));
        testkit::Click(testkit::ClientPoint(list, item.left + 5, (item.top + item.bottom) / 2));
    });
    Press(IDOK);
    EXPECT_TRUE(Run(*upload));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"You must first choose a Flickr account to which the images will be uploaded");
    EXPECT_EQ(Property(*upload, u"flickr_authkey"), u"key-1");
    const std::vector<CFlickrAccount> stored = StoredAccounts();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].username, u"first & <one>");
    EXPECT_EQ(stored[0].fullname, u"A & <B>");
}

TEST_F(PropertyDialogTest, AddAccountSignsInAndTheAccountIsStoredWithItsNamesWhole)
{
    using namespace flickrtest;
    ASSERT_GT(FakePort(), 0);
    ResetFake();
    ScriptFake({ { "fullname", "Pel & <Mar>" } });
    setenv(kFlickrEndpointVariable, ("127.0.0.1:" + std::to_string(FakePort())).c_str(), 1);
    SetAuthorizationPageOpener([](const std::u16string& address) { return FetchAddress(N(address)) == 200; });

    RefPtr<CAction> upload = Make(u"builtin_flickr");
    On(u"Properties: Flickr");
    Press(1135);
    Idle().Then([] { testkit::Click(testkit::Center(::GetDlgItem(Dialog(u"Dialog"), IDOK))); });
    Idle().Then([] { testkit::Click(testkit::Center(::GetDlgItem(Dialog(u"Dialog"), IDOK))); });
    Check([](HWND dialog) {
        ASSERT_EQ(Dialog(u"Dialog"), nullptr);
        HWND list = Item(dialog, 1134);
        ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
        RECT item {};
        ::SendMessageW(list, LB_GETITEMRECT, 0, LPARAM(&item));
        testkit::Click(testkit::ClientPoint(list, item.left + 5, (item.top + item.bottom) / 2));
    });
    Press(IDOK);
    EXPECT_TRUE(Run(*upload));
    SetAuthorizationPageOpener(nullptr);
    unsetenv(kFlickrEndpointVariable);

    const std::vector<CFlickrAccount> stored = StoredAccounts();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].username, u"pelmar");
    EXPECT_EQ(stored[0].fullname, u"Pel & <Mar>");
    EXPECT_EQ(stored[0].nsid, u"12037949754@N01");
    EXPECT_FALSE(stored[0].authkey.empty());
    EXPECT_EQ(Property(*upload, u"flickr_authkey"), stored[0].authkey);
}

TEST_F(PropertyDialogTest, ChooseColorPaintsTheSwatchAndWritesTheColour)
{
    RefPtr<CAction> rotate = Make(u"builtin__rotateimage");
    On(u"Properties: Rotate");
    Press(1038);
    Idle().Then([] { testkit::PickColor(RGB(10, 20, 30)); });
    Check([](HWND dialog) { EXPECT_EQ(testkit::ClientPixel(Item(dialog, 1037), 5, 5), RGB(10, 20, 30)); });
    Press(IDOK);
    EXPECT_TRUE(Run(*rotate));
    EXPECT_EQ(Property(*rotate, u"bgcolor"), Utf8ToUtf16(std::to_string(RGB(10, 20, 30))));
}
