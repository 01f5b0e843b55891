#include "platform/controls/CommonControls.h"
#include "platform/user/MessageBox.h"
#include "platform/user/screenshot/ScreenshotPng.h"

#include "platform/base/Sound.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Runs `answer` once the box is on screen, inside its loop.
class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        m_previous = platform::user::SetMessageBoxWindows(true);
        platform::sound::Reset();
        platform::user::SetMessageBoxWatcher([this](const platform::user::MessageBoxEvent& e) {
            m_events.push_back(e);
            if (e.result == 0 && m_answer)
                m_answer(e);
        });
    }
    void TearDown() override
    {
        platform::user::SetMessageBoxWatcher(nullptr);
        platform::user::SetMessageBoxWindows(m_previous);
        for (HWND w : m_windows)
            if (IsWindow(w))
                DestroyWindow(w);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    HWND Owner()
    {
        HWND w = CreateWindowExW(0, WC_STATICW, u"owner", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr,
            nullptr, nullptr);
        m_windows.push_back(w);
        return w;
    }

    // A key for the focus window (the box's focused button), as its loop reads it.
    static void Key(WPARAM vk, UINT message = WM_KEYDOWN)
    {
        PostMessageW(GetFocus(), message, vk, 0);
    }

    std::function<void(const platform::user::MessageBoxEvent&)> m_answer;
    std::vector<platform::user::MessageBoxEvent> m_events;
    std::vector<HWND> m_windows;
    bool m_previous = false;
};

std::u16string TextOf(HWND w)
{
    WCHAR text[64] {};
    GetWindowTextW(w, text, 64);
    return text;
}

