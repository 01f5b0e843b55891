// The window-message entries: every ON_WM_ macro builds against CWnd's own handlers, and the
// parameters arrive cracked as the platform packs them.

#include "platform/framework/Wnd.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every entry with the handlers CWnd gives: they pass each message on to the default procedure.
class CEveryMessage : public CWnd {
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEveryMessage, CWnd)
    ON_WM_CREATE()
    ON_WM_NCCREATE()
    ON_WM_DESTROY()
    ON_WM_NCDESTROY()
    ON_WM_MOVE()
    ON_WM_SIZE()
    ON_WM_ACTIVATE()
    ON_WM_ACTIVATEAPP()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_WM_ENABLE()
    ON_WM_PAINT()
    ON_WM_CLOSE()
    ON_WM_ERASEBKGND()
    ON_WM_SHOWWINDOW()
    ON_WM_SETCURSOR()
    ON_WM_MOUSEACTIVATE()
    ON_WM_GETMINMAXINFO()
    ON_WM_WINDOWPOSCHANGING()
    ON_WM_WINDOWPOSCHANGED()
    ON_WM_CONTEXTMENU()
    ON_WM_STYLECHANGING()
    ON_WM_STYLECHANGED()
    ON_WM_NCCALCSIZE()
    ON_WM_NCHITTEST()
    ON_WM_NCPAINT()
    ON_WM_NCACTIVATE()
    ON_WM_GETDLGCODE()
    ON_WM_NCMOUSEMOVE()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_NCLBUTTONUP()
    ON_WM_NCLBUTTONDBLCLK()
    ON_WM_NCRBUTTONDOWN()
    ON_WM_NCRBUTTONUP()
    ON_WM_NCMOUSELEAVE()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_CHAR()
    ON_WM_SYSKEYDOWN()
    ON_WM_SYSKEYUP()
    ON_WM_SYSCHAR()
    ON_WM_SYSCOMMAND()
    ON_WM_TIMER()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_WM_INITMENU()
    ON_WM_INITMENUPOPUP()
    ON_WM_MENUSELECT()
    ON_WM_MENUCHAR()
    ON_WM_ENTERIDLE()
    ON_WM_CTLCOLOR()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_RBUTTONUP()
    ON_WM_RBUTTONDBLCLK()
    ON_WM_MBUTTONDOWN()
    ON_WM_MBUTTONUP()
    ON_WM_MBUTTONDBLCLK()
    ON_WM_MOUSEHOVER()
    ON_WM_MOUSEWHEEL()
    ON_WM_MOUSEHWHEEL()
    ON_WM_MOUSELEAVE()
    ON_WM_PARENTNOTIFY()
    ON_WM_CAPTURECHANGED()
    ON_WM_SIZING()
    ON_WM_MOVING()
    ON_WM_ENTERSIZEMOVE()
    ON_WM_EXITSIZEMOVE()
    ON_WM_ENTERMENULOOP()
    ON_WM_EXITMENULOOP()
    ON_WM_SETTINGCHANGE()
    ON_WM_SYSCOLORCHANGE()
    ON_WM_THEMECHANGED()
    ON_WM_CANCELMODE()
    ON_WM_QUERYENDSESSION()
    ON_WM_ENDSESSION()
    ON_WM_CHANGEUISTATE()
    ON_WM_UPDATEUISTATE()
    ON_WM_QUERYUISTATE()
END_MESSAGE_MAP()

std::string g_seen;

