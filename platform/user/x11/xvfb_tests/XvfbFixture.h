#pragma once
// A private Xvfb per test (a free display picked by the server, no TCP, no window manager), the
// X11 back end installed on it, and a second client of ours that drives it through XTest.

#include "platform/base/Modules.h"
#include "platform/testkit/Desktop.h"
#include "platform/user/DisplayBackEnd.h"
#include "platform/user/Screen.h"
#include "platform/user/x11/X11Display.h"
#include "platform/user/x11/xvfb_tests/XvfbServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <png.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace xvfb_test {

// Pixels as 0x00RRGGBB rows.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
    DWORD At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

inline void WritePng(const std::string& name, const Image& image)
{
    std::filesystem::create_directories(VORNALT_TEST_OUTPUT_DIR);
    const std::string path = std::string(VORNALT_TEST_OUTPUT_DIR) + "/" + name;
    std::vector<unsigned char> rgb(size_t(image.width) * size_t(image.height) * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        rgb[3 * i] = (image.pixels[i] >> 16) & 0xFF;
        rgb[3 * i + 1] = (image.pixels[i] >> 8) & 0xFF;
        rgb[3 * i + 2] = image.pixels[i] & 0xFF;
    }
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGB;
    png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr);
}

// How far two images of the same size differ: pixels whose channels differ by more than
// `tolerance`.
inline int DifferingPixels(const Image& a, const Image& b, int tolerance)
{
    if (a.width != b.width || a.height != b.height)
        return -1;
    int count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = int((a.pixels[i] >> shift) & 0xFF) - int((b.pixels[i] >> shift) & 0xFF);
            if (d > tolerance || d < -tolerance) {
                ++count;
                break;
            }
        }
    return count;
}

class XvfbTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        platform::modules::Reset();
        StartServer();
        m_driver = XOpenDisplay(m_displayName.c_str());
        ASSERT_NE(m_driver, nullptr) << "no connection to " << m_displayName;
        platform::x11::UseX11Display(m_displayName);
    }

    void TearDown() override
    {
        // The back end first: it gives the system model back before the desktop resets it.
        platform::x11::StopX11Display();
        DesktopTest::TearDown();
        for (Window w : m_foreign)
            XDestroyWindow(m_driver, w);
        if (m_driver)
            XCloseDisplay(m_driver);
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            int status = 0;
            waitpid(m_server, &status, 0);
        }
    }

    void StartServer()
    {
        m_displayName = xvfbtest::StartXvfb(m_server);
        ASSERT_FALSE(m_displayName.empty()) << "Xvfb did not start (is it installed? scripts/setup installs it)";
    }

    // Brings the server, the back end and the windows in line: the back end shows what changed
    // and reads every event the server sent, the layer dispatches what that queued.
    void Settle()
    {
        for (int i = 0; i < 6; ++i) {
            XSync(m_driver, False);
            platform::x11::X11SyncForTesting();
            Pump();
        }
    }

    // ---- The driver: our second client -------------------------------------------------------

    void MoveTo(int x, int y)
    {
        XTestFakeMotionEvent(m_driver, 0, x, y, 0);
        XSync(m_driver, False);
    }
    void Button(unsigned button, bool down)
    {
        XTestFakeButtonEvent(m_driver, button, down ? True : False, 0);
        XSync(m_driver, False);
    }
    void Click(int x, int y, unsigned button = 1)
    {
        MoveTo(x, y);
        Button(button, true);
        Button(button, false);
    }
    void Key(unsigned keycode, bool down)
    {
        XTestFakeKeyEvent(m_driver, keycode, down ? True : False, 0);
        XSync(m_driver, False);
    }
    void Tap(unsigned keycode)
    {
        Key(keycode, true);
        Key(keycode, false);
    }

    // A window of "another program".
    Window Foreign(const RECT& r)
    {
        XSetWindowAttributes a {};
        a.override_redirect = True;
        a.background_pixel = 0x00FF00;
        a.event_mask = ButtonPressMask | FocusChangeMask;
        Window w = XCreateWindow(m_driver, DefaultRootWindow(m_driver), r.left, r.top, unsigned(r.right - r.left),
            unsigned(r.bottom - r.top), 0, CopyFromParent, InputOutput, CopyFromParent,
            CWOverrideRedirect | CWBackPixel | CWEventMask, &a);
        XMapRaised(m_driver, w);
        XSync(m_driver, False);
        m_foreign.push_back(w);
        return w;
    }

    Image Capture(Window w)
    {
        XWindowAttributes a {};
        XGetWindowAttributes(m_driver, w, &a);
        return Capture(w, 0, 0, a.width, a.height);
    }
    Image Capture(Window w, int x, int y, int width, int height)
    {
        Image out;
        XImage* image = XGetImage(m_driver, w, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
        if (!image)
            return out;
        out.width = width;
        out.height = height;
        out.pixels.resize(size_t(width) * size_t(height));
        for (int yy = 0; yy < height; ++yy)
            for (int xx = 0; xx < width; ++xx)
                out.pixels[size_t(yy) * size_t(width) + size_t(xx)] = DWORD(XGetPixel(image, xx, yy)) & 0x00FFFFFF;
        XDestroyImage(image);
        return out;
    }
    static Image Headless(const RECT& r)
    {
        Image out;
        out.width = int(r.right - r.left);
        out.height = int(r.bottom - r.top);
        CaptureScreen(r, out.pixels);
        return out;
    }
    static Image Surface(HWND window)
    {
        Image out;
        ReadTopLevelPixels(window, [&](const DWORD* p, LONG w, LONG h) {
            out.width = int(w);
            out.height = int(h);
            out.pixels.assign(p, p + size_t(w) * size_t(h));
            for (DWORD& v : out.pixels)
                v &= 0x00FFFFFF;
        });
        return out;
    }

    // Where X has a window, in root coordinates.
    RECT Geometry(Window w)
    {
        XWindowAttributes a {};
        XGetWindowAttributes(m_driver, w, &a);
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(m_driver, w, DefaultRootWindow(m_driver), 0, 0, &x, &y, &child);
        return RECT { x, y, x + a.width, y + a.height };
    }
    Window XOf(HWND window) { return Window(platform::x11::X11WindowForTesting(window)); }
    Atom AtomNamed(const char* name) { return XInternAtom(m_driver, name, False); }
    std::vector<long> Property(Window w, const char* name)
    {
        std::vector<long> out;
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_driver, w, AtomNamed(name), 0, 64, False, AnyPropertyType, &type, &format, &count,
                &after, &data) == Success && data) {
            if (format == 32)
                out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
            else
                for (unsigned long i = 0; i < count; ++i)
                    out.push_back(format == 8 ? long(data[i]) : 0);
            XFree(data);
        }
        return out;
    }

    std::string m_displayName;
    Display* m_driver = nullptr;
    pid_t m_server = -1;
    std::vector<Window> m_foreign;
};

} // namespace xvfb_test
