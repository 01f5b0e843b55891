// The open and save dialog through its real window: injected clicks, keys and typing in its own
// modal loop, message boxes answered by the recorder.

#include "ControlTestSupport.h"

#include "platform/controls/CommonDialogs.h"
#include "platform/testkit/CommonDialogs.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/testkit/PixelChecks.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class FileDialogTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        RegisterControlClasses();
        m_dir = fs::path(Folder()) / "pictures";
        fs::create_directories(m_dir);
        m_owner = CreateWindowExW(0, WC_STATICW, u"owner", WS_POPUP | WS_VISIBLE, 50, 50, 700, 500, nullptr, nullptr,
            nullptr, nullptr);
        Pump();
    }
    void TearDown() override
    {
        DestroyWindow(m_owner);
        DesktopTest::TearDown();
    }
    void Touch(const std::string& name) { std::ofstream(m_dir / name) << "x"; }
    std::u16string Dir() const { return Utf16(m_dir.string()); }
    static std::u16string Utf16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

    static HWND TheDialog(const WCHAR* title)
    {
        testkit::WindowQuery query;
        query.className = u"#32770";
        query.text = title;
        query.visibleOnly = true;
        return testkit::FindTopLevel(query);
    }
    static HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
    static POINT ListItem(HWND list, int index)
    {
        RECT r {};
        SendMessage(list, LB_GETITEMRECT, WPARAM(index), LPARAM(&r));
        return testkit::ClientPoint(list, r.left + 40, (r.top + r.bottom) / 2);
    }
    static std::vector<std::u16string> ListNames(HWND list)
    {
        std::vector<std::u16string> names;
        const int count = int(SendMessage(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            WCHAR text[512] {};
            SendMessage(list, LB_GETTEXT, WPARAM(i), LPARAM(text));
            names.push_back(text);
        }
        return names;
    }
    OPENFILENAMEW Record(WCHAR* buffer, DWORD size, DWORD flags, const WCHAR* filter = u"All Files (*.*)\0*.*\0")
    {
        OPENFILENAMEW ofn {};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = m_owner;
        ofn.lpstrFilter = filter;
        ofn.lpstrFile = buffer;
        ofn.nMaxFile = size;
        m_initialDir = Dir();
        ofn.lpstrInitialDir = m_initialDir.c_str();
        ofn.Flags = flags;
        return ofn;
    }

    fs::path m_dir;
    std::u16string m_initialDir;
    HWND m_owner = nullptr;
};

std::string LongName(int n)
{
    char number[8];
    std::snprintf(number, sizeof(number), "%03d", n);
    return "photograph_of_the_northern_coast_in_late_autumn_light_with_heavy_clouds_over_the_sea_" + std::string(number)
        + ".png";
}

TEST_F(FileDialogTest, ThreeOfThreeHundredFilesWithoutABufferLimit)
{
    for (int i = 0; i < 300; ++i)
        Touch(LongName(i));
    fs::create_directories(m_dir / "album");

    // Picks folder "album" (shown first), then three files with the mouse: a click and two
    // Ctrl+clicks, then Open.
    auto pickThree = [this] {
        Idle().Then([&] {
            HWND dialog = TheDialog(u"Open");
            ASSERT_TRUE(dialog) << testkit::DescribeTree();
            HWND list = Item(dialog, kFileDialogList);
            const auto names = ListNames(list);
            ASSERT_EQ(names.size(), 301u);
            EXPECT_EQ(names[0], u"album") << "folders come first";
            testkit::Click(ListItem(list, 1));
            testkit::KeyDown(VK_CONTROL);
            testkit::Click(ListItem(list, 3));
            testkit::Click(ListItem(list, 5));
            testkit::KeyUp(VK_CONTROL);
        });
        Idle().Then([&] {
            HWND dialog = TheDialog(u"Open");
            EXPECT_EQ(SendMessage(Item(dialog, kFileDialogList), LB_GETSELCOUNT, 0, 0), 3);
            EXPECT_EQ(testkit::TextOf(Item(dialog, kFileDialogNameEdit)),
                u"\"" + Utf16(LongName(0)) + u"\" \"" + Utf16(LongName(2)) + u"\" \"" + Utf16(LongName(4)) + u"\"");
            testkit::Click(testkit::Center(Item(dialog, IDOK)));
        });
    };

    // A caller's buffer of 260 characters is too short: the size needed is reported.
    WCHAR small[260] {};
    OPENFILENAMEW ofn = Record(small, 260, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING);
    pickThree();
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
    const size_t needed = Dir().size() + 1 + 3 * (LongName(0).size() + 1) + 1;
    EXPECT_EQ(*reinterpret_cast<WORD*>(small), needed);

    // A long enough buffer gets the folder, the names and a double terminator.
    std::vector<WCHAR> big(4096);
    ofn = Record(big.data(), DWORD(big.size()), OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_EXPLORER);
    pickThree();
    ASSERT_TRUE(GetOpenFileNameW(&ofn));
    const WCHAR* at = big.data();
    std::vector<std::u16string> parts;
    while (*at) {
        parts.emplace_back(at);
        at += parts.back().size() + 1;
    }
    EXPECT_EQ(parts, (std::vector<std::u16string> { Dir(), Utf16(LongName(0)), Utf16(LongName(2)), Utf16(LongName(4)) }));
    EXPECT_EQ(ofn.nFileOffset, Dir().size() + 1);

    // The layer's own entry has no limit at all.
    ofn = Record(small, 260, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_EXPLORER);
    platform::controls::FileDialogResult result;
    pickThree();
    EXPECT_FALSE(platform::controls::RunFileDialog(&ofn, false, &result));
    ASSERT_EQ(result.paths.size(), 3u);
    EXPECT_EQ(result.paths[2], Dir() + u"/" + Utf16(LongName(4)));
    EXPECT_EQ(Idle().Pending(), 0u);
    EXPECT_TRUE(IsWindowEnabled(m_owner));
}

