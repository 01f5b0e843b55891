// Text and files exchanged with other programs: the clipboard with a second client (ours, and
// xclip), and a file drop through the drag-and-drop protocol of the desktop.

#include "XvfbFixture.h"

#include "platform/base/GlobalMemory.h"
#include "platform/base/Unicode.h"
#include "platform/shell/Clipboard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <thread>

namespace xvfb_test {
namespace {

class X11ExchangeTest : public XvfbTest {
protected:
    void SetUp() override
    {
        XvfbTest::SetUp();
        static ATOM atom = [] {
            WNDCLASSEXW c {};
            c.cbSize = sizeof c;
            c.lpfnWndProc = DefWindowProcW;
            c.lpszClassName = u"X11Exchange";
            return RegisterClassExW(&c);
        }();
        ASSERT_NE(atom, 0);
        m_main = CreateWindowExW(0, u"X11Exchange", u"Exchange", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
            nullptr, nullptr, nullptr, nullptr);
        m_accepting = CreateWindowExW(WS_EX_ACCEPTFILES, u"X11Exchange", u"", WS_CHILD | WS_VISIBLE, 200, 20, 150, 150,
            m_main, nullptr, nullptr, nullptr);
        SetActiveWindow(m_main);
        Settle();
    }
    void TearDown() override
    {
        SetFileDropReceiver(nullptr);
        if (IsWindow(m_main))
            DestroyWindow(m_main);
        XvfbTest::TearDown();
    }

    static void PutText(const std::u16string& text)
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
        std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(char16_t));
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
    }
    static std::u16string GetText()
    {
        std::u16string text;
        if (!OpenClipboard(nullptr))
            return text;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const char16_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }

    // The second client asks for the clipboard as UTF8_STRING and reads the answer.
    std::string RequestClipboard(Window requestor)
    {
        const Atom property = AtomNamed("DRIVER_PROPERTY");
        XSelectInput(m_driver, requestor, PropertyChangeMask);
        XConvertSelection(m_driver, AtomNamed("CLIPBOARD"), AtomNamed("UTF8_STRING"), property, requestor, CurrentTime);
        XSync(m_driver, False);
        Settle();
        XEvent reply {};
        if (!XCheckTypedWindowEvent(m_driver, requestor, SelectionNotify, &reply) || reply.xselection.property == None)
            return "(no answer)";
        std::vector<long> bytes = Property(requestor, "DRIVER_PROPERTY");
        return std::string(bytes.begin(), bytes.end());
    }

    void SendClient(Window to, const char* type, long l0, long l1 = 0, long l2 = 0, long l3 = 0, long l4 = 0)
    {
        XEvent e {};
        e.xclient.type = ClientMessage;
        e.xclient.window = to;
        e.xclient.message_type = AtomNamed(type);
        e.xclient.format = 32;
        e.xclient.data.l[0] = l0;
        e.xclient.data.l[1] = l1;
        e.xclient.data.l[2] = l2;
        e.xclient.data.l[3] = l3;
        e.xclient.data.l[4] = l4;
        XSendEvent(m_driver, to, False, NoEventMask, &e);
        XSync(m_driver, False);
    }

    HWND m_main = nullptr;
    HWND m_accepting = nullptr;
};

TEST_F(X11ExchangeTest, OurTextReachesAnotherProgram)
{
    Window other = Foreign({ 900, 700, 950, 750 });
    PutText(u"Größe 640 × 480");
    Settle();
    EXPECT_EQ(RequestClipboard(other), "Größe 640 × 480");
    PutText(u"second");
    Settle();
    EXPECT_EQ(RequestClipboard(other), "second");
}

TEST_F(X11ExchangeTest, AnotherProgramsTextReachesUs)
{
    PutText(u"ours");
    Settle();
    const Window ours = XGetSelectionOwner(m_driver, AtomNamed("CLIPBOARD"));
    ASSERT_NE(ours, Window(None));
    const std::string command = "printf 'Grüße aus xclip' | xclip -display " + m_displayName + " -selection clipboard -i";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // xclip takes the clipboard in the background, after the command returned.
    while (XGetSelectionOwner(m_driver, AtomNamed("CLIPBOARD")) == ours)
        Settle();
    EXPECT_EQ(GetText(), u"Grüße aus xclip");
    // Ours again once we copy.
    PutText(u"mine again");
    Settle();
    EXPECT_EQ(GetText(), u"mine again");
    // xclip reads it while this thread, the GUI thread, keeps answering.
    std::atomic<bool> done { false };
    std::string read;
    std::thread reader([&] {
        if (FILE* out = popen(("xclip -display " + m_displayName + " -selection clipboard -o -t UTF8_STRING").c_str(), "r")) {
            char buffer[256];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, out)) > 0)
                read.append(buffer, n);
            pclose(out);
        }
        done = true;
    });
    while (!done) {
        Settle();
        std::this_thread::yield();
    }
    reader.join();
    EXPECT_EQ(read, "mine again");
}

