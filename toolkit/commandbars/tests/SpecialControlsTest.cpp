// Menu placeholders expanding into generated entries, and the grid selector's size.
#include "toolkit/commandbars/SpecialControls.h"

#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ToolBar.h"

#include <gtest/gtest.h>

namespace {

class RecentFiles : public CJQWControlRecentFileList {
public:
    const std::vector<CString>* GetRecentFileList() const override { return m_present ? &m_names : nullptr; }
    std::vector<CString> m_names;
    bool m_present = true;
};

std::string Utf8(const CString& text)
{
    std::string out;
    for (int i = 0; i < text.GetLength(); ++i)
        out += char(text.GetAt(i));
    return out;
}

class SpecialControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_menu = CJQWPopupBar::CreatePopupBar(nullptr);
        m_menu->GetControls()->Add(JQW_CONTROL_BUTTON, 100)->SetCaption(CString(u"Open"));
    }
    void TearDown() override { m_menu->InternalRelease(); }
    std::vector<std::string> Captions() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < m_menu->GetControlCount(); ++i)
            if (m_menu->GetControl(i)->IsVisible())
                out.push_back(Utf8(m_menu->GetControl(i)->GetCaption()));
        return out;
    }
    CJQWPopupBar* m_menu = nullptr;
};

} // namespace

TEST(EntryCaptionTest, NumbersAndAmpersands)
{
    EXPECT_EQ(Utf8(JQWEntryCaption(CString(u"Salt & Pepper"), 3)), "&3 Salt && Pepper");
    EXPECT_EQ(Utf8(JQWEntryCaption(CString(u"ten"), 10)), "1&0 ten");
    EXPECT_EQ(Utf8(JQWEntryCaption(CString(u"eleven"), 11)), "11 eleven");
    EXPECT_EQ(Utf8(JQWEntryCaption(CString(u"A&B"), 0)), "A&&B");
}

TEST_F(SpecialControlsTest, RecentFileListExpandsEveryTimeAndNumbersTwelveEntries)
{
    auto* recent = new RecentFiles;
    m_menu->GetControls()->Add(recent, 57616);
    for (int i = 1; i <= 12; ++i)
        recent->m_names.push_back(CString(u"f") + CString(std::to_string(i).c_str()) + CString(u".stack"));
    for (int round = 0; round < 2; ++round) {
        recent->PrepareLayout(0);
        const auto captions = Captions();
        ASSERT_EQ(captions.size(), 13u);
        EXPECT_EQ(captions[1], "&1 f1.stack");
        EXPECT_EQ(captions[9], "&9 f9.stack");
        EXPECT_EQ(captions[10], "1&0 f10.stack");
        EXPECT_EQ(captions[12], "12 f12.stack");
        EXPECT_EQ(m_menu->GetControl(2)->GetID(), 57616);
        EXPECT_TRUE(m_menu->GetControl(2)->GetBeginGroup()) << "the placeholder does not stand first";
        EXPECT_TRUE(m_menu->GetControl(2)->IsTemporary());
    }
    // An empty first entry: the placeholder shows itself, disabled, with nothing generated.
    recent->m_names.assign(1, CString());
    recent->PrepareLayout(0);
    EXPECT_EQ(m_menu->GetControlCount(), 2);
    EXPECT_TRUE(recent->IsVisible());
    EXPECT_FALSE(recent->GetEnabled());
}

TEST_F(SpecialControlsTest, WindowListWithoutAnMdiClientNeitherHidesNorAdds)
{
    auto* windows = new CJQWControlWindowList;
    m_menu->GetControls()->Add(windows, 35000);
    windows->PrepareLayout(0);
    EXPECT_EQ(m_menu->GetControlCount(), 2);
    EXPECT_TRUE(windows->IsVisible());
    int effect = 1;
    EXPECT_TRUE(windows->CanDropOnBar(m_menu, CPoint(), effect));
    CJQWToolBar toolbar;
    EXPECT_FALSE(windows->CanDropOnBar(&toolbar, CPoint(), effect));
    EXPECT_EQ(effect, 0);
}

TEST(SelectorTest, FiveByFourCellsOf28PixelsMeasure140By112)
{
    CJQWControlSelector selector;
    EXPECT_EQ(selector.GetSize(nullptr), CSize(140, 112));
    selector.SetRect(CRect(10, 10, 150, 122));
    selector.OnMouseMove(CPoint(70, 40));
    EXPECT_EQ(selector.m_szItemsHover, CSize(3, 2));
    CJQWControlSelector copy;
    selector.m_szItemsCount = CSize(3, 3);
    copy.Copy(&selector, FALSE);
    EXPECT_EQ(copy.m_szItemsCount, CSize(3, 3));
}