TEST_F(FileDialogTest, SavingOverAFileAsksFirst)
{
    Touch("stack.stack");
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDNO);
    boxes.AnswerNext(IDYES);
    WCHAR buffer[260] {};
    OPENFILENAMEW ofn = Record(buffer, 260, OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING,
        u"Vornalt Files (*.stack)\0*.stack\0All Files (*.*)\0*.*\0");
    ofn.lpstrDefExt = u"stack";
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Save As");
        ASSERT_TRUE(dialog);
        EXPECT_EQ(testkit::TextOf(Item(dialog, IDOK)), u"&Save");
        EXPECT_EQ(GetFocus(), Item(dialog, kFileDialogNameEdit));
        testkit::TypeText(u"stack");
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        // "No": the dialog stays, the name still there.
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_TRUE(TheDialog(u"Save As"));
        testkit::Key(VK_RETURN);
    });
    ASSERT_TRUE(GetSaveFileNameW(&ofn));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"stack.stack already exists.\nDo you want to replace it?");
    EXPECT_EQ(boxes.Boxes()[0].caption, u"Save As");
    EXPECT_EQ(boxes.Boxes()[0].result, IDNO);
    EXPECT_EQ(boxes.Boxes()[1].result, IDYES);
    EXPECT_EQ(std::u16string(buffer), Dir() + u"/stack.stack") << "the default extension was added";
    EXPECT_EQ(ofn.nFileExtension, Dir().size() + 7);

    // A new name is saved without a question.
    Idle().Then([&] {
        ASSERT_TRUE(testkit::FileDialogOnScreen());
        testkit::PickFile(u"other.stack");
    });
    ofn = Record(buffer, 260, OFN_OVERWRITEPROMPT | OFN_EXPLORER);
    ASSERT_TRUE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(std::u16string(buffer), Dir() + u"/other.stack");
}

TEST_F(FileDialogTest, AFilterSwitchAndTypedPaths)
{
    Touch("a.png");
    Touch("b.PNG");
    Touch("notes.txt");
    Touch("c.jpg");
    fs::create_directories(m_dir / "sub");
    Touch("sub/inner.txt");
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    WCHAR buffer[260] {};
    OPENFILENAMEW ofn = Record(buffer, 260, OFN_FILEMUSTEXIST | OFN_EXPLORER,
        u"Image Files\0*.jpg;*.bmp;*.png;*.gif\0Text\0*.txt\0All Files (*.*)\0*.*\0");
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        ASSERT_TRUE(dialog);
        EXPECT_EQ(ListNames(Item(dialog, kFileDialogList)), (std::vector<std::u16string> { u"sub", u"a.png", u"b.PNG", u"c.jpg" }));
        // The type combo from the keyboard: Tab to it is long, a click and a choice is direct.
        HWND types = Item(dialog, kFileDialogTypeCombo);
        testkit::Click(testkit::Center(types));
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        HWND types = Item(dialog, kFileDialogTypeCombo);
        EXPECT_TRUE(SendMessage(types, CB_GETDROPPEDSTATE, 0, 0));
        testkit::Key(VK_DOWN);
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        EXPECT_EQ(ListNames(Item(dialog, kFileDialogList)), (std::vector<std::u16string> { u"sub", u"notes.txt" }));
        // A missing name is refused with a message; a typed folder path opens the folder.
        testkit::Click(testkit::Center(Item(dialog, kFileDialogNameEdit)));
        testkit::TypeText(u"missing.txt");
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, u"missing.txt\nFile not found.\nCheck the file name and try again.");
        HWND dialog = TheDialog(u"Open");
        SetFocus(Item(dialog, kFileDialogNameEdit));
        SendMessage(Item(dialog, kFileDialogNameEdit), EM_SETSEL, 0, -1);
        testkit::TypeText(Dir() + u"/sub/");
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        EXPECT_EQ(ListNames(Item(dialog, kFileDialogList)), (std::vector<std::u16string> { u"inner.txt" }));
        EXPECT_EQ(testkit::TextOf(Item(dialog, kFileDialogNameEdit)), u"");
        // A double click chooses the file.
        testkit::DoubleClick(ListItem(Item(dialog, kFileDialogList), 0));
    });
    ASSERT_TRUE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(std::u16string(buffer), Dir() + u"/sub/inner.txt");
    EXPECT_EQ(ofn.nFilterIndex, 2u);

    // Cancel: FALSE and no error.
    Idle().Then([&] { testkit::Key(VK_ESCAPE); });
    ofn = Record(buffer, 260, OFN_EXPLORER);
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(FileDialogTest, UpGoesToTheParentFolder)
{
    fs::create_directories(m_dir / "deeper");
    WCHAR buffer[260] {};
    OPENFILENAMEW ofn = Record(buffer, 260, OFN_EXPLORER);
    m_initialDir = Dir() + u"/deeper";
    ofn.lpstrInitialDir = m_initialDir.c_str();
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        EXPECT_TRUE(ListNames(Item(dialog, kFileDialogList)).empty());
        testkit::Click(testkit::Center(Item(dialog, kFileDialogUpButton)));
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        EXPECT_EQ(ListNames(Item(dialog, kFileDialogList)), std::vector<std::u16string> { u"deeper" });
        std::u16string shown = testkit::TextOf(Item(dialog, kFileDialogFolderCombo));
        shown.erase(0, shown.find_first_not_of(u' '));
        EXPECT_EQ(shown, u"pictures") << "the folder's name, indented by its depth";
        // Enter on a folder in the list opens it.
        testkit::Click(ListItem(Item(dialog, kFileDialogList), 0));
        testkit::Key(VK_RETURN);
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        EXPECT_TRUE(ListNames(Item(dialog, kFileDialogList)).empty());
        EXPECT_EQ(testkit::TextOf(Item(dialog, kFileDialogFolderCombo)), u"deeper");
        testkit::Click(testkit::Center(Item(dialog, IDCANCEL)));
    });
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
}

