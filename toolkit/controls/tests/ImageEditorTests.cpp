#include "toolkit/controls/customize/ImageEditor.h"
#include "toolkit/controls/customize/CustomizeSheet.h"

#include "platform/controls/CommonControls.h"
#include "platform/imaging/ImageFile.h"
#include "platform/shell/Clipboard.h"
#include "platform/testkit/CommonDialogs.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

class ImageEditorTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
    }

    // Runs the editor with `script` called on its first idle time; the script ends it.
    INT_PTR Run(CJQWImageEditorDlg& dialog, std::function<void(HWND)> script)
    {
        Idle().Then([&dialog, script] {
            HWND box = testkit::FindTopLevel({ nullptr, u"Button Editor" });
            ASSERT_NE(box, nullptr);
            ASSERT_EQ(box, dialog.m_hWnd);
            script(box);
        });
        return dialog.DoModal();
    }

    // The screen point of an image pixel of the picture.
    static POINT PixelPoint(CJQWImageEditorDlg& dialog, int x, int y)
    {
        const CSize cell = dialog.GetPicture().GetCellSize();
        return testkit::ClientPoint(dialog.GetPicture().m_hWnd, x * cell.cx + cell.cx / 2, y * cell.cy + cell.cy / 2);
    }
    static void Command(HWND box, UINT id) { ::SendMessageW(box, WM_COMMAND, id, 0); }

    std::string Path(const char* name) const { return Folder() + "/" + name; }
    std::u16string WidePath(const char* name) const
    {
        const std::string path = Path(name);
        return std::u16string(path.begin(), path.end());
    }
    static std::string Golden(const char* name)
    {
        return std::string(VORNALT_SOURCE_DIR) + "/toolkit/controls/tests/goldens/" + name;
    }
};

TEST_F(ImageEditorTest, ThePictureFitsWholeCellsToItsWindow)
{
    CWnd parent;
    parent.CreateEx(0, AfxRegisterWndClass(0), u"Host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr);
    CJQWImageEditorPicture picture;
    picture.Create(u"", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, 200, 200), &parent, 100);
    picture.Init(nullptr, 16, 16);
    EXPECT_EQ(picture.GetCellSize(), CSize(12, 12));
    CRect rc;
    picture.GetClientRect(&rc);
    EXPECT_EQ(rc.Size(), CSize(193, 193));
    parent.DestroyWindow();
}

TEST_F(ImageEditorTest, APencilClickOnItsOwnColourErasesAndToolButtonsFollowTheState)
{
    CJQWImageEditorDlg dialog;
    Run(dialog, [&](HWND box) {
        testkit::Click(PixelPoint(dialog, 2, 3));
        Idle().Then([&] {
            EXPECT_EQ(dialog.GetPicture().GetPixelColor(2, 3), kBlack);
            testkit::Click(PixelPoint(dialog, 2, 3));
        });
        Idle().Then([&, box] {
            EXPECT_EQ(dialog.GetPicture().GetPixelColor(2, 3), kImageEditorTransparent);
            EXPECT_EQ(dialog.GetPicture().GetUndoCount(), 2u);
            // The idle update has checked the pencil and enabled undo, but not redo.
            HWND tools = ::GetDlgItem(box, 0xE800);
            ASSERT_NE(tools, nullptr);
            EXPECT_TRUE(::SendMessageW(tools, TB_ISBUTTONCHECKED, ID_IMAGEEDITOR_PENCIL, 0));
            EXPECT_FALSE(::SendMessageW(tools, TB_ISBUTTONCHECKED, ID_IMAGEEDITOR_LINE, 0));
            EXPECT_TRUE(::SendMessageW(tools, TB_ISBUTTONENABLED, ID_IMAGEEDITOR_UNDO, 0));
            EXPECT_FALSE(::SendMessageW(tools, TB_ISBUTTONENABLED, ID_IMAGEEDITOR_REDO, 0));
            // A click on a tool button goes through the toolbar to the dialog.
            RECT button {};
            ::SendMessageW(tools, TB_GETRECT, ID_IMAGEEDITOR_LINE, LPARAM(&button));
            testkit::Click(testkit::ClientPoint(tools, (button.left + button.right) / 2, (button.top + button.bottom) / 2));
        });
        Idle().Then([&, box] {
            EXPECT_EQ(dialog.GetCurrentTool(), 3);
            EXPECT_TRUE(::SendMessageW(::GetDlgItem(box, 0xE800), TB_ISBUTTONCHECKED, ID_IMAGEEDITOR_LINE, 0));
            ::SendMessageW(box, WM_COMMAND, IDOK, 0);
        });
    });
}

