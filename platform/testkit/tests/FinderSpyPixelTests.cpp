// The test kit's finders, message recorder, pixel and golden checks and after-loop invariants,
// used on real windows.

#include "platform/testkit/Finders.h"
#include "platform/testkit/MessageSpy.h"
#include "platform/testkit/PixelChecks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace testkit;

namespace {

class TestkitTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ::ReleaseCapture();
        for (HWND w : TopLevelWindows())
            if (::IsWindow(w))
                ::DestroyWindow(w);
    }
};

const WCHAR* PlainClass()
{
    static const bool registered = [] {
        WNDCLASSEXW wc {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &::DefWindowProcW;
        wc.lpszClassName = u"TestkitPlainWindow";
        return ::RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return u"TestkitPlainWindow";
}

HWND Make(const WCHAR* text, DWORD style, HWND parent = nullptr, int id = 0, RECT r = { 0, 0, 50, 30 })
{
    return ::CreateWindowExW(0, PlainClass(), text, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
        parent, reinterpret_cast<HMENU>(UINT_PTR(id)), nullptr, nullptr);
}

} // namespace

TEST_F(TestkitTest, FindersLocateWindowsByClassTextIdPathAndOwner)
{
    const HWND main = Make(u"Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const HWND panel = Make(u"Panel", WS_CHILD | WS_VISIBLE, main, 10);
    const HWND ok = Make(u"OK", WS_CHILD | WS_VISIBLE, panel, 20);
    const HWND hidden = Make(u"Hidden", WS_CHILD, panel, 21);
    const HWND popup = Make(u"Popup", WS_POPUP | WS_VISIBLE, main);

    EXPECT_EQ(FindByText(u"OK"), ok);
    EXPECT_EQ(FindByText(u"OK", main), ok);
    EXPECT_EQ(FindByText(u"ok"), nullptr); // captions compare exactly
    EXPECT_EQ(FindByIdPath(main, { 10, 20 }), ok);
    EXPECT_EQ(FindByIdPath(main, { 10, 22 }), nullptr);
    EXPECT_EQ(FindByIdPath(main, { 11, 20 }), nullptr);

    std::u16string shouted = PlainClass(); // class names compare without case
    for (char16_t& c : shouted)
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
    WindowQuery byClass;
    byClass.className = shouted.c_str();
    EXPECT_EQ(FindAll(byClass).size(), 5u);
    byClass.visibleOnly = true;
    EXPECT_EQ(FindAll(byClass).size(), 4u);
    WindowQuery hiddenOne { nullptr, u"Hidden", 21, false, nullptr };
    EXPECT_EQ(FindDescendant(main, hiddenOne), hidden);

    WindowQuery owned;
    owned.owner = main;
    EXPECT_EQ(FindTopLevel(owned), popup);
    // Z-order, topmost first: the window brought to the top comes first, after the popup it owns.
    const HWND other = Make(u"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_EQ(TopLevelWindows().front(), other);
    ::BringWindowToTop(main);
    const std::vector<HWND> order = TopLevelWindows();
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], popup);
    EXPECT_EQ(order[1], main);
    EXPECT_EQ(order[2], other);
    const std::string tree = DescribeTree(main);
    EXPECT_NE(tree.find("\"Panel\" id=10"), std::string::npos) << tree;
    EXPECT_NE(tree.find("    "), std::string::npos) << tree; // the grandchildren are indented twice
}

TEST_F(TestkitTest, RecorderKeepsTheOrderDepthAndRepliesOfSeveralWindows)
{
    static HWND other = nullptr;
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER + 1)
            return ::SendMessage(other, WM_USER + 2, wp, 0) + 1;
        if (m == WM_USER + 2)
            return LRESULT(wp) * 10;
        return ::DefWindowProcW(w, m, wp, lp);
    };
    wc.lpszClassName = u"TestkitRecorderWindow";
    ::RegisterClassExW(&wc);
    const HWND first = ::CreateWindowExW(0, u"TestkitRecorderWindow", u"first", WS_POPUP, 0, 0, 10, 10, nullptr,
        nullptr, nullptr, nullptr);
    other = ::CreateWindowExW(0, u"TestkitRecorderWindow", u"second", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
        nullptr, nullptr);
    {
        MessageRecorder recorder;
        recorder.Spy(first, "first");
        recorder.Spy(other, "second");
        recorder.Only({ WM_USER + 1, WM_USER + 2, WM_SETTEXT });
        EXPECT_EQ(::SendMessage(first, WM_USER + 1, 4, 0), 41);
        ::PostMessage(other, WM_USER + 2, 5, 0);
        MSG msg;
        while (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessage(&msg);
        EXPECT_EQ(recorder.Lines(), std::vector<std::string>({ "first 0x0401", "second 0x0402", "second 0x0402" }));
        const auto records = recorder.Messages();
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[0].result, 41);
        EXPECT_EQ(records[1].depth, 1); // sent while the first was being handled
        EXPECT_EQ(records[2].result, 50);
        EXPECT_EQ(records[2].depth, 0);
        EXPECT_EQ(recorder.Count(WM_USER + 2), 2u);
        EXPECT_EQ(recorder.MessagesOf(first), std::vector<UINT>({ WM_USER + 1 }));
        recorder.Pause();
        ::SetWindowTextW(first, u"renamed");
        recorder.Resume();
        EXPECT_FALSE(recorder.Saw(WM_SETTEXT));
        recorder.Ignore({ WM_USER + 2 });
        ::SendMessage(other, WM_USER + 2, 1, 0);
        EXPECT_EQ(recorder.Count(WM_USER + 2), 2u);
    }
    // The windows go on working without the recorder.
    EXPECT_EQ(::SendMessage(first, WM_USER + 1, 2, 0), 21);
}

