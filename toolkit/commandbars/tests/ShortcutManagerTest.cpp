#include "toolkit/commandbars/ShortcutManager.h"

#include "KeyboardTestResources.h"
#include "platform/base/Modules.h"
#include "platform/controls/CommonControls.h"
#include "platform/base/ResourceTable.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"
#include "toolkit/controls/persist/PropExchangeIniFile.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/base/Profile.h"

namespace {

std::vector<ACCEL> Entries(HACCEL table)
{
    std::vector<ACCEL> entries(std::size_t(table ? CopyAcceleratorTableW(table, nullptr, 0) : 0));
    if (!entries.empty())
        CopyAcceleratorTableW(table, entries.data(), int(entries.size()));
    return entries;
}

bool operator==(const ACCEL& a, const ACCEL& b) { return a.fVirt == b.fVirt && a.key == b.key && a.cmd == b.cmd; }

class ShortcutManagerTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        m_module = platform::modules::Register(u"shortcut_test_module", {});
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, KeyboardTestResources));
        AfxSetResourceHandle(m_module);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"shortcut_test_module");
        testkit::DesktopTest::TearDown();
    }
    HMODULE m_module = nullptr;
};

} // namespace

TEST(ShortcutText, EntriesFormatAsTheirModifiersAndKeyNames)
{
    struct Case {
        BYTE virt;
        WORD key;
        const char16_t* text;
        int priority;
    };
    const Case cases[] = {
        { 0x09, 0x43, u"Ctrl+C", 3 },
        { 0x0D, 0x74, u"Ctrl+Shift+F5", 3 },
        { 0x01, 0x03, u"Ctrl+Break", 4 }, // the name carries the modifier
        { 0x09, 0x03, u"Ctrl+Break", 3 },
        { 0x00, u'+', u"+", 4 },          // a character entry is the character itself
        { 0x00, 0x1B, u"", 4 },           // except Esc and Tab
        { 0x00, 0x09, u"", 4 },
        { 0x19, 0x2E, u"Ctrl+Alt+Del", 3 },
        { 0x15, 0x70, u"Shift+Alt+F1", 2 },
        { 0x05, 0x66, u"Shift+Num 6", 1 },
        { 0x08, 0x00, u"Ctrl", 3 },       // no key: the trailing "+" goes
    };
    CJQWShortcutManager manager(nullptr);
    for (const Case& c : cases) {
        const ACCEL accel { c.virt, c.key, 1 };
        int priority = 0;
        EXPECT_EQ(manager.FormatAccel(&accel, &priority), CString(c.text)) << int(c.virt) << " " << c.key;
        EXPECT_EQ(priority, c.priority) << int(c.virt) << " " << c.key;
    }
}

TEST(ShortcutText, KeyNamesComeFromTheTableThenTheLayout)
{
    CJQWShortcutManager manager(nullptr);
    EXPECT_EQ(manager.FormatKeyName(0x2E), CString(u"Del"));
    EXPECT_EQ(manager.FormatKeyName(0x7B), CString(u"F12"));
    EXPECT_EQ(manager.FormatKeyName(0x69), CString(u"Num 9"));
    // A key the table lacks takes the layout's name with only its first letter upper-case.
    WCHAR raw[50] {};
    ASSERT_GT(GetKeyNameTextW(LONG(MapVirtualKeyW(0xBA, MAPVK_VK_TO_VSC) << 16) | 1, raw, 50), 0);
    const CString name = manager.FormatKeyName(0xBA);
    ASSERT_FALSE(name.IsEmpty());
    EXPECT_EQ(CString(raw).MakeLower(), CString(name).MakeLower());
    for (int i = 0; i < name.GetLength(); ++i)
        if (std::iswalpha(wint_t(name[i]))) {
            EXPECT_TRUE(std::iswupper(wint_t(name[i])));
            for (int j = i + 1; j < name.GetLength(); ++j)
                EXPECT_FALSE(std::iswupper(wint_t(name[j]))) << Utf16ToUtf8(name.GetString());
            break;
        }
    // Layout names first: Delete's name comes from the layout.
    manager.m_bUseLayoutNamesFirst = TRUE;
    EXPECT_NE(manager.FormatKeyName(0x2E), CString(u"Del"));
    EXPECT_EQ(manager.FormatKeyName(0x03), CString(u"Ctrl+Break")); // no layout name for it
}

TEST(ShortcutText, OnlyABareEscapeKeyIsRefusedUnlessAllowed)
{
    CJQWShortcutManager manager(nullptr);
    const ACCEL bare { FVIRTKEY, 0x1B, 1 }, shifted { FVIRTKEY | FSHIFT, 0x1B, 1 }, character { 0, 0x1B, 1 };
    EXPECT_FALSE(manager.IsKeyAllowed(&bare, 1));
    EXPECT_TRUE(manager.IsKeyAllowed(&shifted, 1));
    EXPECT_TRUE(manager.IsKeyAllowed(&character, 1));
    manager.m_bAllowEscapeShortcut = TRUE;
    EXPECT_TRUE(manager.IsKeyAllowed(&bare, 1));
}

