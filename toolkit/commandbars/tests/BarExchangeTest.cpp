#include "toolkit/commandbars/CommandBars.h"

#include "platform/base/Registry.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/FrameWnd.h"
#include "platform/testkit/Desktop.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/LayoutStore.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"
#include "toolkit/controls/persist/PropExchangeIniFile.h"
#include "toolkit/controls/persist/PropExchangeRegistry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

namespace {

class BarExchangeTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        RegisterControlClasses();
        GetMouseManager();
        m_frame = new CFrameWnd;
        ASSERT_TRUE(m_frame->Create(nullptr, u"Site", WS_OVERLAPPEDWINDOW, CRect(50, 50, 650, 450)));
        m_bars = new CJQWCommandBars;
        m_bars->SetSite(m_frame);
        m_bars->CreateDockBars();
        m_params.pCommandBars = m_bars;
    }
    void TearDown() override
    {
        m_bars->InternalRelease();
        m_frame->DestroyWindow();
        testkit::DesktopTest::TearDown();
    }

    // A toolbar with a plain button, a menu of two items and a drop-down whose menu has no id.
    CJQWToolBar* BuildToolBar()
    {
        CJQWToolBar* bar = m_bars->AddToolBar(u"Standard", jqwBarTop);
        bar->SetBarID(151);
        bar->SetFlags(0x40, 0);
        bar->SetIconSize(CSize(24, 24));
        bar->SetBuiltIn(FALSE);
        bar->SetCloseable(FALSE);
        CJQWControls* controls = bar->GetControls();
        CJQWControl* run = controls->Add(JQW_CONTROL_BUTTON, 100);
        run->SetCaption(CString(u"&Run"));
        run->SetDescription(CString(u"Runs the stack"));
        run->SetTag(0xBEEF);
        run->SetBeginGroup(TRUE);
        run->SetFlags(jqwFlagRightAlign);
        run->GetDocTemplatesExcluded()[128] = TRUE;
        for (int i = 0; i < 2; ++i) {
            auto* popup = static_cast<CJQWControlPopup*>(controls->Add(JQW_CONTROL_BUTTON_POPUP, 0));
            popup->SetCaption(CString(i ? u"&More" : u"&Targets"));
            CJQWPopupBar* menu = CJQWPopupBar::CreatePopupBar(m_bars);
            menu->GetControls()->Add(JQW_CONTROL_BUTTON, 200 + i)->SetCaption(CString(u"First"));
            menu->GetControls()->Add(JQW_CONTROL_BUTTON, 210 + i)->SetCaption(CString(u"Second"));
            menu->SetContextMenu(i == 1);
            popup->SetCommandBar(menu);
            menu->InternalRelease();
        }
        controls->Add(JQW_CONTROL_BUTTON, 300, CString(), -1, TRUE); // temporary: never saved
        return bar;
    }

    struct Store {
        const char* name;
        std::function<std::unique_ptr<CJQWPropExchange>(BOOL loading)> open;
    };

    CFrameWnd* m_frame = nullptr;
    CJQWCommandBars* m_bars = nullptr;
    JQW_COMMANDBARS_EXCHANGE_PARAMS m_params;
};

void ReleaseExchange(CJQWPropExchange* exchange) { exchange->InternalRelease(); }

} // namespace