// About 1.3 MB of UTF-8 text with characters of two and three bytes, so that pieces split them.
std::string LargeText()
{
    std::string text;
    for (int i = 0; text.size() < 1300 * 1024; ++i)
        text += "Zeile " + std::to_string(i) + ": Größe 640 × 480 – fertig\n";
    return text;
}

TEST_F(X11ExchangeTest, LargeTextReachesAnotherProgramInPieces)
{
    const std::string text = LargeText();
    PutText(Utf8ToUtf16(text));
    Settle();
    // Asked for it, we announce the pieces (INCR with the size).
    Window other = Foreign({ 900, 700, 950, 750 });
    XConvertSelection(m_driver, AtomNamed("CLIPBOARD"), AtomNamed("UTF8_STRING"), AtomNamed("DRIVER_PROPERTY"), other, CurrentTime);
    XSync(m_driver, False);
    Settle();
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(m_driver, other, AtomNamed("DRIVER_PROPERTY"), 0, 1, False, AnyPropertyType, &type, &format, &count,
                  &after, &data),
        Success);
    EXPECT_EQ(type, AtomNamed("INCR"));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(*reinterpret_cast<long*>(data), long(text.size()));
    XFree(data);
    // xclip reads the whole text piece by piece while this thread answers.
    std::atomic<bool> done { false };
    std::string read;
    std::thread reader([&] {
        if (FILE* out = popen(("xclip -display " + m_displayName + " -selection clipboard -o -t UTF8_STRING").c_str(), "r")) {
            char buffer[65536];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, out)) > 0)
                read.append(buffer, n);
            pclose(out);
        }
        done = true;
    });
    while (!done) {
        Settle();
        std::this_thread::yield();
    }
    reader.join();
    EXPECT_EQ(read.size(), text.size());
    EXPECT_TRUE(read == text);
}

TEST_F(X11ExchangeTest, AnotherProgramsLargeTextArrivesInPieces)
{
    const std::string text = LargeText();
    std::atomic<bool> owning { false }, finished { false };
    std::atomic<int> pieces { 0 };
    // Another program on its own connection and thread: it owns the clipboard and sends its
    // text only in pieces of 50,000 bytes, each once the last one was taken.
    std::thread owner([&] {
        Display* d = XOpenDisplay(m_displayName.c_str());
        if (!d)
            return;
        Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
        const Atom clipboard = XInternAtom(d, "CLIPBOARD", False), utf8 = XInternAtom(d, "UTF8_STRING", False),
                   incr = XInternAtom(d, "INCR", False);
        XSetSelectionOwner(d, clipboard, w, CurrentTime);
        XSync(d, False);
        owning = true;
        Window requestor = 0;
        Atom property = 0;
        size_t sent = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!finished && std::chrono::steady_clock::now() < end) {
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == SelectionRequest) {
                    const XSelectionRequestEvent& r = e.xselectionrequest;
                    XEvent notify {};
                    notify.xselection.type = SelectionNotify;
                    notify.xselection.requestor = r.requestor;
                    notify.xselection.selection = r.selection;
                    notify.xselection.target = r.target;
                    notify.xselection.time = r.time;
                    notify.xselection.property = None;
                    if (r.target == utf8) {
                        XSelectInput(d, r.requestor, PropertyChangeMask);
                        const long size = long(text.size());
                        XChangeProperty(d, r.requestor, r.property, incr, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
                        notify.xselection.property = r.property;
                        requestor = r.requestor;
                        property = r.property;
                        sent = 0;
                    }
                    XSendEvent(d, r.requestor, False, NoEventMask, &notify);
                } else if (e.type == PropertyNotify && e.xproperty.window == requestor && e.xproperty.atom == property
                    && e.xproperty.state == PropertyDelete) {
                    const size_t piece = std::min<size_t>(50000, text.size() - sent);
                    XChangeProperty(d, requestor, property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data() + sent), int(piece));
                    sent += piece;
                    ++pieces;
                    finished = piece == 0;
                }
                XFlush(d);
            }
            pollfd fd { ConnectionNumber(d), POLLIN, 0 };
            poll(&fd, 1, 20);
        }
        XCloseDisplay(d);
    });
    while (!owning)
        std::this_thread::yield();
    const std::u16string got = GetText();
    finished = true;
    owner.join();
    EXPECT_EQ(got.size(), Utf8ToUtf16(text).size());
    EXPECT_TRUE(got == Utf8ToUtf16(text));
    EXPECT_GE(pieces.load(), 27) << "1.3 MB in pieces of 50,000 bytes, and the empty last one";
}