TEST(ShortcutText, KeysMatchTheirOwnCharacterWithoutTheLayouts)
{
    EXPECT_TRUE(CJQWShortcutManager::KeyMatchesChar(u'a', 0x41));
    EXPECT_TRUE(CJQWShortcutManager::KeyMatchesChar(u'A', 0x41));
    EXPECT_FALSE(CJQWShortcutManager::KeyMatchesChar(u'b', 0x41));
    EXPECT_FALSE(CJQWShortcutManager::KeyMatchesChar(u'p', 0x70)); // F1 types nothing
}

TEST_F(ShortcutManagerTest, TheShownShortcutPrefersTableOrderAndFewerModifiers)
{
    CJQWCommandBars bars;
    CJQWShortcutManager& manager = *bars.GetShortcutManager();
    CString text = u"untouched";
    EXPECT_FALSE(manager.GetShortcutText(100, text)); // no table anywhere
    EXPECT_EQ(text, CString(u"untouched"));

    manager.LoadAcceleratorResource(135);
    ASSERT_NE(manager.GetCurrentTable(), nullptr);
    ASSERT_NE(manager.GetDefaultTable(), manager.GetCurrentTable()); // two copies
    struct Case {
        UINT command;
        const char16_t* given;
        const char16_t* shown;
        BOOL result;
    };
    for (const Case& c : {
             Case { 100, u"", u"Ctrl+C", TRUE },          // Ctrl+C before Ctrl+Ins
             Case { 100, u"Ctrl+Ins", u"Ctrl+Ins", TRUE }, // the caller's own text is one of them
             Case { 100, u"ctrl+ins", u"Ctrl+C", TRUE },   // compared case-sensitively
             Case { 101, u"", u"F5", TRUE },               // F5 over Ctrl+F5
             Case { 102, u"", u"Ctrl+Shift+N", TRUE },
             Case { 999, u"Stale", u"", FALSE },
         }) {
        CString shown(c.given);
        EXPECT_EQ(manager.GetShortcutText(c.command, shown), c.result) << c.command;
        EXPECT_EQ(shown, CString(c.shown)) << c.command;
    }
}

TEST_F(ShortcutManagerTest, WithoutTablesTheSiteFramesOwnAcceleratorsAreShown)
{
    CFrameWnd* frame = new CFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, u"Site"));
    const ACCEL own[] = { { FVIRTKEY | FALT, 0x47, 7 } };
    frame->m_hAccelTable = CreateAcceleratorTableW(own, 1);
    {
        // The site outlives its bars.
        CJQWCommandBars bars;
        bars.SetSite(frame);
        CString text;
        EXPECT_TRUE(bars.GetShortcutManager()->GetShortcutText(7, text));
        EXPECT_EQ(text, CString(u"Alt+G"));
    }
    frame->DestroyWindow();
}

TEST_F(ShortcutManagerTest, SavedShortcutsReplaceTheTableAndResetBringsTheResourceBack)
{
    CWinApp app(u"Shortcuts");
    app.SetRegistryKey(u"Vornalt Tests");
    CJQWShortcutManager manager(nullptr);
    // Nothing is read while there is no default table.
    const ACCEL saved[2] = { { FVIRTKEY | FCONTROL, 0x51, 5 }, { FVIRTKEY, 0x72, 6 } };
    std::vector<BYTE> value(reinterpret_cast<const BYTE*>(saved), reinterpret_cast<const BYTE*>(saved) + 12);
    value.push_back(0xEE); // 13 bytes: the remainder is ignored
    ASSERT_TRUE(app.WriteProfileBinary(u"CommandBars", u"Accelerators", value.data(), UINT(value.size())));
    manager.LoadShortcuts(u"CommandBars");
    EXPECT_EQ(manager.GetCurrentTable(), nullptr);

    manager.LoadAcceleratorResource(135);
    manager.LoadShortcuts(u"CommandBars");
    const std::vector<ACCEL> loaded = Entries(manager.GetCurrentTable());
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_TRUE(loaded[0] == saved[0] && loaded[1] == saved[1]);
    EXPECT_EQ(Entries(manager.GetDefaultTable()).size(), 5u);

    const BYTE five[5] = { FVIRTKEY, 0, 0x41, 0, 9 };
    ASSERT_TRUE(app.WriteProfileBinary(u"Damaged", u"Accelerators", five, 5));
    manager.LoadShortcuts(u"Damaged"); // not one whole entry: refused
    EXPECT_EQ(Entries(manager.GetCurrentTable()).size(), 2u);
    manager.LoadShortcuts(u"Nowhere"); // a missing value leaves the table alone
    EXPECT_EQ(Entries(manager.GetCurrentTable()).size(), 2u);
    manager.ResetAccelerators();
    EXPECT_EQ(Entries(manager.GetCurrentTable()).size(), 5u);

    manager.LoadAcceleratorResource(4242); // missing: both tables go
    EXPECT_EQ(manager.GetCurrentTable(), nullptr);
    EXPECT_EQ(manager.GetDefaultTable(), nullptr);
}

