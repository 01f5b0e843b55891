// The real program on a private X server: started without -s it shows its main window as an X
// window, and the close box (clicked through XTest, as a hand would) ends it with status 0 after
// the settings file was written; a stack runs over photographs chosen in its file dialog. The
// screenshots they write are kept, as looked at, in screenshots/.

#include "app/SettingsStore.h"
#include "platform/gdi/SystemModel.h"
#include "platform/imaging/ImageFile.h"
#include "platform/user/x11/xvfb_tests/XvfbServer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;


class MainWindowOnX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vornalt-x11-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        fs::create_directories(m_root / "program");
        fs::copy_file(VORNALT_EXECUTABLE, m_root / "program" / "vornalt");
        StartServer();
        m_x = XOpenDisplay(m_display.c_str());
        ASSERT_NE(m_x, nullptr);
    }
    void TearDown() override
    {
        if (m_child > 0) {
            kill(m_child, SIGKILL);
            waitpid(m_child, nullptr, 0);
        }
        if (m_x)
            XCloseDisplay(m_x);
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitpid(m_server, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    void StartServer()
    {
        m_display = xvfbtest::StartXvfb(m_server);
        ASSERT_FALSE(m_display.empty()) << "Xvfb did not start";
    }

    // The settings a first start would ask about: no file-type question, no update check.
    void SeedSettings()
    {
        setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        CSettingsStore settings;
        ASSERT_TRUE(settings.Load());
        settings.SetInt(u"regfiletype", 2);
        settings.SetNextUpdateCheck(1e6);
        ASSERT_TRUE(settings.Save());
    }

    void StartProgram(const std::vector<std::string>& arguments, const fs::path& folder = {})
    {
        std::vector<std::string> environment { "DISPLAY=" + m_display, "XDG_CONFIG_HOME=" + (m_root / "config").string(),
            "XDG_DATA_HOME=" + (m_root / "data").string(), "HOME=" + m_root.string() };
        if (const char* path = std::getenv("PATH"))
            environment.push_back(std::string("PATH=") + path);
        std::vector<char*> envp;
        for (std::string& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string program = (m_root / "program" / "vornalt").string();
        std::vector<std::string> args { program };
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!folder.empty())
            posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        const int started = posix_spawn(&m_child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(started, 0);
    }

    // The mapped top-level X window with this title (0 until there is one).
    Window FindWindow(const std::string& title)
    {
        Window root = DefaultRootWindow(m_x), parent = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(m_x, root, &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count && !found; ++i) {
                char* name = nullptr;
                XWindowAttributes attributes {};
                if (XFetchName(m_x, children[i], &name) && name && title == name
                    && XGetWindowAttributes(m_x, children[i], &attributes) && attributes.map_state == IsViewable)
                    found = children[i];
                if (name)
                    XFree(name);
            }
            if (children)
                XFree(children);
        }
        return found;
    }

    Window WaitForWindow(const std::string& title)
    {
        for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;) {
            if (Window w = FindWindow(title))
                return w;
            std::this_thread::sleep_for(50ms);
        }
        return 0;
    }

    // Waits for the program to end; its exit status, -1 when it did not end in time.
    int WaitForExit()
    {
        for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;) {
            int status = 0;
            if (waitpid(m_child, &status, WNOHANG) == m_child) {
                m_child = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }

    void SaveScreenshot(Window window, const std::string& name)
    {
        XWindowAttributes a {};
        XGetWindowAttributes(m_x, window, &a);
        XImage* image = XGetImage(m_x, window, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        std::vector<unsigned char> rgb;
        std::vector<unsigned long> distinct;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                rgb.push_back((p >> 16) & 0xFF);
                rgb.push_back((p >> 8) & 0xFF);
                rgb.push_back(p & 0xFF);
                if (distinct.size() < 16 && std::find(distinct.begin(), distinct.end(), p) == distinct.end())
                    distinct.push_back(p);
            }
        XDestroyImage(image);
        // Something was drawn: a frame, bars, panes, not one flat colour.
        EXPECT_GE(distinct.size(), 8u);
        fs::create_directories(VORNALT_TEST_OUTPUT_DIR);
        png_image png {};
        png.version = PNG_IMAGE_VERSION;
        png.width = png_uint_32(a.width);
        png.height = png_uint_32(a.height);
        png.format = PNG_FORMAT_RGB;
        png_image_write_to_file(&png, (std::string(VORNALT_TEST_OUTPUT_DIR) + "/" + name).c_str(), 0, rgb.data(), 0,
            nullptr);
    }

    void ClickCloseBox(Window window)
    {
        XWindowAttributes a {};
        XGetWindowAttributes(m_x, window, &a);
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(m_x, window, DefaultRootWindow(m_x), 0, 0, &x, &y, &child);
        // The layer draws the frame: the close box is the caption's last button, inside the
        // sizing border.
        const int border = GetSystemMetrics(SM_CXFRAME);
        const int cx = x + a.width - border - 2 - (GetSystemMetrics(SM_CXSIZE) - 2) / 2;
        const int cy = y + border + GetSystemMetrics(SM_CYCAPTION) / 2;
        XTestFakeMotionEvent(m_x, 0, cx, cy, 0);
        XSync(m_x, False);
        std::this_thread::sleep_for(100ms);
        XTestFakeButtonEvent(m_x, 1, True, 0);
        XSync(m_x, False);
        std::this_thread::sleep_for(100ms);
        XTestFakeButtonEvent(m_x, 1, False, 0);
        XSync(m_x, False);
    }

    // A key as a hand types it, with Shift when the key's plain symbol is another one.
    void Key(KeySym symbol, KeySym modifier = 0)
    {
        const KeyCode code = XKeysymToKeycode(m_x, symbol);
        ASSERT_NE(code, 0) << symbol;
        KeyCode extra = modifier ? XKeysymToKeycode(m_x, modifier) : 0;
        if (!extra && XkbKeycodeToKeysym(m_x, code, 0, 0) != symbol)
            extra = XKeysymToKeycode(m_x, XK_Shift_L);
        if (extra)
            XTestFakeKeyEvent(m_x, extra, True, 0);
        XTestFakeKeyEvent(m_x, code, True, 0);
        XTestFakeKeyEvent(m_x, code, False, 0);
        if (extra)
            XTestFakeKeyEvent(m_x, extra, False, 0);
        XSync(m_x, False);
        std::this_thread::sleep_for(30ms);
    }
    void Type(const std::string& text)
    {
        for (char c : text)
            Key(KeySym(static_cast<unsigned char>(c)));
    }
    void ClickAt(Window window, int wx, int wy)
    {
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(m_x, window, DefaultRootWindow(m_x), wx, wy, &x, &y, &child);
        XTestFakeMotionEvent(m_x, 0, x, y, 0);
        XTestFakeButtonEvent(m_x, 1, True, 0);
        XTestFakeButtonEvent(m_x, 1, False, 0);
        XSync(m_x, False);
        std::this_thread::sleep_for(200ms);
    }
    bool WaitUntil(const std::function<bool()>& condition)
    {
        for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;) {
            if (condition())
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    fs::path m_root;
    std::string m_display;
    Display* m_x = nullptr;
    pid_t m_server = 0;
    pid_t m_child = 0;
};

} // namespace

TEST_F(MainWindowOnX11, StartsWithItsWindowAndEndsFromTheCloseBox)
{
    SeedSettings();
    StartProgram({});
    const Window window = WaitForWindow("Vornalt - Unsaved Stack");
    ASSERT_NE(window, 0u) << "no main window on " << m_display;
    std::this_thread::sleep_for(500ms); // the first paint
    SaveScreenshot(window, "main_window_x11.png");
    ClickCloseBox(window);
    EXPECT_EQ(WaitForExit(), 0);
    const std::string settings = [&] {
        std::ifstream in(m_root / "config" / "Vornalt" / "settings.xml");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    EXPECT_NE(settings.find("SplitterOnePosition"), std::string::npos) << settings;
}

TEST_F(MainWindowOnX11, AStackGivenAloneOpensInTheWindow)
{
    SeedSettings();
    const fs::path stack = m_root / "holiday.stack";
    std::ofstream(stack) << "<stack><action type=\"builtin__resizeimage\"><width>640</width></action></stack>\n";
    StartProgram({ stack.string() });
    const Window window = WaitForWindow("Vornalt - holiday.stack");
    ASSERT_NE(window, 0u);
    ClickCloseBox(window);
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(MainWindowOnX11, RunsAStackOverFivePhotographsChosenInTheFileDialog)
{
    SeedSettings();
    const fs::path photos = m_root / "photos";
    fs::create_directories(photos);
    for (int i = 1; i <= 5; ++i) {
        ImageBitmap picture;
        ASSERT_EQ(CreateBitmap(&picture, 640, 480, 24, IMAGING_COLOR_ORDER_BGR, nullptr, IMAGING_VIEW_TOP_LEFT), IMAGING_SUCCESS);
        for (LONG y = 0; y < picture.height; ++y)
            for (LONG x = 0; x < picture.width; ++x) {
                BYTE* p = picture.Row(y) + x * 3;
                p[0] = BYTE(x * 255 / 640);
                p[1] = BYTE(y * 255 / 480);
                p[2] = BYTE(i * 50);
            }
        ASSERT_EQ(SaveImageFile((photos / ("photo" + std::to_string(i) + ".jpg")).string(), &picture, IMAGE_FORMAT_JPEG, 24, 20),
            IMAGING_SUCCESS);
    }
    const fs::path out = m_root / "out";
    fs::create_directories(out);
    const fs::path stack = m_root / "fit.stack";
    std::ofstream(stack) << "<stack><action type=\"builtin__resizeimage\"><width>320</width><aspectedge>width</aspectedge>"
                            "</action><action type=\"builtin__savefile\"><destfolder>"
                         << out.string() << "</destfolder><filenametemplate>%o</filenametemplate><destfiletype>2</destfiletype>"
                            "</action></stack>\n";
    StartProgram({ stack.string() }, photos);
    const Window window = WaitForWindow("Vornalt - fit.stack");
    ASSERT_NE(window, 0u);
    std::this_thread::sleep_for(500ms);
    // Activate the window with a click on its caption, then Targets > Add New Target File.
    XWindowAttributes a {};
    XGetWindowAttributes(m_x, window, &a);
    ClickAt(window, a.width / 2, GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2);
    Key(XK_t, XK_Alt_L);
    Key(XK_a);
    ASSERT_TRUE(WaitUntil([&] { return FindWindow("Open") != 0; })) << "no file dialog";
    std::this_thread::sleep_for(300ms);
    Type("\"photo1.jpg\" \"photo2.jpg\" \"photo3.jpg\" \"photo4.jpg\" \"photo5.jpg\"");
    Key(XK_Return);
    ASSERT_TRUE(WaitUntil([&] { return FindWindow("Open") == 0; }));
    std::this_thread::sleep_for(500ms);
    SaveScreenshot(window, "main_window_x11_stack_and_files.png");

    // Stack > Run Stack; the progress dialog stays open after the run.
    Key(XK_s, XK_Alt_L);
    Key(XK_r);
    ASSERT_TRUE(WaitUntil([&] { return FindWindow("Stack Runner") != 0; })) << "no progress dialog";
    const auto outputs = [&] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(out))
            count += entry.path().extension() == ".jpg";
        return count;
    };
    ASSERT_TRUE(WaitUntil([&] { return outputs() == 5; })) << outputs() << " of 5 files written";
    std::this_thread::sleep_for(500ms);
    const Window runner = FindWindow("Stack Runner");
    ASSERT_NE(runner, 0u);
    SaveScreenshot(runner, "progress_x11_after_run.png");
    Key(XK_Escape);
    ASSERT_TRUE(WaitUntil([&] { return FindWindow("Stack Runner") == 0; })) << "the progress dialog stayed";

    ClickCloseBox(window);
    EXPECT_EQ(WaitForExit(), 0);
}
