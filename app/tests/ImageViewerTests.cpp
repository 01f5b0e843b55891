#include "AppTestSupport.h"

#include "app/viewer/ImageViewerDlg.h"
#include "app/viewer/PreviewWnd.h"
#include "engine/ActionTarget.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"

using namespace apptest;

namespace {

constexpr COLORREF kLeft = RGB(200, 40, 40);
constexpr COLORREF kRight = RGB(30, 90, 200);

// A picture whose left half is red and right half blue, so position and scale can be read.
void WriteHalves(const fs::path& path, int width, int height)
{
    ImageBitmap bitmap;
    ASSERT_EQ(CreateBitmap(&bitmap, width, height, 24, IMAGING_COLOR_ORDER_BGR, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = x < width / 2 ? kLeft : kRight;
            BYTE* p = bitmap.Row(y) + x * 3;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    ASSERT_EQ(SaveImageFile(path.string(), &bitmap, IMAGE_FORMAT_PNG, 24, 0), IMAGING_SUCCESS);
}

// The source files pane as the viewer sees it.
struct FakeSourceList {
    std::vector<fs::path> files;
    int GetItemCount() const { return int(files.size()); }
    CImageFileTarget* CreateTargetForRow(int row) const
    {
        if (row < 0 || row >= GetItemCount() || !fs::exists(files[size_t(row)]))
            return nullptr;
        return new CImageFileTarget(U(files[size_t(row)]));
    }
};

// The stack pane: its actions, built into a new stack on request.
struct FakeStackList {
    CActionStack* actions = nullptr;
    int builds = 0;
    int GetItemCount() const { return actions ? actions->GetActionCount() : 0; }
    CActionStack* BuildStack()
    {
        ++builds;
        auto* stack = new CActionStack;
        for (int i = 0; i < GetItemCount(); ++i)
            stack->InsertAction(actions->GetAction(i), i);
        return stack;
    }
};

class ImageViewerTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        m_root = fs::path(Folder()) / "viewer";
        fs::create_directories(m_root);
        m_owner.CreateEx(0, AfxRegisterWndClass(0), u"Owner", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500, nullptr, nullptr);
    }
    void TearDown() override
    {
        if (m_stackList.actions)
            m_stackList.actions->Release();
        m_owner.DestroyWindow();
        DesktopTest::TearDown();
    }
    // A stack that resizes to `width` (aspect kept).
    void ResizeTo(int width)
    {
        if (m_stackList.actions)
            m_stackList.actions->Release();
        const fs::path file = m_root / "resize.stack";
        WriteStackFile(file, { { u"builtin__resizeimage",
                                 { { u"width", U(std::to_string(width)) }, { u"aspectedge", u"width" } } } });
        m_stackList.actions = new CActionStack;
        ASSERT_EQ(m_stackList.actions->LoadFromFile(U(file)), 0);
    }
    std::unique_ptr<CImageViewerDlg> OpenViewer(int row)
    {
        auto viewer = std::make_unique<CImageViewerDlg>();
        viewer->SetStackList(&m_stackList);
        viewer->SetSourceList(&m_sourceList);
        viewer->m_bModal = 0;
        EXPECT_TRUE(viewer->Create(IDD_IMAGEVIEWER, &m_owner));
        Show(*viewer, row);
        return viewer;
    }
    // What the main window's preview command does.
    static void Show(CImageViewerDlg& viewer, int row)
    {
        viewer.GetPicture().ShowRow(row);
        viewer.UpdateButtons();
        viewer.ShowWindow(SW_SHOW);
        Pump();
    }
    static COLORREF At(CImageViewerDlg& viewer, int x, int y)
    {
        return testkit::ClientPixel(viewer.GetPicture().m_hWnd, x, y);
    }
    static COLORREF Checker(int x, int y)
    {
        return ((x / 4 + y / 4) % 2 == 0) ? kViewerCheckerDark : kViewerCheckerLight;
    }
    static CRect PictureClient(CImageViewerDlg& viewer)
    {
        CRect r;
        viewer.GetPicture().GetClientRect(&r);
        return r;
    }
    static HWND Button(CImageViewerDlg& viewer, int id) { return ::GetDlgItem(viewer.m_hWnd, id); }
    static std::string Golden(const char* name)
    {
        return std::string(VORNALT_SOURCE_DIR) + "/app/tests/goldens/" + name;
    }

    fs::path m_root;
    CWnd m_owner;
    FakeSourceList m_sourceList;
    FakeStackList m_stackList;
};

} // namespace

