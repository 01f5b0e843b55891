#include "toolkit/commandbars/LayoutStore.h"

#include "platform/framework/WinApp.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/Desktop.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> Blob(const std::string& plain, long announced = -1)
{
    uLongf size = compressBound(uLong(plain.size()));
    std::vector<BYTE> out(8 + size);
    std::memcpy(out.data(), "ZIP!", 4);
    const DWORD length = announced < 0 ? DWORD(plain.size()) : DWORD(announced);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = BYTE(length >> (8 * i));
    compress(out.data() + 8, &size, reinterpret_cast<const Bytef*>(plain.data()), uLong(plain.size()));
    out.resize(8 + size);
    return out;
}

std::string Contents(CMemFile& file)
{
    file.SeekToBegin();
    std::string text(std::size_t(file.GetLength()), '\0');
    file.Read(text.data(), UINT(text.size()));
    return text;
}

} // namespace

TEST(ZipMemFile, BlobsInflateAndOtherBytesAreTheArchiveItself)
{
    const std::string archive = "archive bytes of a saved layout, several times over; " + std::string(300, 'x');
    const std::vector<BYTE> blob = Blob(archive);
    CJQWZipMemFile inflated(blob.data(), DWORD(blob.size()));
    EXPECT_EQ(Contents(inflated), archive);

    const BYTE eleven[11] = { 'Z', 'I', 'P', '!', 1, 0, 0, 0, 9, 9, 9 }; // too short for a blob
    CJQWZipMemFile plain(eleven, 11);
    EXPECT_EQ(Contents(plain), std::string(reinterpret_cast<const char*>(eleven), 11));
    EXPECT_TRUE(CJQWZipMemFile::IsCompressedBlob(blob.data(), 12));
    EXPECT_FALSE(CJQWZipMemFile::IsCompressedBlob(eleven, 11));
}

TEST(ZipMemFile, DamagedBlobsGiveAnEmptyFile)
{
    const std::string archive(1000, 'a');
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({ "twelve bytes, no whole stream", { 'Z', 'I', 'P', '!', 4, 0, 0, 0, 0x78, 0x9C, 0x4B, 0x4C } });
    cases.push_back({ "announces more than it holds", Blob(archive, 5000) });
    cases.push_back({ "announces less than it holds", Blob(archive, 999) });
    cases.push_back({ "announces four gigabytes", Blob(archive, 0xFFFFFFFF) });
    cases.push_back({ "announces nothing", Blob(archive, 0) });
    std::vector<BYTE> truncated = Blob(archive);
    truncated.resize(truncated.size() - 3);
    cases.push_back({ "stream cut short", truncated });
    std::vector<BYTE> flipped = Blob(archive);
    flipped.back() ^= 0xFF; // the stream's checksum
    cases.push_back({ "checksum wrong", flipped });
    for (Case& c : cases) {
        CJQWZipMemFile file;
        auto* owned = static_cast<BYTE*>(std::malloc(c.bytes.size()));
        std::memcpy(owned, c.bytes.data(), c.bytes.size());
        EXPECT_FALSE(file.AttachBlob(owned, DWORD(c.bytes.size()), TRUE)) << c.what;
        EXPECT_EQ(file.GetLength(), 0u) << c.what;
    }
}

TEST(ZipMemFile, LoadFromFileTakesTheWholeFile)
{
    const std::string folder = testing::TempDir();
    const std::string path = folder + "/layout-controls.bin";
    const std::vector<BYTE> blob = Blob("saved controls");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(blob.data()), std::streamsize(blob.size()));
    CJQWZipMemFile file;
    ASSERT_TRUE(file.LoadFromFile(CString(path.c_str())));
    EXPECT_EQ(Contents(file), "saved controls");
    CJQWZipMemFile missing;
    EXPECT_FALSE(missing.LoadFromFile(CString((folder + "/no-such-file").c_str())));
    std::remove(path.c_str());
}

namespace {

class DockStateTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        m_model.Edit().monitors = { { { 0, 0, 1280, 1024 }, { 0, 0, 1280, 1024 } } };
        m_model.Edit().metrics[SM_CXICON] = m_model.Edit().metrics[SM_CYICON] = 32;
        m_app = std::make_unique<CWinApp>(u"Docking");
        m_app->SetRegistryKey(u"Vornalt Tests");
    }
    void TearDown() override
    {
        m_app.reset();
        testkit::DesktopTest::TearDown();
    }
    void Write(const WCHAR* section, const WCHAR* key, int value) { m_app->WriteProfileInt(section, key, value); }

    ScopedSystemModel m_model;
    std::unique_ptr<CWinApp> m_app;
};

} // namespace