TEST_F(X11ExchangeTest, FilesDroppedOnAWindowThatAcceptsThemArrive)
{
    struct Drop {
        HWND window;
        POINT at;
        std::vector<std::u16string> paths;
    };
    std::vector<Drop> drops;
    SetFileDropReceiver([&](HWND w, POINT at, const std::vector<std::u16string>& paths) { drops.push_back({ w, at, paths }); });
    Window source = Foreign({ 900, 700, 950, 750 });
    XSetSelectionOwner(m_driver, AtomNamed("XdndSelection"), source, CurrentTime);
    const Window target = XOf(m_main);
    RECT child;
    GetWindowRect(m_accepting, &child);
    const long x = child.left + 10, y = child.top + 10;

    // Over the window's own area (it does not accept files): refused.
    SendClient(target, "XdndEnter", long(source), 5L << 24, long(AtomNamed("text/uri-list")));
    RECT main;
    GetWindowRect(m_main, &main);
    SendClient(target, "XdndPosition", long(source), 0, ((main.left + 20) << 16) | (main.top + 60), CurrentTime, long(AtomNamed("XdndActionCopy")));
    Settle();
    XEvent status {};
    ASSERT_TRUE(XCheckTypedWindowEvent(m_driver, source, ClientMessage, &status));
    EXPECT_EQ(status.xclient.message_type, AtomNamed("XdndStatus"));
    EXPECT_EQ(status.xclient.data.l[1] & 1, 0);

    // Over the child that accepts files: accepted, then dropped.
    SendClient(target, "XdndPosition", long(source), 0, (x << 16) | y, CurrentTime, long(AtomNamed("XdndActionCopy")));
    Settle();
    ASSERT_TRUE(XCheckTypedWindowEvent(m_driver, source, ClientMessage, &status));
    EXPECT_EQ(status.xclient.data.l[1] & 1, 1);
    EXPECT_EQ(Atom(status.xclient.data.l[4]), AtomNamed("XdndActionCopy"));
    SendClient(target, "XdndDrop", long(source), 0, CurrentTime);
    Settle();

    // We ask the source for the list; the source answers.
    XEvent request {};
    ASSERT_TRUE(XCheckTypedEvent(m_driver, SelectionRequest, &request));
    EXPECT_EQ(request.xselectionrequest.target, AtomNamed("text/uri-list"));
    const std::string list = "# two files\r\nfile:///tmp/holiday%20photos/a%C3%A9.jpg\r\nfile://localhost/tmp/b.png\r\nhttp://example.invalid/c.png\r\n";
    XChangeProperty(m_driver, request.xselectionrequest.requestor, request.xselectionrequest.property, AtomNamed("text/uri-list"), 8,
        PropModeReplace, reinterpret_cast<const unsigned char*>(list.data()), int(list.size()));
    XEvent notify {};
    notify.xselection.type = SelectionNotify;
    notify.xselection.requestor = request.xselectionrequest.requestor;
    notify.xselection.selection = request.xselectionrequest.selection;
    notify.xselection.target = request.xselectionrequest.target;
    notify.xselection.property = request.xselectionrequest.property;
    notify.xselection.time = request.xselectionrequest.time;
    XSendEvent(m_driver, request.xselectionrequest.requestor, False, NoEventMask, &notify);
    XSync(m_driver, False);
    Settle();

    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].window, m_accepting);
    EXPECT_EQ(drops[0].at.x, x);
    EXPECT_EQ(drops[0].at.y, y);
    EXPECT_EQ(drops[0].paths, (std::vector<std::u16string> { u"/tmp/holiday photos/aé.jpg", u"/tmp/b.png" }));
    XEvent finished {};
    ASSERT_TRUE(XCheckTypedWindowEvent(m_driver, source, ClientMessage, &finished));
    EXPECT_EQ(finished.xclient.message_type, AtomNamed("XdndFinished"));
    EXPECT_EQ(finished.xclient.data.l[1], 1);
}

} // namespace
} // namespace xvfb_test
