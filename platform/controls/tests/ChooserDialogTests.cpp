// The colour, font and folder dialogs through their real windows, driven by injected input.

#include "ControlTestSupport.h"

#include "platform/controls/CommonDialogs.h"
#include "platform/testkit/CommonDialogs.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/testkit/PixelChecks.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

namespace {

namespace fs = std::filesystem;

class ChooserTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        RegisterControlClasses();
        m_owner = CreateWindowExW(0, WC_STATICW, u"owner", WS_POPUP | WS_VISIBLE, 50, 50, 700, 500, nullptr, nullptr,
            nullptr, nullptr);
        Pump();
    }
    void TearDown() override
    {
        DestroyWindow(m_owner);
        DesktopTest::TearDown();
    }
    static HWND TheDialog(const WCHAR* title)
    {
        testkit::WindowQuery query;
        query.className = u"#32770";
        query.text = title;
        query.visibleOnly = true;
        return testkit::FindTopLevel(query);
    }
    // Replaces an edit's text the way a user does: click, select all with Shift+End, type.
    static void Retype(HWND edit, const std::u16string& text)
    {
        testkit::Click(testkit::Center(edit));
        testkit::Key(VK_HOME);
        testkit::Key(VK_END, testkit::Shift);
        testkit::TypeText(text);
    }
    HWND m_owner = nullptr;
};

// ---- Colour ----------------------------------------------------------------------------------

TEST_F(ChooserTest, ColourStartsFromTheCallersValueAndReturnsTheChoice)
{
    COLORREF custom[16];
    std::fill(std::begin(custom), std::end(custom), RGB(255, 255, 255));
    CHOOSECOLORW cc {};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = m_owner;
    cc.rgbResult = RGB(12, 34, 56);
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Color");
        ASSERT_TRUE(dialog) << testkit::DescribeTree();
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kColorDialogRed)), u"12");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kColorDialogGreen)), u"34");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kColorDialogBlue)), u"56");
        EXPECT_EQ(testkit::ClientPixel(GetDlgItem(dialog, kColorDialogPreview), 20, 20), RGB(12, 34, 56));
        EXPECT_FALSE(IsWindowEnabled(m_owner)) << "modal to its owner";
        // A basic swatch, then a typed blue.
        testkit::Click(testkit::Center(GetDlgItem(dialog, kColorDialogFirstBasic + 8)));
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Color");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kColorDialogRed)), u"255");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kColorDialogBlue)), u"0");
        Retype(GetDlgItem(dialog, kColorDialogBlue), u"128");
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Color");
        EXPECT_EQ(testkit::ClientPixel(GetDlgItem(dialog, kColorDialogPreview), 20, 20), RGB(255, 0, 128));
        testkit::Click(testkit::Center(GetDlgItem(dialog, kColorDialogAddCustom)));
        testkit::Click(testkit::Center(GetDlgItem(dialog, IDOK)));
    });
    ASSERT_TRUE(ChooseColorW(&cc));
    EXPECT_EQ(cc.rgbResult, RGB(255, 0, 128));
    EXPECT_EQ(custom[0], RGB(255, 0, 128));
    EXPECT_EQ(custom[1], RGB(255, 255, 255));
    EXPECT_TRUE(IsWindowEnabled(m_owner));

    // The kit's helper types the values.
    Idle().Then([&] { testkit::PickColor(RGB(7, 8, 9)); });
    ASSERT_TRUE(ChooseColorW(&cc));
    EXPECT_EQ(cc.rgbResult, RGB(7, 8, 9));

    // Cancel leaves the colour alone.
    Idle().Then([&] { testkit::Key(VK_ESCAPE); });
    cc.rgbResult = RGB(1, 2, 3);
    EXPECT_FALSE(ChooseColorW(&cc));
    EXPECT_EQ(cc.rgbResult, RGB(1, 2, 3));
    EXPECT_EQ(CommDlgExtendedError(), 0u);

    cc.lStructSize = 4;
    EXPECT_FALSE(ChooseColorW(&cc));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
}

// ---- Font ------------------------------------------------------------------------------------