TEST_F(FileDialogTest, Golden)
{
    fs::create_directories(m_dir / "album");
    fs::create_directories(m_dir / "holidays");
    for (const char* name : { "beach.png", "harbour.jpg", "lighthouse.png", "notes.txt" })
        Touch(name);
    WCHAR buffer[260] = u"harbour.jpg";
    OPENFILENAMEW ofn = Record(buffer, 260, OFN_EXPLORER, u"Image Files\0*.jpg;*.png\0All Files (*.*)\0*.*\0");
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        ASSERT_TRUE(dialog);
        testkit::Click(ListItem(Item(dialog, kFileDialogList), 3));
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        // The folder's own path varies with the machine: the combo shows only its name.
        EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(dialog),
            std::string(VORNALT_TEST_DATA_DIR) + "/file_dialog.png", testkit::Tolerance { 48, 60 }));
        testkit::Key(VK_ESCAPE);
    });
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
}

} // namespace

namespace {

TEST_F(FileDialogTest, ASizableDialogGivesTheListTheNewRoom)
{
    Touch("a.png");
    WCHAR buffer[260] {};
    OPENFILENAMEW ofn = Record(buffer, 260, OFN_EXPLORER | OFN_ENABLESIZING);
    RECT listBefore {}, okBefore {}, windowBefore {};
    auto inDialog = [](HWND dialog, HWND child) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(GetWindowLongW(dialog, GWL_STYLE) & WS_THICKFRAME);
        listBefore = inDialog(dialog, Item(dialog, kFileDialogList));
        okBefore = inDialog(dialog, Item(dialog, IDOK));
        GetWindowRect(dialog, &windowBefore);
        // The user drags the bottom-right corner of the frame.
        const POINT corner { windowBefore.right - 2, windowBefore.bottom - 2 };
        testkit::Drag(corner, POINT { corner.x + 100, corner.y + 60 }, 4);
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        RECT window;
        GetWindowRect(dialog, &window);
        EXPECT_EQ(window.right - window.left, windowBefore.right - windowBefore.left + 100);
        const RECT list = inDialog(dialog, Item(dialog, kFileDialogList));
        EXPECT_EQ(list.right - list.left, listBefore.right - listBefore.left + 100);
        EXPECT_EQ(list.bottom - list.top, listBefore.bottom - listBefore.top + 60);
        const RECT ok = inDialog(dialog, Item(dialog, IDOK));
        EXPECT_EQ(ok.left, okBefore.left + 100);
        EXPECT_EQ(ok.top, okBefore.top + 60);
        // Not smaller than it started.
        const POINT corner { window.right - 2, window.bottom - 2 };
        testkit::Drag(corner, POINT { corner.x - 300, corner.y - 300 }, 4);
    });
    Idle().Then([&] {
        HWND dialog = TheDialog(u"Open");
        RECT window;
        GetWindowRect(dialog, &window);
        EXPECT_EQ(window.right - window.left, windowBefore.right - windowBefore.left);
        EXPECT_EQ(window.bottom - window.top, windowBefore.bottom - windowBefore.top);
        testkit::Key(VK_ESCAPE);
    });
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
}

} // namespace