TEST_F(BarExchangeTest, SavedBarsComeBackWithEveryValueInEachStore)
{
    CJQWToolBar* source = BuildToolBar();
    CJQWCommandBarList list(m_bars);
    m_bars->CollectBarsForSave(list, m_params);
    ASSERT_EQ(list.GetCount(), 3); // the toolbar and its two menus
    EXPECT_EQ(list.GetAt(1)->GetBarID(), 0x1000000u);
    EXPECT_EQ(list.GetAt(2)->GetBarID(), 0x1000001u);

    CMemFile memory;
    std::unique_ptr<CArchive> archive;
    const std::string ini = Folder() + "/layout.ini";
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt Tests", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr),
        ERROR_SUCCESS);
    const std::vector<std::pair<const char*, std::function<CJQWPropExchange*(BOOL)>>> stores = {
        { "archive",
            [&](BOOL loading) -> CJQWPropExchange* {
                if (loading)
                    memory.SeekToBegin();
                archive = std::make_unique<CArchive>(&memory, loading ? CArchive::load : CArchive::store);
                auto* exchange = new CJQWPropExchangeArchive(*archive);
                exchange->ExchangeSchema();
                return exchange;
            } },
        { "registry", [&](BOOL loading) -> CJQWPropExchange* { return new CJQWPropExchangeRegistry(loading, root, u"Layout"); } },
        { "ini",
            [&](BOOL loading) -> CJQWPropExchange* {
                auto* exchange = new CJQWPropExchangeIniFile(loading, nullptr, u"Layout");
                exchange->AssignFile(CString(ini.c_str()));
                return exchange;
            } },
    };
    for (const auto& [name, open] : stores) {
        SCOPED_TRACE(name);
        {
            CJQWPropExchange* save = open(FALSE);
            save->m_pOwner = &m_params;
            ASSERT_TRUE(m_bars->SaveBars(save, list));
            ReleaseExchange(save);
            if (archive)
                archive->Close();
        }
        CJQWCommandBarList loaded(m_bars);
        CJQWPropExchange* load = open(TRUE);
        load->m_pOwner = &m_params;
        ASSERT_TRUE(m_bars->LoadBars(load, loaded));
        ReleaseExchange(load);
        archive.reset();
        ASSERT_EQ(loaded.GetCount(), 3);
        std::vector<CJQWCommandBar*> resolving;
        for (int i = 0; i < loaded.GetCount(); ++i)
            loaded.GetAt(i)->ResolvePopupBars(loaded, resolving);

        auto* bar = dynamic_cast<CJQWToolBar*>(loaded.GetAt(0));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->GetBarID(), 151u);
        EXPECT_EQ(bar->GetTitle(), CString(u"Standard"));
        EXPECT_EQ(bar->GetFlags(), source->GetFlags());
        EXPECT_EQ(bar->GetIconSize(), CSize(24, 24));
        EXPECT_FALSE(bar->IsBuiltIn());
        EXPECT_FALSE(bar->IsCloseable());
        EXPECT_EQ(bar->GetCommandBars(), m_bars);
        ASSERT_EQ(bar->GetControlCount(), 3); // the temporary control stayed behind
        CJQWControl* run = bar->GetControl(0);
        EXPECT_EQ(run->GetID(), 100);
        EXPECT_EQ(run->GetCaption(), CString(u"&Run"));
        EXPECT_EQ(run->GetDescription(), CString(u"Runs the stack"));
        EXPECT_EQ(run->GetTag(), DWORD_PTR(0xBEEF));
        EXPECT_TRUE(run->GetBeginGroup());
        EXPECT_EQ(run->GetFlags(), DWORD(jqwFlagRightAlign));
        EXPECT_EQ(run->GetDocTemplatesExcluded().size(), 1u);
        for (int i = 1; i <= 2; ++i) {
            auto* popup = dynamic_cast<CJQWControlPopup*>(bar->GetControl(i));
            ASSERT_NE(popup, nullptr);
            EXPECT_EQ(popup->GetType(), JQW_CONTROL_BUTTON_POPUP);
            ASSERT_NE(popup->GetCommandBar(), nullptr);
            EXPECT_EQ(popup->GetCommandBar(), loaded.GetAt(i));
            EXPECT_EQ(popup->GetCommandBar()->GetControlCount(), 2);
            EXPECT_EQ(popup->GetCommandBar()->GetControl(0)->GetID(), 200 + i - 1);
        }
        EXPECT_TRUE(static_cast<CJQWPopupBar*>(loaded.GetAt(2))->IsContextMenu());
        EXPECT_FALSE(static_cast<CJQWPopupBar*>(loaded.GetAt(1))->IsContextMenu());
    }
    RegCloseKey(root);
}

namespace {

// A layout written by hand in the INI form: one toolbar of one control and a popup bar.
std::string Fixture(int schema, const std::string& barExtra, const std::string& controlExtra)
{
    return "[Layout]\n"
           "[Layout\\CommandBars]\nCount=2\n"
           "[Layout\\CommandBars\\CommandBar0]\nClass=CJQWToolBar\nType=0\nBarID=1\nTitle=Menu Bar\n"
        + barExtra
        + "[Layout\\CommandBars\\CommandBar0\\Controls]\nCount=1\n"
          "[Layout\\CommandBars\\CommandBar0\\Controls\\Control0]\nClass=CJQWControlButton\nType=1\nId=7\n"
        + controlExtra
        + "[Layout\\CommandBars\\CommandBar1]\nClass=CJQWPopupBar\nType=2\nBarID=9\n"
          "[Layout\\CommandBars\\CommandBar1\\Controls]\nCount=0\n"
        + "; schema " + std::to_string(schema) + "\n";
}

} // namespace

TEST_F(BarExchangeTest, OlderSchemasLoadWithTheDefaultsOfTheKeysTheyLack)
{
    const std::string path = Folder() + "/fixture.ini";
    struct Case {
        int schema;
        BOOL closeable;
        int customStyle;
        bool gripperStyle;
        int width;
    };
    for (const Case& c : { Case { 16, FALSE, -1, true, 0 }, Case { 17, TRUE, -1, true, 0 },
             Case { 19, TRUE, 0, true, 40 }, Case { 23, TRUE, 0, false, 40 } }) {
        SCOPED_TRACE(c.schema);
        std::ofstream(path) << Fixture(c.schema, "", "CustomStyle=0\nWidth=40\n");
        CJQWPropExchangeIniFile load(TRUE, nullptr, u"Layout");
        load.AssignFile(CString(path.c_str()));
        load.SetSchema(UINT(c.schema));
        load.m_pOwner = &m_params;
        CJQWCommandBarList loaded(m_bars);
        ASSERT_TRUE(m_bars->LoadBars(&load, loaded));
        ASSERT_EQ(loaded.GetCount(), 2);
        auto* bar = static_cast<CJQWToolBar*>(loaded.GetAt(0));
        EXPECT_EQ(bar->IsCloseable(), c.closeable); // a menu bar of schema 16 or older is not closeable
        CJQWControl* control = bar->GetControl(0);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->GetCustomStyle(), c.customStyle);
        EXPECT_EQ(control->GetWidth(), c.width);
        EXPECT_EQ((loaded.GetAt(1)->GetBarStyle() & 0x400000) != 0, c.gripperStyle);
    }
}

