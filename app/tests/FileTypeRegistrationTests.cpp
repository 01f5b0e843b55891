#include "app/filetypes/FileTypeRegistration.h"

#include "app/SettingsStore.h"
#include "app/tests/AppTestSupport.h"

#include "platform/base/Registry.h"
#include "platform/controls/CommonControls.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace apptest;

namespace {

// Our registry and the desktop's folders inside a scratch home.
class FileTypeTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        for (const char* name : { "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS" }) {
            const char* old = std::getenv(name);
            m_saved.push_back({ name, old ? old : "", old != nullptr });
        }
        setenv("HOME", Root().c_str(), 1);
        setenv("XDG_DATA_HOME", (Root() / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Root() / "config").c_str(), 1);
        setenv("XDG_DATA_DIRS", (Root() / "none").c_str(), 1);
        SetRegistryFolderForTesting((Root() / "registry").string());
    }
    void TearDown() override
    {
        SetRegistryFolderForTesting("");
        for (const Saved& s : m_saved)
            if (s.had)
                setenv(s.name, s.value.c_str(), 1);
            else
                unsetenv(s.name);
        ScratchFolderTest::TearDown();
    }
    static void SetStackOwner(const char* owner)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".stack", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(owner), DWORD(strlen(owner) + 1));
        RegCloseKey(key);
    }
    static std::string StackOwner()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ".stack", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "(none)";
        char buffer[520] = {};
        DWORD size = sizeof buffer - 1;
        RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        return buffer;
    }
    // What the desktop's own tool says opens stack files.
    static std::string QueryDefault()
    {
        FILE* p = popen("xdg-mime query default application/x-vornalt-stack 2>/dev/null", "r");
        if (!p)
            return "(no xdg-mime)";
        std::string out;
        char buffer[256];
        while (fgets(buffer, sizeof buffer, p))
            out += buffer;
        pclose(p);
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
            out.pop_back();
        return out;
    }

    struct Saved {
        const char* name;
        std::string value;
        bool had;
    };
    std::vector<Saved> m_saved;
};

} // namespace

TEST_F(FileTypeTest, WithoutAnOwnerStackFilesAreRegisteredInTheRegistryAndWithTheDesktop)
{
    EXPECT_EQ(QueryDefault(), "");
    EXPECT_EQ(RegisterStackFileType(false), FILETYPE_REGISTERED);
    EXPECT_EQ(StackOwner(), "Vornalt.Document");
    EXPECT_EQ(QueryDefault(), "vornalt.desktop");
    const std::string entry = ReadFile(Root() / "data" / "applications" / "vornalt.desktop");
    EXPECT_NE(entry.find("MimeType=application/x-vornalt-stack;"), std::string::npos);
    EXPECT_NE(entry.find("Exec=\""), std::string::npos);
    EXPECT_TRUE(fs::exists(Root() / "data" / "mime" / "packages" / "vornalt-stack.xml"));
    // Registered again silently, other defaults kept.
    WriteFile(Root() / "config" / "mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop\n"
        "application/x-vornalt-stack=other.desktop\n\n[Added Associations]\nimage/png=viewer.desktop\n");
    EXPECT_EQ(RegisterStackFileType(false), FILETYPE_REGISTERED);
    EXPECT_EQ(QueryDefault(), "vornalt.desktop");
    EXPECT_EQ(ReadFile(Root() / "config" / "mimeapps.list"), "[Default Applications]\ntext/plain=editor.desktop\n"
        "application/x-vornalt-stack=vornalt.desktop\n\n[Added Associations]\nimage/png=viewer.desktop\n");
}

TEST_F(FileTypeTest, AnotherOwnerIsKeptUnlessForced)
{
    SetStackOwner("Other.Viewer");
    EXPECT_EQ(RegisterStackFileType(false), FILETYPE_OWNED_ELSEWHERE);
    EXPECT_EQ(StackOwner(), "Other.Viewer");
    EXPECT_EQ(QueryDefault(), "");
    EXPECT_EQ(RegisterStackFileType(true), FILETYPE_REGISTERED);
    EXPECT_EQ(StackOwner(), "Vornalt.Document");
    EXPECT_EQ(QueryDefault(), "vornalt.desktop");
}

TEST_F(FileTypeTest, AFailedWriteGivesTwo)
{
    WriteFile(Root() / "blocker", "a file where the registry folder would be");
    SetRegistryFolderForTesting((Root() / "blocker" / "registry").string());
    EXPECT_EQ(RegisterStackFileType(false), FILETYPE_WRITE_FAILED);
}

TEST_F(FileTypeTest, TheStartCheckAsksOnlyWhenNeededAndStoresTheAnswer)
{
    struct Case {
        const char* owner;   // null: no ".stack" key
        int stored;          // "regfiletype" before
        int answer;          // 0: must not ask
        bool dontAsk;
        int storedAfter;
        const char* ownerAfter;
    } cases[] = {
        { nullptr, 0, 0, false, 0, "Vornalt.Document" },
        { "Vornalt.Document", 0, 0, false, 0, "Vornalt.Document" },
        { "Other.Viewer", 0, IDNO, false, 0, "Other.Viewer" },
        { "Other.Viewer", 0, IDNO, true, 2, "Other.Viewer" },
        { "Other.Viewer", 0, IDYES, false, 0, "Vornalt.Document" },
        { "Other.Viewer", 0, IDYES, true, 1, "Vornalt.Document" },
        { "Other.Viewer", 1, 0, false, 1, "Vornalt.Document" },
        { "Other.Viewer", 2, 0, false, 2, "Other.Viewer" },
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index++);
        HKEY root = HKEY_CLASSES_ROOT;
        RegDeleteKeyA(root, ".stack\\ShellNew");
        RegDeleteKeyA(root, ".stack");
        if (c.owner)
            SetStackOwner(c.owner);
        CSettingsStore settings;
        settings.SetInt(u"regfiletype", c.stored);
        int asked = 0;
        CheckStackFileType(settings, [&](bool& dontAsk) {
            ++asked;
            dontAsk = c.dontAsk;
            return c.answer;
        });
        EXPECT_EQ(asked, c.answer ? 1 : 0);
        EXPECT_EQ(settings.GetInt(u"regfiletype"), c.storedAfter);
        EXPECT_EQ(StackOwner(), c.ownerAfter);
    }
}

class RegisterFileTypeDlgTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
    }
};

TEST_F(RegisterFileTypeDlgTest, YesWithTheBoxTickedAndEscapeAnswerNo)
{
    CRegisterFileTypeDlg dlg;
    Idle().Then([] {
        HWND box = testkit::FindTopLevel({ nullptr, u"Register File Types" });
        ASSERT_NE(box, nullptr);
        HWND check = ::GetDlgItem(box, IDC_REGISTERFILETYPE_DONTASK);
        testkit::Click(testkit::Center(check));
    });
    Idle().Then([] {
        HWND box = testkit::FindTopLevel({ nullptr, u"Register File Types" });
        testkit::Click(testkit::Center(::GetDlgItem(box, IDOK)));
    });
    EXPECT_EQ(dlg.DoModal(), IDYES);
    EXPECT_EQ(dlg.m_bDontAskAgain, 1);

    CRegisterFileTypeDlg again;
    Idle().Then([] { testkit::Key(VK_ESCAPE); });
    EXPECT_EQ(again.DoModal(), IDNO);
    EXPECT_EQ(again.m_bDontAskAgain, 0);
}