TEST_F(ImageEditorTest, SixteenStepsAreKeptAndANewStrokeEmptiesRedo)
{
    CJQWImageEditorDlg dialog;
    Run(dialog, [&](HWND box) {
        for (int i = 0; i < 17; ++i)
            testkit::Click(PixelPoint(dialog, i % 16, i / 16));
        Idle().Then([&, box] {
            CJQWImageEditorPicture& picture = dialog.GetPicture();
            EXPECT_EQ(picture.GetUndoCount(), 16u);
            for (int i = 0; i < 20; ++i)
                Command(box, ID_IMAGEEDITOR_UNDO);
            EXPECT_EQ(picture.GetRedoCount(), 16u);
            // What is left is the image after the first stroke.
            EXPECT_EQ(picture.GetPixelColor(0, 0), kBlack);
            EXPECT_EQ(picture.GetPixelColor(1, 0), kImageEditorTransparent);
            Command(box, ID_IMAGEEDITOR_REDO);
            EXPECT_EQ(picture.GetPixelColor(1, 0), kBlack);
            testkit::Click(PixelPoint(dialog, 5, 5));
        });
        Idle().Then([&, box] {
            EXPECT_EQ(dialog.GetPicture().GetRedoCount(), 0u);
            ::SendMessageW(box, WM_COMMAND, IDCANCEL, 0);
        });
    });
}

TEST_F(ImageEditorTest, ShapesFillMovesAndPicking)
{
    CJQWImageEditorDlg dialog;
    Run(dialog, [&](HWND box) {
        CJQWImageEditorPicture& picture = dialog.GetPicture();
        // A rectangle from (2, 2) to (6, 5) stops one pixel before the larger corner.
        Command(box, ID_IMAGEEDITOR_RECTANGLE);
        testkit::Drag(PixelPoint(dialog, 2, 2), PixelPoint(dialog, 6, 5));
        Idle().Then([&, box] {
            EXPECT_EQ(picture.GetUndoCount(), 1u) << "one stroke is one step";
            EXPECT_EQ(picture.GetPixelColor(2, 2), kBlack);
            EXPECT_EQ(picture.GetPixelColor(5, 4), kBlack);
            EXPECT_EQ(picture.GetPixelColor(6, 5), kImageEditorTransparent);
            EXPECT_EQ(picture.GetPixelColor(3, 3), kImageEditorTransparent);
            // Fill the inside red: the outline holds it.
            testkit::Click(testkit::Center(::GetDlgItem(box, 9916)));
            Command(box, ID_IMAGEEDITOR_FILL);
            testkit::Click(PixelPoint(dialog, 3, 3));
        });
        Idle().Then([&, box] {
            EXPECT_EQ(dialog.GetSelectedColor(), kRed);
            EXPECT_EQ(picture.GetPixelColor(3, 3), kRed);
            EXPECT_EQ(picture.GetPixelColor(4, 3), kRed);
            EXPECT_EQ(picture.GetPixelColor(8, 8), kImageEditorTransparent);
            // Picking takes the colour into the custom picker and goes back to the fill tool.
            testkit::Click(testkit::Center(::GetDlgItem(box, 9900)));
            Command(box, ID_IMAGEEDITOR_PICK);
            testkit::Click(PixelPoint(dialog, 3, 3));
        });
        Idle().Then([&, box] {
            EXPECT_EQ(dialog.GetCustomPicker().m_color, kRed);
            EXPECT_TRUE(dialog.GetCustomPicker().m_bSelected);
            EXPECT_FALSE(dialog.GetPalettePicker(0)->m_bSelected);
            EXPECT_EQ(dialog.GetCurrentTool(), 1);
            // Four moves left and four right lose the two columns that went out.
            for (int i = 0; i < 4; ++i)
                Command(box, ID_IMAGEEDITOR_MOVE_LEFT);
            for (int i = 0; i < 4; ++i)
                Command(box, ID_IMAGEEDITOR_MOVE_RIGHT);
            EXPECT_EQ(picture.GetPixelColor(2, 2), kImageEditorTransparent);
            EXPECT_EQ(picture.GetPixelColor(3, 3), kImageEditorTransparent);
            EXPECT_EQ(picture.GetPixelColor(4, 3), kRed);
            EXPECT_EQ(picture.GetPixelColor(5, 4), kBlack);
            Command(box, ID_IMAGEEDITOR_MOVE_DOWN);
            EXPECT_EQ(picture.GetPixelColor(5, 5), kBlack);
            Command(box, ID_IMAGEEDITOR_CLEAR);
            EXPECT_EQ(picture.GetImage(), nullptr);
            Command(box, ID_IMAGEEDITOR_UNDO);
            EXPECT_EQ(picture.GetPixelColor(5, 5), kBlack);
            ::SendMessageW(box, WM_COMMAND, IDOK, 0);
        });
    });
}