class CCracked : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnSize(UINT type, int cx, int cy) { g_seen = "size " + std::to_string(type) + " " + std::to_string(cx) + " " + std::to_string(cy); }
    void OnMove(int x, int y) { g_seen = "move " + std::to_string(x) + " " + std::to_string(y); }
    BOOL OnMouseWheel(UINT keys, short delta, CPoint at)
    {
        g_seen = "wheel " + std::to_string(keys) + " " + std::to_string(delta) + " " + std::to_string(at.x) + " " + std::to_string(at.y);
        return TRUE;
    }
    void OnActivate(UINT state, CWnd* other, BOOL minimized)
    {
        g_seen = "activate " + std::to_string(state) + " " + (other ? "other" : "none") + " " + std::to_string(minimized);
    }
    BOOL OnSetCursor(CWnd* wnd, UINT hit, UINT message)
    {
        g_seen = "cursor " + std::string(wnd == this ? "self" : "?") + " " + std::to_string(hit) + " " + std::to_string(message);
        return TRUE;
    }
    void OnKeyDown(UINT key, UINT repeat, UINT flags)
    {
        g_seen = "key " + std::to_string(key) + " " + std::to_string(repeat) + " " + std::to_string(flags);
    }
    LRESULT OnNcHitTest(CPoint at) { return at.x < 0 ? 12 : 1; }
    void OnRButtonUp(UINT keys, CPoint at) { g_seen = "rup " + std::to_string(keys) + " " + std::to_string(at.x) + " " + std::to_string(at.y); }
    void OnTimer(UINT_PTR id) { g_seen = "timer " + std::to_string(id); }
    void OnContextMenu(CWnd*, CPoint at) { g_seen = "context " + std::to_string(at.x) + " " + std::to_string(at.y); }
};

BEGIN_MESSAGE_MAP(CCracked, CWnd)
    ON_WM_SIZE()
    ON_WM_MOVE()
    ON_WM_MOUSEWHEEL()
    ON_WM_ACTIVATE()
    ON_WM_SETCURSOR()
    ON_WM_KEYDOWN()
    ON_WM_NCHITTEST()
    ON_WM_RBUTTONUP()
    ON_WM_TIMER()
    ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

} // namespace

TEST(MessageCrackers, EveryEntryPassesOnToTheDefaultProcedureThroughCWndsHandlers)
{
    CEveryMessage wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"every", WS_OVERLAPPEDWINDOW, 0, 0, 120, 80, nullptr, nullptr));
    wnd.SetWindowText(u"text");
    CString text;
    wnd.GetWindowText(text);
    EXPECT_EQ(text, CString(u"text"));
    // The default answers come back through the handlers: a hit test of the client area.
    CRect rect;
    wnd.GetWindowRect(&rect);
    EXPECT_EQ(wnd.SendMessage(WM_NCHITTEST, 0, MAKELONG(WORD(rect.CenterPoint().x), WORD(rect.CenterPoint().y))),
        ::DefWindowProcW(wnd, WM_NCHITTEST, 0, MAKELONG(WORD(rect.CenterPoint().x), WORD(rect.CenterPoint().y))));
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST(MessageCrackers, ParametersArriveAsThePlatformPacksThem)
{
    CCracked wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"cracked", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        const char* seen;
    };
    const Case cases[] = {
        { WM_SIZE, 2, MAKELONG(640, 480), "size 2 640 480" },
        { WM_MOVE, 0, MAKELONG(WORD(-20), WORD(-30)), "move -20 -30" },
        { WM_MOUSEWHEEL, MAKELONG(0x0008, WORD(-240)), MAKELONG(WORD(-5), 700), "wheel 8 -240 -5 700" },
        { WM_ACTIVATE, MAKELONG(2, 1), 0, "activate 2 none 1" },
        { WM_KEYDOWN, 'F', LPARAM(0x00210001), "key 70 1 33" },
        { WM_RBUTTONUP, 0x0004, MAKELONG(3, WORD(-4)), "rup 4 3 -4" },
        { WM_TIMER, 52426, 0, "timer 52426" },
        { WM_CONTEXTMENU, 0, LPARAM(-1), "context -1 -1" }, // from the keyboard
    };
    for (const Case& c : cases) {
        g_seen.clear();
        wnd.SendMessage(c.message, c.wParam, c.lParam);
        EXPECT_EQ(g_seen, c.seen);
    }
    g_seen.clear();
    EXPECT_EQ(wnd.SendMessage(WM_SETCURSOR, WPARAM(wnd.m_hWnd), MAKELONG(1, WM_LBUTTONDOWN)), TRUE);
    EXPECT_EQ(g_seen, "cursor self 1 513");
    EXPECT_EQ(wnd.SendMessage(WM_NCHITTEST, 0, MAKELONG(WORD(-1), 5)), 12);
    EXPECT_EQ(wnd.SendMessage(WM_NCHITTEST, 0, MAKELONG(1, 5)), 1);
}