TEST_F(BarExchangeTest, HostileLayoutsAreRefusedOrBoundedWithoutACrash)
{
    const std::string path = Folder() + "/hostile.ini";
    auto load = [&](const std::string& text, CJQWCommandBarList& loaded) {
        std::ofstream(path) << text;
        CJQWPropExchangeIniFile exchange(TRUE, nullptr, u"Layout");
        exchange.AssignFile(CString(path.c_str()));
        exchange.m_pOwner = &m_params;
        return m_bars->LoadBars(&exchange, loaded);
    };
    {
        // A count far beyond the sections there are: the first missing one ends the load.
        CJQWCommandBarList loaded(m_bars);
        EXPECT_FALSE(load("[Layout\\CommandBars]\nCount=2000000000\n"
                          "[Layout\\CommandBars\\CommandBar0]\nClass=CJQWToolBar\n",
            loaded));
        EXPECT_EQ(loaded.GetCount(), 1);
    }
    {
        // A class that is no bar, and one that names nothing.
        CJQWCommandBarList loaded(m_bars);
        EXPECT_FALSE(load("[Layout\\CommandBars]\nCount=1\n[Layout\\CommandBars\\CommandBar0]\nClass=CJQWControlButton\n", loaded));
        CJQWCommandBarList other(m_bars);
        EXPECT_FALSE(load("[Layout\\CommandBars]\nCount=1\n[Layout\\CommandBars\\CommandBar0]\nClass=NoSuchClass\n", other));
    }
    {
        // A button stored with a popup's type keeps its own; a popup stored as a button keeps a
        // popup's; bars stored with types and places nobody knows get the plain ones.
        CJQWCommandBarList loaded(m_bars);
        ASSERT_TRUE(load("[Layout\\CommandBars]\nCount=1\n"
                         "[Layout\\CommandBars\\CommandBar0]\nClass=CJQWToolBar\nType=77\nPosition=-3\n"
                         "[Layout\\CommandBars\\CommandBar0\\Controls]\nCount=2\n"
                         "[Layout\\CommandBars\\CommandBar0\\Controls\\Control0]\nClass=CJQWControlButton\nType=2\n"
                         "[Layout\\CommandBars\\CommandBar0\\Controls\\Control1]\nClass=CJQWControlPopup\nType=1\n",
            loaded));
        CJQWCommandBar* bar = loaded.GetAt(0);
        EXPECT_EQ(bar->GetType(), jqwBarTypeNormal);
        EXPECT_EQ(bar->GetPosition(), jqwBarTop);
        EXPECT_EQ(bar->GetControl(0)->GetType(), JQW_CONTROL_BUTTON);
        EXPECT_EQ(bar->GetControl(1)->GetType(), JQW_CONTROL_POPUP);
    }
    {
        // Popup bars that name each other: relinking stops at the cycle.
        CJQWCommandBarList loaded(m_bars);
        ASSERT_TRUE(load("[Layout\\CommandBars]\nCount=2\n"
                         "[Layout\\CommandBars\\CommandBar0]\nClass=CJQWPopupBar\nType=2\nBarID=16777216\n"
                         "[Layout\\CommandBars\\CommandBar0\\Controls]\nCount=1\n"
                         "[Layout\\CommandBars\\CommandBar0\\Controls\\Control0]\nClass=CJQWControlPopup\nType=2\nCommandBarId=16777217\n"
                         "[Layout\\CommandBars\\CommandBar1]\nClass=CJQWPopupBar\nType=2\nBarID=16777217\n"
                         "[Layout\\CommandBars\\CommandBar1\\Controls]\nCount=1\n"
                         "[Layout\\CommandBars\\CommandBar1\\Controls\\Control0]\nClass=CJQWControlPopup\nType=2\nCommandBarId=16777216\n",
            loaded));
        std::vector<CJQWCommandBar*> resolving;
        loaded.GetAt(0)->ResolvePopupBars(loaded, resolving);
        EXPECT_EQ(loaded.GetAt(0)->GetControl(0)->GetCommandBar(), loaded.GetAt(1));
        EXPECT_EQ(loaded.GetAt(1)->GetControl(0)->GetCommandBar(), loaded.GetAt(0));
        // Break the cycle so the bars can go.
        static_cast<CJQWControlPopup*>(loaded.GetAt(0)->GetControl(0))->SetCommandBar(nullptr);
        static_cast<CJQWControlPopup*>(loaded.GetAt(1)->GetControl(0))->SetCommandBar(nullptr);
    }
}
