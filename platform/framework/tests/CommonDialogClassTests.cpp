// The class library's common dialogs over the layer's real windows.

#include "platform/framework/CommonDialog.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

HWND TheDialog(const WCHAR* title)
{
    testkit::WindowQuery query;
    query.className = u"#32770";
    query.text = title;
    query.visibleOnly = true;
    return testkit::FindTopLevel(query);
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

class CommonDialogClassTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        RegisterControlClasses();
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 700, 500), nullptr, 0));
    }
    void TearDown() override
    {
        m_owner.DestroyWindow();
        DesktopTest::TearDown();
    }
    CWnd m_owner;
};

TEST_F(CommonDialogClassTest, ThreeOfThreeHundredLongNamesWithTheDefaultBuffer)
{
    const fs::path folder = fs::path(Folder()) / "sources";
    fs::create_directories(folder);
    auto name = [](int i) {
        return "scanned_page_of_the_old_family_album_with_handwritten_notes_in_the_margin_" + std::to_string(1000 + i)
            + ".png";
    };
    for (int i = 0; i < 300; ++i)
        std::ofstream(folder / name(i)) << "x";
    const std::u16string folderText = Wide(folder.string());

    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING,
        u"All Files (*.*)|*.*||", &m_owner);
    dialog.m_ofn.lpstrInitialDir = folderText.c_str();
    ASSERT_EQ(dialog.m_ofn.nMaxFile, MAX_PATH) << "the class library's default buffer";
    Idle().Then([&] {
        HWND window = TheDialog(u"Open");
        ASSERT_TRUE(window);
        HWND list = GetDlgItem(window, kFileDialogList);
        auto item = [&](int index) {
            RECT r {};
            SendMessage(list, LB_GETITEMRECT, WPARAM(index), LPARAM(&r));
            return testkit::ClientPoint(list, r.left + 30, (r.top + r.bottom) / 2);
        };
        testkit::Click(item(1));
        testkit::Key(VK_DOWN, testkit::Shift);
        testkit::Key(VK_DOWN, testkit::Shift);
        testkit::Key(VK_RETURN);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    std::vector<std::u16string> paths;
    for (POSITION at = dialog.GetStartPosition(); at;)
        paths.push_back(dialog.GetNextPathName(at).GetString());
    EXPECT_EQ(paths, (std::vector<std::u16string> { folderText + u"/" + Wide(name(1)), folderText + u"/" + Wide(name(2)),
                         folderText + u"/" + Wide(name(3)) }));
    EXPECT_EQ(dialog.GetPathName(), CString((folderText + u"/" + Wide(name(1))).c_str()));
    EXPECT_EQ(dialog.GetFileExt(), CString(u"png"));
}

TEST_F(CommonDialogClassTest, SaveAddsTheDefaultExtension)
{
    const std::u16string folder = Wide(Folder());
    CFileDialog dialog(FALSE, u".stack", u"mystack", OFN_OVERWRITEPROMPT | OFN_EXPLORER,
        u"Vornalt Files (*.stack)|*.stack|All Files (*.*)|*.*||", &m_owner);
    dialog.m_ofn.lpstrInitialDir = folder.c_str();
    Idle().Then([&] {
        HWND window = TheDialog(u"Save As");
        ASSERT_TRUE(window);
        EXPECT_EQ(testkit::TextOf(GetDlgItem(window, kFileDialogNameEdit)), u"mystack");
        EXPECT_EQ(testkit::TextOf(GetDlgItem(window, kFileDialogTypeCombo)), u"Vornalt Files (*.stack)");
        testkit::Key(VK_RETURN);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), CString((folder + u"/mystack.stack").c_str()));
    EXPECT_EQ(dialog.GetFileTitle(), CString(u"mystack"));
    EXPECT_EQ(dialog.GetFolderPath(), CString(folder.c_str()));

    Idle().Then([&] { testkit::Key(VK_ESCAPE); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.GetPathName(), CString());
}

TEST_F(CommonDialogClassTest, ColourAndFontKeepTheAnswer)
{
    CColorDialog colour(RGB(10, 20, 30), 0, &m_owner);
    EXPECT_TRUE(colour.m_cc.Flags & CC_RGBINIT);
    Idle().Then([&] { testkit::Key(VK_RETURN); });
    ASSERT_EQ(colour.DoModal(), IDOK);
    EXPECT_EQ(colour.GetColor(), RGB(10, 20, 30));
    Idle().Then([&] { testkit::Key(VK_ESCAPE); });
    EXPECT_EQ(colour.DoModal(), IDCANCEL);
    EXPECT_EQ(colour.GetColor(), RGB(10, 20, 30));

    LOGFONTW initial {};
    initial.lfHeight = -16;
    initial.lfWeight = FW_BOLD;
    initial.lfItalic = 1;
    HDC screen = GetDC(nullptr);
    LOGFONTW query {};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(
        screen, &query,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
            auto* out = reinterpret_cast<LOGFONTW*>(data);
            std::copy(std::begin(font->lfFaceName), std::end(font->lfFaceName), out->lfFaceName);
            return 0;
        },
        LPARAM(&initial), 0);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    CFontDialog font(&initial, CF_SCREENFONTS | CF_EFFECTS, nullptr, &m_owner);
    Idle().Then([&] {
        HWND window = TheDialog(u"Font");
        ASSERT_TRUE(window);
        testkit::Click(testkit::Center(GetDlgItem(window, IDOK)));
    });
    ASSERT_EQ(font.DoModal(), IDOK);
    LOGFONTW chosen {};
    font.GetCurrentFont(&chosen);
    EXPECT_EQ(font.GetFaceName(), CString(initial.lfFaceName));
    EXPECT_TRUE(font.IsBold());
    EXPECT_TRUE(font.IsItalic());
    EXPECT_FALSE(font.IsUnderline());
    EXPECT_EQ(font.GetSize(), 10 * ((16 * 72 + dpi / 2) / dpi));
}

} // namespace