TEST_F(ShortcutManagerTest, TranslationStopsWhileDisabled)
{
    CFrameWnd* frame = new CFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, u"Site"));
    CJQWShortcutManager manager(nullptr);
    manager.LoadAcceleratorResource(135);
    MSG msg { frame->GetSafeHwnd(), WM_KEYDOWN, 0x74, 0, 0, {} };
    EXPECT_TRUE(manager.TranslateAccelerator(frame->GetSafeHwnd(), &msg));
    manager.m_nDisableShortcuts = 1;
    EXPECT_FALSE(manager.TranslateAccelerator(frame->GetSafeHwnd(), &msg));
    frame->DestroyWindow();
}

TEST_F(ShortcutManagerTest, TheTableRoundTripsThroughAnArchiveAndAnIniFile)
{
    CJQWShortcutManager source(nullptr);
    const ACCEL entries[3] = { { FVIRTKEY | FCONTROL, 0x43, 100 }, { 0, u'+', 0xFFFE }, { FVIRTKEY | FALT, 0x2E, 7 } };
    source.SetCurrentTable(entries, 3);

    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        CJQWPropExchangeArchive save(archive);
        source.DoPropExchange(&save);
    }
    file.SeekToBegin();
    {
        CArchive archive(&file, CArchive::load);
        CJQWPropExchangeArchive load(archive);
        CJQWShortcutManager target(nullptr);
        target.DoPropExchange(&load);
        const std::vector<ACCEL> got = Entries(target.GetCurrentTable());
        ASSERT_EQ(got.size(), 3u);
        EXPECT_TRUE(got[0] == entries[0] && got[1] == entries[1] && got[2] == entries[2]);
    }

    const CString ini((Folder() + "/shortcuts.ini").c_str());
    {
        CJQWPropExchangeIniFile save(FALSE, nullptr, u"Shortcuts");
        save.AssignFile(ini);
        source.DoPropExchange(&save);
    }
    auto entry = [&](const WCHAR* section, const WCHAR* key) {
        WCHAR buffer[32] {};
        GetPrivateProfileStringW(section, key, u"", buffer, 32, ini);
        return CString(buffer);
    };
    EXPECT_EQ(entry(u"Shortcuts", u"Count"), CString(u"3"));
    EXPECT_EQ(entry(u"Shortcuts\\Accel2", u"key"), CString(u"46"));
    CJQWPropExchangeIniFile load(TRUE, nullptr, u"Shortcuts");
    load.AssignFile(ini);
    CJQWShortcutManager target(nullptr);
    target.DoPropExchange(&load);
    const std::vector<ACCEL> got = Entries(target.GetCurrentTable());
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(got[0] == entries[0] && got[1] == entries[1] && got[2] == entries[2]);
}

TEST_F(ShortcutManagerTest, TheKeyBoxCapturesTheCombinationTyped)
{
    CFrameWnd* frame = new CFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, u"Keys"));
    frame->ShowWindow(SW_SHOW);
    CJQWShortcutManager manager(nullptr);
    RegisterControlClasses();
    CJQWShortcutManager::CKeyAssign box(&manager);
    ASSERT_TRUE(box.Create(u"EDIT", u"", WS_CHILD | WS_VISIBLE, CRect(4, 4, 200, 24), frame, 1));
    box.SetFocus();
    auto pump = [] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
    };
    testkit::Key(VK_F5, testkit::Ctrl | testkit::Shift);
    pump();
    EXPECT_TRUE(box.IsKeyCaptured());
    EXPECT_EQ(box.GetAccel().fVirt, FVIRTKEY | FCONTROL | FSHIFT);
    EXPECT_EQ(box.GetAccel().key, VK_F5);
    CString text;
    box.GetWindowText(text);
    EXPECT_EQ(text, CString(u"Ctrl+Shift+F5"));

    testkit::Key(VK_ESCAPE); // a bare Esc is not allowed: the box empties
    pump();
    EXPECT_FALSE(box.IsKeyCaptured());
    box.GetWindowText(text);
    EXPECT_EQ(text, CString(u""));
    box.DestroyWindow();
    frame->DestroyWindow();
}