namespace {

// A window painting a fixed scene: red left half, blue right half, a green line between.
HWND MakeScene()
{
    static const bool registered = [] {
        WNDCLASSEXW wc {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m != WM_PAINT)
                return ::DefWindowProcW(w, m, wp, lp);
            PAINTSTRUCT ps;
            HDC hdc = ::BeginPaint(w, &ps);
            RECT client;
            ::GetClientRect(w, &client);
            const int middle = int(client.right / 2);
            auto fill = [hdc](RECT r, COLORREF color) {
                HBRUSH brush = ::CreateSolidBrush(color);
                ::FillRect(hdc, &r, brush);
                ::DeleteObject(brush);
            };
            fill(RECT { 0, 0, middle, client.bottom }, RGB(200, 0, 0));
            fill(RECT { middle, 0, client.right, client.bottom }, RGB(0, 0, 200));
            fill(RECT { middle, 0, middle + 1, client.bottom }, RGB(0, 160, 0));
            ::EndPaint(w, &ps);
            return 0;
        };
        wc.lpszClassName = u"TestkitSceneWindow";
        return ::RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    const HWND scene = ::CreateWindowExW(0, u"TestkitSceneWindow", u"scene", WS_POPUP | WS_VISIBLE, 30, 40, 16, 8,
        nullptr, nullptr, nullptr, nullptr);
    ::UpdateWindow(scene);
    return scene;
}

std::string Golden(const char* name) { return std::string(VORNALT_TEST_DATA_DIR) + "/" + name; }

} // namespace

TEST_F(TestkitTest, PixelsOfAWindowMatchItsGoldenAndAFailureLeavesThePicturesToLookAt)
{
    const HWND scene = MakeScene();
    EXPECT_EQ(ClientPixel(scene, 0, 0), RGB(200, 0, 0));
    EXPECT_EQ(ClientPixel(scene, 8, 7), RGB(0, 160, 0));
    EXPECT_EQ(ClientPixel(scene, 15, 7), RGB(0, 0, 200));
    const Capture capture = CaptureClient(scene);
    ASSERT_EQ(capture.width, 16);
    ASSERT_EQ(capture.height, 8);
    EXPECT_TRUE(AllPixels(capture, RECT { 0, 0, 8, 8 }, RGB(200, 0, 0)));
    EXPECT_FALSE(AllPixels(capture, RECT { 0, 0, 9, 8 }, RGB(200, 0, 0)));
    EXPECT_TRUE(SamePixels(capture, CaptureWindow(scene))); // no frame on this popup
    EXPECT_TRUE(MatchesGolden(capture, Golden("scene.png")));
    if (UpdatingGoldens())
        return;

    // One pixel off: the exact comparison fails, a tolerance of one pixel or of that much colour passes.
    Capture changed = capture;
    changed.pixels[3] = 0xC80005;
    EXPECT_FALSE(MatchesGolden(changed, Golden("scene.png")));
    EXPECT_TRUE(MatchesGolden(changed, Golden("scene.png"), Tolerance { 0, 1 }));
    EXPECT_TRUE(MatchesGolden(changed, Golden("scene.png"), Tolerance { 5, 0 }));

    const std::string folder = (std::filesystem::temp_directory_path() / ("testkit-output-" + std::to_string(getpid()))).string();
    ::setenv("VORNALT_TEST_OUTPUT_DIR", folder.c_str(), 1);
    const ::testing::AssertionResult failed = MatchesGolden(changed, Golden("scene.png"));
    ::unsetenv("VORNALT_TEST_OUTPUT_DIR");
    EXPECT_FALSE(failed);
    EXPECT_NE(std::string(failed.message()).find("scene.actual.png"), std::string::npos) << failed.message();
    Capture written;
    ASSERT_TRUE(LoadPng(folder + "/scene.actual.png", written));
    EXPECT_TRUE(SamePixels(written, changed));
    Capture diff;
    ASSERT_TRUE(LoadPng(folder + "/scene.diff.png", diff));
    EXPECT_EQ(diff.At(3, 0), 0xFF0000u);
    EXPECT_NE(diff.At(4, 0), 0xFF0000u);
    EXPECT_TRUE(std::filesystem::exists(folder + "/scene.expected.png"));
    EXPECT_FALSE(MatchesGolden(capture, Golden("no-such-golden.png")));
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