TEST(ImageViewerFit, KeepsTheAspectRatioAtTheTopLeftAndDrawsNothingForEmptyPictures)
{
    struct Case {
        RECT area;
        long w, h;
        RECT expected;
    };
    for (const Case& c : {
             Case { { 0, 0, 200, 200 }, 400, 300, { 0, 0, 200, 150 } },
             Case { { 0, 0, 300, 300 }, 100, 50, { 0, 0, 300, 150 } },
             Case { { 1, 1, 101, 301 }, 50, 100, { 1, 1, 101, 201 } },
             Case { { 1, 1, 201, 101 }, 50, 100, { 1, 1, 51, 101 } },
             Case { { 0, 0, 200, 200 }, 0, 300, { 0, 0, 0, 0 } },
             Case { { 0, 0, 200, 200 }, 400, 0, { 0, 0, 0, 0 } },
         }) {
        const RECT r = FitImageRect(c.area, c.w, c.h);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right) << c.w << " x " << c.h;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.w << " x " << c.h;
    }
}

TEST_F(ImageViewerTest, ShowsThePreviewAtActualSizeFittedAndPannedAndStepsThroughTheFiles)
{
    WriteHalves(m_root / "a.png", 400, 300);
    WriteHalves(m_root / "b.png", 60, 40);
    m_sourceList.files = { m_root / "a.png", m_root / "b.png" };
    ResizeTo(80);
    auto viewer = OpenViewer(0);
    ASSERT_TRUE(::IsWindowVisible(viewer->m_hWnd));
    EXPECT_FALSE(::GetWindowLongW(viewer->m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) << "taken out of the topmost band";
    EXPECT_FALSE(::IsWindowEnabled(Button(*viewer, IDC_VIEWER_PREVIOUS)));
    EXPECT_TRUE(::IsWindowEnabled(Button(*viewer, IDC_VIEWER_NEXT)));

    // Actual size: the resized picture (80 x 60) at the drawing area's corner, the checkerboard
    // beyond it, the grey frame around everything.
    const CRect client = PictureClient(*viewer);
    ASSERT_GT(client.Width(), 200);
    ASSERT_GT(client.Height(), 150);
    EXPECT_EQ(At(*viewer, 0, 0), kViewerFrame);
    EXPECT_EQ(At(*viewer, client.right - 1, client.bottom - 1), kViewerFrame);
    EXPECT_EQ(At(*viewer, 1, 1), kLeft);
    EXPECT_EQ(At(*viewer, 79, 59), kRight);
    for (POINT p : { POINT { 81, 10 }, POINT { 85, 10 }, POINT { 10, 61 }, POINT { 150, 140 } })
        EXPECT_EQ(At(*viewer, p.x, p.y), Checker(p.x, p.y)) << p.x << "," << p.y;
    EXPECT_EQ(m_stackList.builds, 1);

    // Panning: the picture follows the mouse by (20, 10).
    const POINT from = testkit::ClientPoint(viewer->GetPicture().m_hWnd, 40, 30);
    testkit::Press(from);
    Pump();
    testkit::MoveTo({ from.x + 20, from.y + 10 }, 2);
    Pump();
    testkit::Release({ from.x + 20, from.y + 10 });
    Pump();
    EXPECT_EQ(viewer->GetPicture().GetPanOffset(), CPoint(20, 10));
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(At(*viewer, 5, 5), Checker(5, 5));
    EXPECT_EQ(At(*viewer, 22, 12), kLeft);
    EXPECT_EQ(m_stackList.builds, 1) << "repainting does not run the stack again";

    // Fit: the picture fills the width or the height, from the top-left, whatever the offset.
    testkit::Click(testkit::Center(Button(*viewer, IDC_VIEWER_FIT)));
    Pump();
    EXPECT_TRUE(viewer->GetPicture().IsFitMode());
    EXPECT_TRUE(::SendMessageW(Button(*viewer, IDC_VIEWER_FIT), BM_GETSTATE, 0, 0) & BST_PUSHED);
    CRect area = client;
    area.DeflateRect(1, 1);
    const RECT fitted = FitImageRect(area, 80, 60);
    EXPECT_EQ(At(*viewer, 1, 1), kLeft);
    EXPECT_EQ(At(*viewer, fitted.right - 2, fitted.bottom - 2), kRight);
    // Off again: the old offset still applies.
    testkit::Click(testkit::Center(Button(*viewer, IDC_VIEWER_FIT)));
    Pump();
    EXPECT_FALSE(viewer->GetPicture().IsFitMode());
    EXPECT_EQ(At(*viewer, 22, 12), kLeft);
    EXPECT_EQ(At(*viewer, 5, 5), Checker(5, 5));

    // Next: the second file, offset cleared; next is then disabled, previous enabled.
    testkit::Click(testkit::Center(Button(*viewer, IDC_VIEWER_NEXT)));
    Pump();
    EXPECT_EQ(viewer->GetPicture().GetCurrentRow(), 1);
    EXPECT_EQ(viewer->GetPicture().GetPanOffset(), CPoint(0, 0));
    EXPECT_FALSE(::IsWindowEnabled(Button(*viewer, IDC_VIEWER_NEXT)));
    EXPECT_TRUE(::IsWindowEnabled(Button(*viewer, IDC_VIEWER_PREVIOUS)));
    EXPECT_EQ(At(*viewer, 1, 1), kLeft);
    EXPECT_EQ(At(*viewer, 79, 52), kRight) << "60 x 40 enlarged to 80 x 53";
    EXPECT_EQ(At(*viewer, 79, 56), Checker(79, 56));
    EXPECT_EQ(m_stackList.builds, 2);

    testkit::Click(testkit::Center(Button(*viewer, IDC_VIEWER_PREVIOUS)));
    Pump();
    EXPECT_EQ(viewer->GetPicture().GetCurrentRow(), 0);
    EXPECT_FALSE(::IsWindowEnabled(Button(*viewer, IDC_VIEWER_PREVIOUS)));

    // Refresh runs the changed stack for the same file.
    ResizeTo(30);
    testkit::Click(testkit::Center(Button(*viewer, IDC_VIEWER_REFRESH)));
    Pump();
    EXPECT_EQ(At(*viewer, 29, 21), kRight);
    EXPECT_EQ(At(*viewer, 35, 10), Checker(35, 10));
    viewer->DestroyWindow();
}

TEST_F(ImageViewerTest, HidingKeepsFitModeAndTheNextPreviewShowsTheNewRow)
{
    WriteHalves(m_root / "a.png", 40, 40);
    WriteHalves(m_root / "b.png", 40, 20);
    m_sourceList.files = { m_root / "a.png", m_root / "b.png" };
    auto viewer = OpenViewer(0);
    testkit::Click(testkit::Center(Button(*viewer, IDC_VIEWER_FIT)));
    Pump();
    testkit::Click(testkit::Center(Button(*viewer, IDOK)));
    Pump();
    ASSERT_TRUE(::IsWindow(viewer->m_hWnd)) << "Hide only hides a modeless viewer";
    EXPECT_FALSE(::IsWindowVisible(viewer->m_hWnd));
    testkit::Key(VK_ESCAPE);
    Pump();

    Show(*viewer, 1);
    EXPECT_TRUE(::IsWindowVisible(viewer->m_hWnd));
    EXPECT_TRUE(viewer->GetPicture().IsFitMode());
    EXPECT_EQ(viewer->GetPicture().GetCurrentRow(), 1);
    EXPECT_EQ(m_stackList.builds, 0) << "an empty stack list shows the file as it is";
    const CRect client = PictureClient(*viewer);
    const RECT fitted = FitImageRect({ 1, 1, client.right - 1, client.bottom - 1 }, 40, 20);
    EXPECT_EQ(At(*viewer, fitted.right - 2, fitted.bottom - 2), kRight);

    // A row out of range changes nothing; a file that is gone shows the checkerboard only.
    viewer->GetPicture().ShowRow(5);
    EXPECT_EQ(viewer->GetPicture().GetCurrentRow(), 1);
    fs::remove(m_root / "b.png");
    testkit::Click(testkit::Center(Button(*viewer, IDC_VIEWER_REFRESH)));
    Pump();
    EXPECT_EQ(At(*viewer, 10, 10), Checker(10, 10));
    EXPECT_EQ(At(*viewer, 0, 0), kViewerFrame);

    // An emptied source list: both buttons off.
    m_sourceList.files.clear();
    viewer->GetPicture().ReleaseTarget();
    viewer->GetPicture().Invalidate();
    Pump();
    viewer->UpdateButtons();
    EXPECT_EQ(viewer->GetPicture().GetCurrentRow(), -1);
    EXPECT_FALSE(::IsWindowEnabled(Button(*viewer, IDC_VIEWER_NEXT)));
    EXPECT_FALSE(::IsWindowEnabled(Button(*viewer, IDC_VIEWER_PREVIOUS)));
    viewer->DestroyWindow();
}

TEST_F(ImageViewerTest, TheViewerLooksRight)
{
    WriteHalves(m_root / "a.png", 120, 90);
    m_sourceList.files = { m_root / "a.png", m_root / "a.png" };
    auto viewer = OpenViewer(0);
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(viewer->m_hWnd), Golden("image_viewer.png"), { 40, 300 }));
    viewer->DestroyWindow();
}