TEST_F(DockStateTest, PositionsScaleToTodaysScreenAndStayOnTheWorkArea)
{
    struct Case {
        CSize saved;
        CPoint position;
        CPoint expected;
    };
    for (const Case& c : {
             Case { { 1024, 768 }, { 512, 384 }, { 640, 512 } },
             Case { { 0, 0 }, { 512, 384 }, { 512, 384 } },        // no saved size: no scaling
             Case { { 1280, 1024 }, { 5000, 5000 }, { 1248, 992 } }, // an icon's size from the edges
             Case { { 0, 0 }, { -5000, -40 }, { 0, 0 } },           // nor off to the left or top
         }) {
        Write(u"CommandBars-Summary", u"Bars", 1);
        Write(u"CommandBars-Summary", u"ScreenCX", c.saved.cx);
        Write(u"CommandBars-Summary", u"ScreenCY", c.saved.cy);
        Write(u"CommandBars-Bar0", u"BarID", 5);
        Write(u"CommandBars-Bar0", u"Floating", 1);
        Write(u"CommandBars-Bar0", u"XPos", c.position.x);
        Write(u"CommandBars-Bar0", u"YPos", c.position.y);
        CJQWDockState state;
        state.Load(u"CommandBars");
        ASSERT_EQ(state.m_arrBarInfo.size(), 1u);
        const CJQWToolBarInfo& info = *state.m_arrBarInfo[0];
        EXPECT_EQ(info.pointPos, c.expected) << c.position.x;
        EXPECT_EQ(info.nBarID, 5u);
        EXPECT_TRUE(info.bFloating);
        EXPECT_TRUE(info.bVisible);
        EXPECT_EQ(info.nMRUWidth, 0x7FFF);
        EXPECT_EQ(info.szDialogBarDockingClient, CSize(200, 200));
    }
}

TEST_F(DockStateTest, DockRectanglesMoveBackOntoTheWorkAreaWithoutResizing)
{
    Write(u"P-Summary", u"Bars", 1);
    Write(u"P-Bar0", u"MRUDockLeftPos", 2000);
    Write(u"P-Bar0", u"MRUDockTopPos", 1500);
    Write(u"P-Bar0", u"MRUDockRightPos", 2100);
    Write(u"P-Bar0", u"MRUDockBottomPos", 1530);
    CJQWDockState state;
    state.Load(u"P");
    EXPECT_EQ(state.m_arrBarInfo[0]->rectMRUDockPos, CRect(1280, 1024, 1380, 1054));
}

TEST_F(DockStateTest, DockBarRowsAndDialogBarSizes)
{
    Write(u"P-DockBar0", u"Bars", 1);
    Write(u"P-DockBar0", u"Bar#0", 5);
    Write(u"P-DockBar1", u"Bars", 3);
    Write(u"P-DockBar1", u"Bar#1", 5);
    CJQWDockState state;
    EXPECT_TRUE(state.LoadDockBarRow(u"P", 0).empty()); // one entry is left alone
    EXPECT_EQ(state.LoadDockBarRow(u"P", 1), (std::vector<UINT> { 0, 5, 0 }));
    Write(u"P-DockBar2", u"Bars", 1 << 30); // a damaged count is capped
    EXPECT_EQ(state.LoadDockBarRow(u"P", 2).size(), std::size_t(CJQWDockState::kMaxBars));

    Write(u"P-Summary", u"Bars", 2);
    Write(u"P-Bar0", u"DialogBarDockingClientCx", 90); // read only for a dialog bar
    Write(u"P-Bar1", u"DialogBar", 1);
    Write(u"P-Bar1", u"DialogBarFloatingClientCy", 75);
    state.Load(u"P");
    ASSERT_EQ(state.m_arrBarInfo.size(), 2u);
    EXPECT_EQ(state.m_arrBarInfo[0]->szDialogBarDockingClient, CSize(200, 200));
    EXPECT_EQ(state.m_arrBarInfo[1]->szDialogBarFloatingClient, CSize(200, 75));
}
