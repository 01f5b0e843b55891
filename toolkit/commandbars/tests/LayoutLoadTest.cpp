#include "toolkit/commandbars/LayoutStore.h"

#include "platform/controls/CommonControls.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/MessageBoxes.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/DockBar.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <vector>

namespace {

// A site that handles the customize command, so the controls half of a layout is read.
class CustomizableSite : public CFrameWnd {
    DECLARE_MESSAGE_MAP()
public:
    void OnCustomize() { }
};

BEGIN_MESSAGE_MAP(CustomizableSite, CFrameWnd)
    ON_COMMAND(35001, &CustomizableSite::OnCustomize)
END_MESSAGE_MAP()

class LayoutLoadTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        RegisterControlClasses();
        GetMouseManager();
        m_model.Edit().monitors = { { { 0, 0, 1280, 1024 }, { 0, 0, 1280, 1024 } } };
        m_app = std::make_unique<CWinApp>(u"Layouts");
        m_app->SetRegistryKey(u"Vornalt Tests");
        m_frame = new CustomizableSite;
        ASSERT_TRUE(m_frame->Create(nullptr, u"Site", WS_OVERLAPPEDWINDOW, CRect(50, 50, 650, 450)));
        m_bars = new CJQWCommandBars;
        m_bars->SetSite(m_frame);
        m_bars->CreateDockBars();
        ASSERT_TRUE(m_bars->IsCustomizable());
    }
    void TearDown() override
    {
        m_bars->InternalRelease();
        m_frame->DestroyWindow();
        m_app.reset();
        testkit::DesktopTest::TearDown();
    }
    CJQWToolBar* AddToolBar(UINT id, std::initializer_list<int> commands)
    {
        CJQWToolBar* bar = m_bars->AddToolBar(u"Bar", jqwBarTop);
        bar->SetBarID(id);
        for (int command : commands)
            bar->GetControls()->Add(JQW_CONTROL_BUTTON, command);
        bar->GetControls()->CreateOriginalControls();
        return bar;
    }
    static std::vector<int> Commands(const CJQWCommandBar* bar)
    {
        std::vector<int> ids;
        for (int i = 0; i < bar->GetControlCount(); ++i)
            if (!bar->GetControl(i)->IsTemporary())
                ids.push_back(bar->GetControl(i)->GetID());
        return ids;
    }
    // The archive of the manager's customized bars, as a saved layout keeps it ("ZIP!" or plain).
    std::vector<BYTE> SavedControls(bool compress)
    {
        JQW_COMMANDBARS_EXCHANGE_PARAMS params;
        params.pCommandBars = m_bars;
        CJQWCommandBarList list(m_bars);
        m_bars->CollectBarsForSave(list, params);
        CMemFile file;
        {
            CArchive archive(&file, CArchive::store);
            CJQWPropExchangeArchive save(archive);
            save.m_pOwner = &params;
            save.ExchangeSchema();
            EXPECT_TRUE(m_bars->SaveBars(&save, list));
        }
        std::vector<BYTE> plain(std::size_t(file.GetLength()));
        file.SeekToBegin();
        file.Read(plain.data(), UINT(plain.size()));
        if (!compress)
            return plain;
        uLongf size = compressBound(uLong(plain.size()));
        std::vector<BYTE> blob(8 + size);
        std::memcpy(blob.data(), "ZIP!", 4);
        for (int i = 0; i < 4; ++i)
            blob[4 + i] = BYTE(plain.size() >> (8 * i));
        compress2(blob.data() + 8, &size, plain.data(), uLong(plain.size()), 9);
        blob.resize(8 + size);
        return blob;
    }
    void StoreControls(const std::vector<BYTE>& bytes)
    {
        ASSERT_TRUE(m_app->WriteProfileBinary(u"CommandBars-Controls", u"Controls", bytes.data(), UINT(bytes.size())));
    }

    ScopedSystemModel m_model;
    std::unique_ptr<CWinApp> m_app;
    CustomizableSite* m_frame = nullptr;
    CJQWCommandBars* m_bars = nullptr;
};

} // namespace

TEST_F(LayoutLoadTest, ACustomizedToolbarComesBackFromACompressedBlob)
{
    CJQWToolBar* bar = AddToolBar(151, { 1, 2, 3 });
    bar->GetControls()->Add(JQW_CONTROL_BUTTON, 9); // the user added a button
    for (bool compress : { true, false }) {
        StoreControls(SavedControls(compress));
        bar->GetControls()->RemoveAll(); // the program starts with its built-in bar again
        for (int command : { 1, 2, 3 })
            bar->GetControls()->Add(JQW_CONTROL_BUTTON, command);
        m_bars->GetCommandBarsOptions()->bDirty = TRUE;
        m_bars->LoadLayout(u"CommandBars");
        EXPECT_EQ(Commands(bar), (std::vector<int> { 1, 2, 3, 9 })) << compress;
        EXPECT_FALSE(m_bars->GetCommandBarsOptions()->bDirty);
        EXPECT_EQ(m_bars->GetCount(), 1);
    }
}

