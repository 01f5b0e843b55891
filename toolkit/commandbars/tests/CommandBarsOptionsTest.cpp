#include "toolkit/commandbars/CommandBarsOptions.h"

#include "platform/base/Profile.h"
#include "platform/base/Registry.h"
#include "platform/framework/WinApp.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/Desktop.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"
#include "toolkit/controls/persist/PropExchangeIniFile.h"
#include "toolkit/controls/persist/PropExchangeRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void Fill(CJQWCommandBarsOptions& o)
{
    o.bAlwaysShowFullMenus = FALSE;
    o.bShowFullAfterDelay = FALSE;
    o.bToolBarScreenTips = FALSE;
    o.bToolBarAccelTips = TRUE;
    o.bLargeIcons = TRUE;
    o.bSyncFloatingBars = FALSE;
    o.bShowExpandButtonAlways = FALSE;
    o.bDblClickFloat = TRUE;
    o.bShowTextBelowIcons = TRUE;
    o.bAltDragCustomization = FALSE;
    o.bAutoHideUnusedPopups = FALSE;
    o.animationType = 3;
    o.keyboardCuesUse = 5;
    o.szIcons = CSize(24, 24);
    o.szLargeIcons = CSize(40, 40);
    o.szPopupIcons = CSize(20, 18);
    o.m_mapHiddenCommands.SetAt(100, TRUE);
    o.m_mapHiddenCommands.SetAt(70000, TRUE);
    o.m_mapUsedCommands.SetAt(100, TRUE);
    o.SetKeyboardCuesShow(1);
}

std::vector<UINT> Ids(const CJQWCommandSet& set)
{
    std::vector<UINT> ids;
    for (POSITION p = set.GetStartPosition(); p;) {
        UINT id = 0;
        BOOL value = FALSE;
        set.GetNextAssoc(p, id, value);
        ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

class CommandBarsOptionsTest : public testkit::DesktopTest { };

} // namespace

TEST_F(CommandBarsOptionsTest, AnArchiveRestoresEveryFieldAndBothCommandSets)
{
    CJQWCommandBars sourceBars;
    CJQWCommandBarsOptions& source = *sourceBars.GetCommandBarsOptions();
    Fill(source);
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        source.Serialize(archive);
    }
    file.SeekToBegin();
    CJQWCommandBars targetBars;
    CJQWCommandBarsOptions& target = *targetBars.GetCommandBarsOptions();
    {
        CArchive archive(&file, CArchive::load);
        target.Serialize(archive);
    }
    EXPECT_FALSE(target.bAlwaysShowFullMenus);
    EXPECT_FALSE(target.bShowFullAfterDelay);
    EXPECT_FALSE(target.bToolBarScreenTips);
    EXPECT_TRUE(target.bToolBarAccelTips);
    EXPECT_TRUE(target.bLargeIcons);
    EXPECT_FALSE(target.bSyncFloatingBars);
    EXPECT_FALSE(target.bShowExpandButtonAlways);
    EXPECT_TRUE(target.bDblClickFloat);
    EXPECT_TRUE(target.bShowTextBelowIcons);
    EXPECT_FALSE(target.bAltDragCustomization);
    EXPECT_FALSE(target.bAutoHideUnusedPopups);
    EXPECT_EQ(target.animationType, 3);
    EXPECT_EQ(target.keyboardCuesUse, 5);
    EXPECT_EQ(target.GetKeyboardCuesShow(), 1);
    EXPECT_FALSE(targetBars.m_bKeyboardCuesShown);
    EXPECT_EQ(target.szIcons, CSize(24, 24));
    EXPECT_EQ(target.szLargeIcons, CSize(40, 40));
    EXPECT_EQ(target.szPopupIcons, CSize(20, 18));
    EXPECT_EQ(Ids(target.m_mapHiddenCommands), (std::vector<UINT> { 100, 70000 }));
    EXPECT_EQ(Ids(target.m_mapUsedCommands), (std::vector<UINT> { 100 }));
}

TEST_F(CommandBarsOptionsTest, AnOldArchiveSkipsWhatItsSchemaLacks)
{
    CJQWCommandBars sourceBars;
    Fill(*sourceBars.GetCommandBarsOptions());
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        CJQWPropExchangeArchive save(archive);
        save.SetSchema(7);
        sourceBars.GetCommandBarsOptions()->DoPropExchange(&save, FALSE);
    }
    file.SeekToBegin();
    CJQWCommandBars targetBars;
    CJQWCommandBarsOptions& target = *targetBars.GetCommandBarsOptions();
    {
        CArchive archive(&file, CArchive::load);
        CJQWPropExchangeArchive load(archive);
        target.DoPropExchange(&load, FALSE);
        EXPECT_EQ(load.GetSchema(), 7u);
        EXPECT_EQ(file.GetPosition(), file.GetLength()); // read exactly what was written
    }
    EXPECT_TRUE(target.bLargeIcons);         // the five flags
    EXPECT_FALSE(target.bSyncFloatingBars); // and on at the floating-bar block
    EXPECT_EQ(Ids(target.m_mapHiddenCommands), (std::vector<UINT> { 100, 70000 }));
    EXPECT_EQ(target.animationType, 0);      // not in schema 7 archives
    EXPECT_TRUE(target.m_mapUsedCommands.IsEmpty());
    EXPECT_FALSE(target.bDblClickFloat);     // nor the later block
    EXPECT_EQ(target.keyboardCuesUse, 1);
}