RECT ClientRectIn(HWND parent, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

TEST_F(MessageBoxTest, YesNoQuestionWithTheSecondButtonDefault)
{
    HWND owner = Owner();
    bool ownerEnabled = true;
    RECT yes {}, no {}, client {}, box {}, ownerRect {};
    HWND focus = nullptr, noButton = nullptr;
    DWORD noStyle = 0, yesStyle = 0;
    m_answer = [&](const platform::user::MessageBoxEvent& e) {
        ownerEnabled = IsWindowEnabled(owner);
        HWND yesButton = GetDlgItem(e.window, IDYES);
        noButton = GetDlgItem(e.window, IDNO);
        ASSERT_NE(yesButton, nullptr);
        ASSERT_NE(noButton, nullptr);
        EXPECT_EQ(TextOf(yesButton), u"&Yes");
        EXPECT_EQ(TextOf(noButton), u"&No");
        yes = ClientRectIn(e.window, yesButton);
        no = ClientRectIn(e.window, noButton);
        GetClientRect(e.window, &client);
        GetWindowRect(e.window, &box);
        GetWindowRect(owner, &ownerRect);
        focus = GetFocus();
        yesStyle = DWORD(GetWindowLongPtrW(yesButton, GWL_STYLE)) & BS_TYPEMASK;
        noStyle = DWORD(GetWindowLongPtrW(noButton, GWL_STYLE)) & BS_TYPEMASK;
        std::string path = ::testing::TempDir() + "message_box_yes_no.png";
        SaveScreenshotPng(path, &box);
        std::printf("message box picture: %s\n", path.c_str());
        Key(VK_RETURN);
    };
    const int result = MessageBoxW(owner, u"Remove the selected actions from the stack?", u"Vornalt",
        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(result, IDNO); // Enter answers the default button
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    // Yes then No, one row, same size, below the icon and text, centred.
    EXPECT_EQ(yes.top, no.top);
    EXPECT_LT(yes.right, no.left);
    EXPECT_EQ(yes.right - yes.left, no.right - no.left);
    EXPECT_EQ(yes.right - yes.left, 75); // 50 dialog units
    EXPECT_GE(yes.top, 11 + 32 + 11);    // below the icon and its margins
    EXPECT_NEAR((yes.left + no.right) / 2, client.right / 2, 1);
    EXPECT_EQ(focus, noButton);
    EXPECT_EQ(noStyle, BS_DEFPUSHBUTTON);
    EXPECT_EQ(yesStyle, BS_PUSHBUTTON);
    // Centred over its owner.
    EXPECT_NEAR((box.left + box.right) / 2, (ownerRect.left + ownerRect.right) / 2, 1);
    // Seen by the watcher open and answered, with the question's sound.
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[1].result, IDNO);
    EXPECT_EQ(m_events[1].caption, u"Vornalt");
    EXPECT_EQ(m_events[1].type, UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(platform::sound::Played(), std::vector<std::u16string> { u"SystemQuestion" });
}

TEST_F(MessageBoxTest, KeysAnswerByStyle)
{
    struct Case {
        const char* name;
        UINT type;
        std::vector<std::pair<UINT, WPARAM>> keys;
        int result;
    };
    const Case cases[] = {
        { "Enter on OK", MB_OK, { { WM_KEYDOWN, VK_RETURN } }, IDOK },
        { "Esc on OK", MB_OK, { { WM_KEYDOWN, VK_ESCAPE } }, IDOK },
        { "Esc with Cancel", MB_OKCANCEL, { { WM_KEYDOWN, VK_ESCAPE } }, IDCANCEL },
        { "Enter on the first", MB_YESNOCANCEL, { { WM_KEYDOWN, VK_RETURN } }, IDYES },
        { "Tab then Enter", MB_YESNOCANCEL, { { WM_KEYDOWN, VK_TAB }, { WM_KEYDOWN, VK_RETURN } }, IDNO },
        { "Esc without Cancel does nothing", MB_YESNO, { { WM_KEYDOWN, VK_ESCAPE }, { WM_CHAR, u'y' } }, IDYES },
        { "mnemonic", MB_ABORTRETRYIGNORE, { { WM_CHAR, u'i' } }, IDIGNORE },
        { "Alt mnemonic", MB_RETRYCANCEL | MB_DEFBUTTON2, { { WM_SYSCHAR, u'r' } }, IDRETRY },
        { "third default", MB_YESNOCANCEL | MB_DEFBUTTON3, { { WM_KEYDOWN, VK_RETURN } }, IDCANCEL },
    };
    for (const Case& c : cases) {
        m_answer = [&](const platform::user::MessageBoxEvent&) {
            for (auto [message, key] : c.keys)
                Key(key, message);
        };
        EXPECT_EQ(MessageBoxW(nullptr, u"Text", u"Caption", c.type), c.result) << c.name;
    }
}

TEST_F(MessageBoxTest, CloseBoxAndDefaultCaption)
{
    m_answer = [&](const platform::user::MessageBoxEvent& e) { PostMessageW(e.window, WM_CLOSE, 0, 0); };
    EXPECT_EQ(MessageBoxW(nullptr, u"Text", nullptr, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(m_events.back().caption, u"Error");
}

TEST_F(MessageBoxTest, AWorkersSendIsAnsweredWhileABoxIsOpenInsideAModalDialog)
{
    static const platform::resources::ResDialog dialog { platform::resources::kDialogTag,
        WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT, 0, 10, 10, 150, 60, u"Batch", u"", u"", 8, u"MS Shell Dlg",
        0, nullptr };
    static std::atomic<LRESULT> reply { -1 };
    static std::thread worker;
    static HWND s_dialog;
    reply = -1;
    m_answer = [&](const platform::user::MessageBoxEvent& e) {
        HWND box = e.window;
        worker = std::thread([box] {
            reply = SendMessage(s_dialog, WM_APP + 1, 7, 0); // blocks until the UI thread answers
            PostMessage(box, WM_KEYDOWN, VK_RETURN, 0);
        });
    };
    const INT_PTR result = DialogBoxIndirectParamW(nullptr, &dialog, nullptr,
        [](HWND d, UINT m, WPARAM wp, LPARAM) -> INT_PTR {
            if (m == WM_INITDIALOG) {
                s_dialog = d;
                PostMessageW(d, WM_APP, 0, 0);
                return TRUE;
            }
            if (m == WM_APP) {
                const int answer = MessageBoxW(d, u"Stop the batch?", u"Vornalt", MB_OKCANCEL);
                EndDialog(d, answer);
                return TRUE;
            }
            if (m == WM_APP + 1) {
                SetWindowLongPtrW(d, DWLP_MSGRESULT, LONG_PTR(wp) * 6);
                return TRUE;
            }
            return FALSE;
        },
        0);
    worker.join();
    EXPECT_EQ(reply.load(), 42);
    EXPECT_EQ(result, IDOK);
}

TEST_F(MessageBoxTest, WithoutWindowsTheSinkAnswers)
{
    platform::user::SetMessageBoxWindows(false);
    std::vector<std::u16string> lines;
    auto previous = SetMessageBoxTextSink([&](std::u16string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(MessageBoxW(nullptr, u"Done", u"Vornalt", MB_YESNO | MB_DEFBUTTON2), IDNO);
    SetMessageBoxTextSink(previous);
    EXPECT_EQ(lines, std::vector<std::u16string> { u"Vornalt: Done" });
    ASSERT_EQ(m_events.size(), 1u);
    EXPECT_EQ(m_events[0].window, nullptr);
    EXPECT_EQ(m_events[0].result, IDNO);
}