TEST_F(LayoutLoadTest, ChangedBuiltInControlsAskUnlessSilent)
{
    CJQWToolBar* bar = AddToolBar(151, { 1, 2 });
    bar->GetControls()->Add(JQW_CONTROL_BUTTON, 9);
    const std::vector<BYTE> saved = SavedControls(true);
    StoreControls(saved);
    // A newer program: the built-in bar has another button.
    auto rebuild = [&] {
        bar->GetControls()->RemoveAll();
        for (int command : { 1, 2, 5 })
            bar->GetControls()->Add(JQW_CONTROL_BUTTON, command);
        bar->GetControls()->CreateOriginalControls();
    };
    rebuild();
    m_bars->LoadLayout(u"CommandBars", TRUE);
    EXPECT_EQ(Commands(bar), (std::vector<int> { 1, 2, 5 })); // silent: the new built-in stays

    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDNO);
    m_bars->LoadLayout(u"CommandBars");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(Commands(bar), (std::vector<int> { 1, 2, 9 })); // No: the customized bar is kept
    ASSERT_NE(bar->GetControls()->GetOriginalControls(), nullptr);
    EXPECT_EQ(bar->GetControls()->GetOriginalControls()->GetCount(), 3); // with today's originals

    rebuild();
    boxes.AnswerNext(IDYES);
    m_bars->LoadLayout(u"CommandBars");
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(Commands(bar), (std::vector<int> { 1, 2, 5 }));
}

TEST_F(LayoutLoadTest, DamagedBlobsLeaveTheBuiltInBarsAndTheDockStateStillLoads)
{
    CJQWToolBar* bar = AddToolBar(151, { 1, 2 });
    CJQWToolBar* other = AddToolBar(5, { 7 });
    std::vector<BYTE> blob = SavedControls(true);
    blob[4] = 0xFF; // the announced length lies
    StoreControls(blob);
    m_app->WriteProfileInt(u"CommandBars-DockBar0", u"Bars", 3);
    m_app->WriteProfileInt(u"CommandBars-DockBar0", u"Bar#1", 5);
    m_app->WriteProfileInt(u"CommandBars-Summary", u"Bars", 1);
    m_app->WriteProfileInt(u"CommandBars-Bar0", u"BarID", 151);
    m_app->WriteProfileInt(u"CommandBars-Bar0", u"Floating", 1);
    m_app->WriteProfileInt(u"CommandBars-Bar0", u"XPos", 5000);
    m_app->WriteProfileInt(u"CommandBars-Bar0", u"YPos", -50);
    m_bars->LoadLayout(u"CommandBars");
    EXPECT_EQ(Commands(bar), (std::vector<int> { 1, 2 }));
    EXPECT_TRUE(bar->IsFloating());
    CRect window;
    bar->GetWindowRect(&window);
    EXPECT_EQ(window.TopLeft(), CPoint(1280 - GetSystemMetrics(SM_CXICON), 0));
    EXPECT_EQ(other->GetDockBar(), m_bars->GetDockBar(0));
    EXPECT_TRUE(m_bars->GetDockBar(0)->IsRowListWellFormed());
    EXPECT_EQ(m_bars->GetDockBar(0)->FindBar(bar), -1);
}

TEST_F(LayoutLoadTest, ASavedContextMenuNobodyHasJoinsTheManager)
{
    CJQWPopupBar* menu = CJQWPopupBar::CreatePopupBar(m_bars);
    menu->SetBarID(4242);
    menu->SetContextMenu(TRUE);
    menu->GetControls()->Add(JQW_CONTROL_BUTTON, 77);
    m_bars->GetContextMenus()->Add(menu);
    StoreControls([&] {
        JQW_COMMANDBARS_EXCHANGE_PARAMS params;
        params.pCommandBars = m_bars;
        params.bSaveOnlyCustomized = FALSE;
        CJQWCommandBarList list(m_bars);
        menu->InternalAddRef();
        list.Add(menu);
        CMemFile file;
        {
            CArchive archive(&file, CArchive::store);
            CJQWPropExchangeArchive save(archive);
            save.m_pOwner = &params;
            save.ExchangeSchema();
            EXPECT_TRUE(m_bars->SaveBars(&save, list));
        }
        std::vector<BYTE> plain(std::size_t(file.GetLength()));
        file.SeekToBegin();
        file.Read(plain.data(), UINT(plain.size()));
        return plain;
    }());
    m_bars->GetContextMenus()->RemoveAll();
    m_bars->LoadLayout(u"CommandBars");
    ASSERT_EQ(m_bars->GetContextMenus()->GetCount(), 1);
    CJQWCommandBar* loaded = m_bars->GetContextMenus()->GetAt(0);
    EXPECT_EQ(loaded->GetBarID(), 4242u);
    EXPECT_EQ(Commands(loaded), (std::vector<int> { 77 }));
    EXPECT_NE(loaded->GetControls()->GetOriginalControls(), nullptr);
}