int Collect(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data)
{
    reinterpret_cast<std::set<std::u16string>*>(data)->insert(font->lfFaceName);
    return 1;
}

TEST_F(ChooserTest, FontReturnsTheLogfont)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    std::set<std::u16string> faces;
    LOGFONTW query {};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(screen, &query, Collect, LPARAM(&faces), 0);
    ReleaseDC(nullptr, screen);
    ASSERT_GE(faces.size(), 2u);
    const std::u16string face = *std::next(faces.begin());

    LOGFONTW font {};
    font.lfHeight = -((10 * dpi + 36) / 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    std::copy(face.begin(), face.end(), font.lfFaceName);
    CHOOSEFONTW cf {};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = m_owner;
    cf.lpLogFont = &font;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_NOSCRIPTSEL;
    cf.rgbColors = RGB(128, 0, 0);
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Font");
        ASSERT_TRUE(dialog);
        HWND families = GetDlgItem(dialog, kFontDialogFamily);
        WCHAR selected[64] {};
        SendMessage(families, LB_GETTEXT, SendMessage(families, LB_GETCURSEL, 0, 0), LPARAM(selected));
        EXPECT_EQ(std::u16string(selected), face);
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kFontDialogSize)), u"10");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kFontDialogColor)), u"Maroon");
        HWND styles = GetDlgItem(dialog, kFontDialogStyle);
        RECT boldItalic {};
        SendMessage(styles, LB_GETITEMRECT, 3, LPARAM(&boldItalic));
        testkit::Click(testkit::ClientPoint(styles, boldItalic.left + 10, (boldItalic.top + boldItalic.bottom) / 2));
        Retype(GetDlgItem(GetDlgItem(dialog, kFontDialogSize), 1001), u"14");
        testkit::Click(testkit::Center(GetDlgItem(dialog, kFontDialogUnderline)));
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Font");
        EXPECT_EQ(IsDlgButtonChecked(dialog, kFontDialogUnderline), BST_CHECKED);
        testkit::Click(testkit::Center(GetDlgItem(dialog, IDOK)));
    });
    ASSERT_TRUE(ChooseFontW(&cf));
    EXPECT_EQ(std::u16string(font.lfFaceName), face);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfItalic, 1);
    EXPECT_EQ(font.lfUnderline, 1);
    EXPECT_EQ(font.lfStrikeOut, 0);
    EXPECT_EQ(font.lfHeight, -((14 * dpi + 36) / 72));
    EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(cf.iPointSize, 140);
    EXPECT_EQ(cf.rgbColors, RGB(128, 0, 0));
    EXPECT_EQ(cf.nFontType & (BOLD_FONTTYPE | ITALIC_FONTTYPE), BOLD_FONTTYPE | ITALIC_FONTTYPE);
}

TEST_F(ChooserTest, AFontSizeThatIsNoNumberIsRefused)
{
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    LOGFONTW font {};
    CHOOSEFONTW cf {};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = m_owner;
    cf.lpLogFont = &font;
    cf.Flags = CF_SCREENFONTS;
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Font");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kFontDialogUnderline))) << "no effects asked for";
        Retype(GetDlgItem(GetDlgItem(dialog, kFontDialogSize), 1001), u"big");
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        testkit::Key(VK_ESCAPE);
    });
    EXPECT_FALSE(ChooseFontW(&cf));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"Size must be a number.");
}

// ---- Folder ----------------------------------------------------------------------------------

class ScopedHome {
public:
    explicit ScopedHome(const std::string& home)
    {
        if (const char* old = std::getenv("HOME"))
            m_old = old;
        setenv("HOME", home.c_str(), 1);
    }
    ~ScopedHome()
    {
        if (m_old)
            setenv("HOME", m_old->c_str(), 1);
        else
            unsetenv("HOME");
    }

private:
    std::optional<std::string> m_old;
};

struct Browse {
    std::vector<std::u16string> changes;
    std::u16string initial;
};

int BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data)
{
    auto* browse = reinterpret_cast<Browse*>(data);
    if (message == BFFM_INITIALIZED && !browse->initial.empty())
        SendMessage(window, BFFM_SETSELECTIONW, TRUE, LPARAM(browse->initial.c_str()));
    if (message == BFFM_SELCHANGED) {
        WCHAR path[MAX_PATH] {};
        SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path);
        browse->changes.push_back(path);
    }
    return 0;
}

TEST_F(ChooserTest, FolderReturnsAPathAndNullOnCancel)
{
    const fs::path home = fs::path(Folder()) / "home";
    fs::create_directories(home / "Pictures" / "2026");
    fs::create_directories(home / "Pictures" / "older");
    fs::create_directories(home / "Documents");
    ScopedHome scoped(home.string());
    const std::string homeUtf8 = home.string();
    const std::u16string homeText(homeUtf8.begin(), homeUtf8.end());

    Browse browse;
    browse.initial = homeText + u"/Pictures";
    WCHAR name[MAX_PATH] {};
    BROWSEINFOW info {};
    info.hwndOwner = m_owner;
    info.pszDisplayName = name;
    info.lpszTitle = u"Choose the output folder";
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    info.lpfn = BrowseCallback;
    info.lParam = LPARAM(&browse);
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Browse For Folder");
        ASSERT_TRUE(dialog);
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kFolderDialogTitle)), u"Choose the output folder");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kFolderDialogEdit)), u"Pictures") << "selected by the callback";
        // Right opens the folder, Down goes to its first sub-folder, Enter chooses it.
        testkit::Key(VK_RIGHT);
        testkit::Key(VK_DOWN);
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Browse For Folder");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kFolderDialogEdit)), u"2026");
        testkit::Key(VK_RETURN);
    });
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
    ASSERT_TRUE(list);
    WCHAR path[MAX_PATH] {};
    ASSERT_TRUE(SHGetPathFromIDListW(list, path));
    CoTaskMemFree(list);
    EXPECT_EQ(std::u16string(path), homeText + u"/Pictures/2026");
    EXPECT_EQ(std::u16string(name), u"2026");
    ASSERT_FALSE(browse.changes.empty());
    EXPECT_EQ(browse.changes.back(), homeText + u"/Pictures/2026");

    // A typed path is taken when it names a folder; a typed name that names none is refused.
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    browse.initial.clear();
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Browse For Folder");
        Retype(GetDlgItem(dialog, kFolderDialogEdit), u"Nowhere");
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Browse For Folder");
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kFolderDialogEdit));
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        HWND dialog = TheDialog(u"Browse For Folder");
        // After a box answered by the recorder (which posts the button's mouse messages), the
        // first injected click into the edit did not leave the focus there; Retype clicks
        // again.
        testkit::Click(testkit::Center(GetDlgItem(dialog, kFolderDialogEdit)));
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Browse For Folder");
        Retype(GetDlgItem(dialog, kFolderDialogEdit), homeText + u"/Documents");
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Browse For Folder");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(dialog, kFolderDialogEdit)), homeText + u"/Documents");
        testkit::Click(testkit::Center(GetDlgItem(dialog, IDOK)));
    });
    list = SHBrowseForFolderW(&info);
    ASSERT_TRUE(list);
    SHGetPathFromIDListW(list, path);
    ILFree(list);
    EXPECT_EQ(std::u16string(path), homeText + u"/Documents");

    // The kit's helper types a path.
    Idle().Then([&] { testkit::PickFolder(homeText + u"/Pictures/older"); });
    list = SHBrowseForFolderW(&info);
    ASSERT_TRUE(list);
    SHGetPathFromIDListW(list, path);
    ILFree(list);
    EXPECT_EQ(std::u16string(path), homeText + u"/Pictures/older");

    // Cancel gives null.
    Idle().Then([&] { testkit::Click(testkit::Center(GetDlgItem(TheDialog(u"Browse For Folder"), IDCANCEL))); });
    EXPECT_EQ(SHBrowseForFolderW(&info), nullptr);
    EXPECT_TRUE(IsWindowEnabled(m_owner));
}

} // namespace