TEST_F(ImageViewerTest, ThePreviewWindowCentresThePictureOrShowsTheStockOne)
{
    WriteHalves(m_root / "small.png", 20, 10);
    ScratchFolderTest::WriteFile(m_root / "broken.png", "not a picture");
    CPreviewWnd preview;
    ASSERT_TRUE(preview.Create(WS_VISIBLE, CRect(10, 10, 210, 160), &m_owner, 100));

    ASSERT_TRUE(preview.SetImagePath(U(m_root / "small.png")));
    Pump();
    // 200 x 150: the 20 x 10 picture's corner at (90, 70).
    EXPECT_EQ(testkit::ClientPixel(preview.m_hWnd, 90, 70), kLeft);
    EXPECT_EQ(testkit::ClientPixel(preview.m_hWnd, 109, 79), kRight);
    EXPECT_EQ(testkit::ClientPixel(preview.m_hWnd, 89, 70), RGB(255, 255, 255));
    EXPECT_EQ(testkit::ClientPixel(preview.m_hWnd, 0, 0), kPreviewFrame);
    EXPECT_EQ(testkit::ClientPixel(preview.m_hWnd, 199, 149), kPreviewFrame);

    for (const fs::path& stock : { fs::path(), m_root / "missing.png" }) {
        ASSERT_TRUE(preview.SetImagePath(U(stock)));
        ASSERT_NE(preview.GetPicture(), nullptr);
        EXPECT_EQ(preview.GetPicture()->width, 128);
        EXPECT_EQ(preview.GetPicture()->height, 100);
        Pump();
        // The stock picture's sky at its top-left corner (36, 25), white outside it.
        const COLORREF sky = testkit::ClientPixel(preview.m_hWnd, 37, 26);
        EXPECT_GT(GetBValue(sky), GetRValue(sky));
        EXPECT_EQ(testkit::ClientPixel(preview.m_hWnd, 35, 26), RGB(255, 255, 255));
    }

    EXPECT_FALSE(preview.SetImagePath(U(m_root / "broken.png")));
    EXPECT_EQ(preview.GetPicture(), nullptr);
    Pump();
    EXPECT_EQ(testkit::ClientPixel(preview.m_hWnd, 100, 75), RGB(255, 255, 255));
    preview.DestroyWindow();
}