TEST_F(ImageEditorTest, CopyAndPasteThroughTheClipboard)
{
    CJQWImageEditorDlg dialog;
    Run(dialog, [&](HWND box) {
        testkit::Click(PixelPoint(dialog, 1, 1));
        Idle().Then([&, box] {
            ::OpenClipboard(nullptr);
            ::EmptyClipboard();
            ::CloseClipboard();
            Command(box, ID_IMAGEEDITOR_COPY);
            ASSERT_TRUE(::IsClipboardFormatAvailable(CF_BITMAP));
            Command(box, ID_IMAGEEDITOR_CLEAR);
            Command(box, ID_IMAGEEDITOR_PASTE);
            CJQWImageEditorPicture& picture = dialog.GetPicture();
            EXPECT_EQ(picture.GetPixelColor(1, 1), kBlack);
            // Button-face pixels of a pasted bitmap are transparent again.
            EXPECT_EQ(picture.GetPixelColor(0, 0), kImageEditorTransparent);
            EXPECT_EQ(picture.GetUndoCount(), 3u);
            ::SendMessageW(box, WM_COMMAND, IDOK, 0);
        });
    });
}

// A 16 x 16 icon file holding one 32-bit image: red, with a transparent top row.
void WriteIcon(const std::string& path)
{
    std::vector<BYTE> bytes;
    auto put16 = [&](unsigned v) { bytes.push_back(BYTE(v)); bytes.push_back(BYTE(v >> 8)); };
    auto put32 = [&](unsigned v) { put16(v & 0xFFFF); put16(v >> 16); };
    const unsigned imageSize = 40 + 16 * 16 * 4 + 16 * 4;
    put16(0); put16(1); put16(1);
    bytes.push_back(16); bytes.push_back(16); bytes.push_back(0); bytes.push_back(0);
    put16(1); put16(32); put32(imageSize); put32(22);
    put32(40); put32(16); put32(32); put16(1); put16(32); put32(0); put32(0); put32(0); put32(0); put32(0); put32(0);
    for (int row = 0; row < 16; ++row) // bottom-up
        for (int x = 0; x < 16; ++x)
            put32(row == 15 ? 0u : 0xFFFF0000u);
    for (int row = 0; row < 16; ++row)
        put32(row == 15 ? 0xFFFFFFFFu : 0u);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST_F(ImageEditorTest, ImportReadsOurPictureFormatsAndRefusesOthers)
{
    ImageBitmap picture;
    ASSERT_EQ(CreateBitmap(&picture, 32, 32, 24, IMAGING_COLOR_ORDER_BGR, nullptr, IMAGING_VIEW_TOP_LEFT), IMAGING_SUCCESS);
    FillBitmap(&picture, RGB(0, 0, 255));
    struct Case {
        const char* name;
        int format;
    };
    const Case saved[] = { { "blue.bmp", IMAGE_FORMAT_BMP }, { "blue.png", IMAGE_FORMAT_PNG },
        { "blue.gif", IMAGE_FORMAT_GIF }, { "blue.jpg", IMAGE_FORMAT_JPEG } };
    for (const Case& c : saved)
        ASSERT_EQ(SaveImageFile(Path(c.name), &picture, c.format, 0, c.format == IMAGE_FORMAT_JPEG ? 2 : 0), IMAGING_SUCCESS);
    WriteIcon(Path("red.ico"));
    std::ofstream(Path("drawing.wmf")) << "not read";
    std::ofstream(Path("broken.png")) << "not a picture";

    CJQWImageEditorDlg dialog;
    Run(dialog, [&](HWND box) {
        CJQWImageEditorPicture& picture = dialog.GetPicture();
        auto import = [&](const char* name) { return picture.Import(CString(WidePath(name).c_str())); };
        for (const Case& c : saved) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(import(c.name), CJQWImageEditorPicture::importDone);
            const COLORREF seen = picture.GetPixelColor(8, 8);
            // JPEG and the bitmap's top-left stretch keep it close to blue.
            EXPECT_LE(GetRValue(seen), 8);
            EXPECT_GE(GetBValue(seen), 240);
        }
        EXPECT_EQ(import("red.ico"), CJQWImageEditorPicture::importDone);
        ASSERT_NE(picture.GetImage(), nullptr);
        EXPECT_TRUE(picture.GetImage()->m_bAlpha);
        EXPECT_EQ(picture.GetPixelColor(8, 8), kRed);
        const std::size_t steps = picture.GetUndoCount();
        EXPECT_EQ(steps, 5u);
        EXPECT_EQ(import("drawing.wmf"), CJQWImageEditorPicture::importUnsupported);
        EXPECT_EQ(import("broken.png"), CJQWImageEditorPicture::importFailed);
        EXPECT_EQ(import("missing.jpg"), CJQWImageEditorPicture::importFailed);
        EXPECT_EQ(picture.GetUndoCount(), steps) << "a failed import changes nothing";
        EXPECT_EQ(picture.GetPixelColor(8, 8), kRed);

        // Through the dialog's own command and the open-file dialog.
        Command(box, ID_IMAGEEDITOR_CLEAR);
        Idle().Then([this] { testkit::PickFile(WidePath("blue.png")); });
        Command(box, ID_IMAGEEDITOR_IMPORT);
        EXPECT_EQ(picture.GetPixelColor(0, 0), RGB(0, 0, 255));
        ::SendMessageW(box, WM_COMMAND, IDOK, 0);
    });
}