TEST_F(CommandBarsOptionsTest, TheProfilesUserPartIsReadFromTheOptionsSection)
{
    CWinApp app(u"Bars");
    app.SetRegistryKey(u"Vornalt Tests");
    {
        CJQWPropExchangeRegistry save(FALSE, nullptr, u"CommandBars-Options");
        LONG schema = 7, animation = 2;
        BOOL large = TRUE, delay = FALSE;
        ExchangeLong(&save, u"Schema", schema, 0);
        ExchangeBool(&save, u"LargeIcons", large, FALSE);
        ExchangeBool(&save, u"ShowFullAfterDelay", delay, TRUE);
        ExchangeLong(&save, u"Animation", animation, 0);
        LONG dbl = 1;
        ExchangeLong(&save, u"DblClickFloat", dbl, 0); // beyond the user part: ignored
    }
    CJQWCommandBars bars;
    bars.LoadOptions(u"CommandBars");
    const CJQWCommandBarsOptions& o = *bars.GetCommandBarsOptions();
    EXPECT_TRUE(o.bLargeIcons);
    EXPECT_FALSE(o.bShowFullAfterDelay);
    EXPECT_TRUE(o.bAlwaysShowFullMenus); // absent: kept
    EXPECT_EQ(o.animationType, 2);
    EXPECT_FALSE(o.bDblClickFloat);
    EXPECT_TRUE(o.m_mapUsedCommands.IsEmpty());
}

TEST_F(CommandBarsOptionsTest, CommandSetsInAnIniFileAreNumberedItemsAndEmptySetsAreLeftOut)
{
    CJQWCommandBars bars;
    CJQWCommandBarsOptions& o = *bars.GetCommandBarsOptions();
    o.m_mapHiddenCommands.SetAt(42, TRUE);
    const CString file((Folder() + "/options.ini").c_str());
    {
        CJQWPropExchangeIniFile save(FALSE, nullptr, u"Options");
        save.AssignFile(file);
        o.DoPropExchange(&save, FALSE);
    }
    auto entry = [&](const WCHAR* section, const WCHAR* key) {
        WCHAR buffer[64] {};
        GetPrivateProfileStringW(section, key, u"<none>", buffer, 64, file);
        return CString(buffer);
    };
    EXPECT_EQ(entry(u"Options\\HiddenCommands", u"Count"), CString(u"1"));
    EXPECT_EQ(entry(u"Options\\HiddenCommands", u"Item0"), CString(u"42"));
    EXPECT_EQ(entry(u"Options\\UsedCommands", u"Count"), CString(u"<none>"));
    EXPECT_EQ(entry(u"Options", u"SyncFloatingBars"), CString(u"1")); // defaults are written too

    CJQWCommandBars other;
    CJQWPropExchangeIniFile load(TRUE, nullptr, u"Options");
    load.AssignFile(file);
    other.GetCommandBarsOptions()->DoPropExchange(&load, FALSE);
    EXPECT_EQ(Ids(other.GetCommandBarsOptions()->m_mapHiddenCommands), (std::vector<UINT> { 42 }));
}

TEST_F(CommandBarsOptionsTest, HiddenCommandsShowOnceUsed)
{
    CJQWCommandBars bars;
    CJQWCommandBarsOptions& o = *bars.GetCommandBarsOptions();
    o.m_mapHiddenCommands.SetAt(1, TRUE);
    o.m_mapHiddenCommands.SetAt(2, TRUE);
    o.m_mapUsedCommands.SetAt(2, TRUE);
    o.m_mapUsedCommands.SetAt(3, TRUE);
    EXPECT_TRUE(bars.IsCommandHidden(1));
    EXPECT_FALSE(bars.IsCommandHidden(2)); // in both sets
    EXPECT_FALSE(bars.IsCommandHidden(3)); // only used
    EXPECT_FALSE(bars.IsCommandHidden(4));
    bars.SetCommandUsed(4); // not hidden: no usage recorded
    EXPECT_FALSE(o.bDirty);
    bars.SetCommandUsed(1);
    EXPECT_FALSE(bars.IsCommandHidden(1));
    EXPECT_TRUE(o.bDirty);
    bars.ResetUsageData();
    EXPECT_TRUE(bars.IsCommandHidden(1));
    EXPECT_TRUE(bars.IsCommandHidden(2));
}

TEST_F(CommandBarsOptionsTest, KeyboardCueModes)
{
    ScopedSystemModel model;
    struct Case {
        int mode;
        BOOL systemCues;
        BOOL shown;
        BOOL untilAlt;
    };
    for (const Case& c : { Case { 0, FALSE, TRUE, FALSE }, Case { 1, TRUE, FALSE, FALSE },
             Case { 2, TRUE, TRUE, FALSE }, Case { 2, FALSE, FALSE, TRUE } }) {
        model.Edit().keyboardCues = c.systemCues;
        CJQWCommandBars bars;
        bars.GetCommandBarsOptions()->SetKeyboardCuesShow(c.mode);
        EXPECT_EQ(bars.m_bKeyboardCuesShown, c.shown) << c.mode << c.systemCues;
        EXPECT_EQ(bars.m_bKeyboardCuesUntilAlt, c.untilAlt) << c.mode << c.systemCues;
    }
}