TEST_F(ImageEditorTest, TheImageGoesInAndComesBackAsIconOrAlphaBitmap)
{
    // An alpha image: its all-zero pixels become transparent in the editor.
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 20, 20, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP source = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; i < 400; ++i)
        pixels[i] = i < 200 ? 0u : 0x8000FF00u;
    CJQWIconImageHandle alphaImage(source);

    CJQWImageEditorDlg alphaEditor;
    alphaEditor.SetImage(alphaImage);
    EXPECT_EQ(alphaEditor.GetImageSize(), CSize(20, 20));
    Run(alphaEditor, [&](HWND box) {
        // Row 0 is the top row: stored last, so green; the bottom half was all zero.
        EXPECT_EQ(alphaEditor.GetPicture().GetPixelColor(0, 0), RGB(0, 255, 0));
        EXPECT_EQ(alphaEditor.GetPicture().GetPixelColor(0, 19), kImageEditorTransparent);
        ::SendMessageW(box, WM_COMMAND, IDOK, 0);
    });
    CJQWIconImageHandle out;
    alphaEditor.GetImage(out);
    EXPECT_TRUE(out.IsAlpha());
    EXPECT_EQ(out.GetExtent(), CSize(20, 20));
    ::DeleteObject(source);

    // Without alpha the image comes back as an icon of the editor's size.
    CJQWImageEditorDlg plain;
    plain.SetSize(16, 16);
    Run(plain, [&](HWND box) {
        testkit::Click(PixelPoint(plain, 4, 4));
        Idle().Then([box] { ::SendMessageW(box, WM_COMMAND, IDOK, 0); });
    });
    CJQWIconImageHandle icon;
    plain.GetImage(icon);
    EXPECT_FALSE(icon.IsAlpha());
    ASSERT_NE(icon.GetIcon(), nullptr);
    EXPECT_EQ(icon.GetExtent(), CSize(16, 16));

    // An editor closed without an image hands out nothing.
    CJQWImageEditorDlg empty;
    Run(empty, [](HWND box) { ::SendMessageW(box, WM_COMMAND, IDOK, 0); });
    CJQWIconImageHandle none;
    empty.GetImage(none);
    EXPECT_TRUE(none.IsEmpty());
}

TEST_F(ImageEditorTest, TheCustomizeSheetEditsButtonImagesWithIt)
{
    ASSERT_EQ(JQWGetButtonImageEditor(), &JQWEditButtonImage);
    CJQWIconImageHandle image;
    Idle().Then([] {
        HWND box = testkit::FindTopLevel({ nullptr, u"Button Editor" });
        ASSERT_NE(box, nullptr);
        ::SendMessageW(box, WM_COMMAND, ID_IMAGEEDITOR_FILL, 0);
        testkit::Click(testkit::Center(::GetDlgItem(box, IDC_IMAGEEDITOR_PICTURE)));
    });
    Idle().Then([] { ::SendMessageW(testkit::FindTopLevel({ nullptr, u"Button Editor" }), WM_COMMAND, IDOK, 0); });
    ASSERT_TRUE(JQWEditButtonImage(nullptr, image, CSize(16, 16)));
    ASSERT_NE(image.GetIcon(), nullptr);
    EXPECT_EQ(image.GetExtent(), CSize(16, 16));

    // Cancel leaves the caller's image as it was.
    CJQWIconImageHandle untouched;
    Idle().Then([] { ::SendMessageW(testkit::FindTopLevel({ nullptr, u"Button Editor" }), WM_COMMAND, IDCANCEL, 0); });
    EXPECT_FALSE(JQWEditButtonImage(nullptr, untouched, CSize(16, 16)));
    EXPECT_TRUE(untouched.IsEmpty());
}

TEST_F(ImageEditorTest, LooksLikeAButtonEditor)
{
    CJQWImageEditorDlg dialog;
    Run(dialog, [&](HWND box) {
        testkit::Click(testkit::Center(::GetDlgItem(box, 9916)));
        Command(box, ID_IMAGEEDITOR_RECTANGLE);
        testkit::Drag(PixelPoint(dialog, 2, 2), PixelPoint(dialog, 14, 14));
        Idle().Then([&, box] {
            testkit::Click(testkit::Center(::GetDlgItem(box, 9913)));
            Command(box, ID_IMAGEEDITOR_LINE);
            testkit::Drag(PixelPoint(dialog, 3, 12), PixelPoint(dialog, 13, 2));
        });
        Idle().Then([box] {
            EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(box), Golden("image_editor.png")));
            ::SendMessageW(box, WM_COMMAND, IDOK, 0);
        });
    });
}

} // namespace
