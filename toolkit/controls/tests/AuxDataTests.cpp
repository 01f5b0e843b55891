#include "toolkit/controls/AuxData.h"
#include "toolkit/controls/ThemeManager.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "toolkit/controls/persist/RegistryManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

namespace {

LOGFONTW Describe(const CFont& font)
{
    LOGFONTW description {};
    ::GetObjectW(font.GetSafeHandle(), sizeof description, &description);
    return description;
}

std::u16string Face(const CFont& font) { return Describe(font).lfFaceName; }

void SetMenuFace(ScopedSystemModel& model, const char16_t* face)
{
    LOGFONTW& menu = model.Edit().menuFont;
    std::fill(std::begin(menu.lfFaceName), std::end(menu.lfFaceName), u'\0');
    std::u16string(face).copy(menu.lfFaceName, LF_FACESIZE - 1);
}

TEST(AuxData, VerticalFontsFollowTheMenuFaceWhateverFontsAreInstalled)
{
    // The layer's font table always lists the face names the toolkit asks for, so the choice is
    // the same on every machine.
    struct Case {
        const char16_t* menuFace;
        const char16_t* verticalFace;
    };
    for (const Case& c : { Case { u"Tahoma", u"Tahoma" }, Case { u"Verdana", u"Arial" } }) {
        ScopedSystemModel model;
        SetMenuFace(model, c.menuFace);
        CJQAuxData data;
        EXPECT_EQ(Face(data.font), c.menuFace);
        EXPECT_EQ(Face(data.fontVert), c.verticalFace);
        EXPECT_EQ(Face(data.fontVertBold), c.verticalFace);
        EXPECT_EQ(Describe(data.fontVert).lfEscapement, 2700);
        EXPECT_EQ(Describe(data.fontVert).lfOrientation, 900);
    }
}

TEST(AuxData, TheBoldAndUnderlinedFontsDifferFromTheNormalOneInOneFieldEach)
{
    CJQAuxData data;
    const LOGFONTW normal = Describe(data.font);
    LOGFONTW bold = Describe(data.fontBold);
    EXPECT_EQ(bold.lfWeight, FW_BOLD);
    bold.lfWeight = normal.lfWeight;
    EXPECT_EQ(std::memcmp(&bold, &normal, sizeof normal), 0);
    LOGFONTW underlined = Describe(data.fontULine);
    EXPECT_TRUE(underlined.lfUnderline);
    underlined.lfUnderline = normal.lfUnderline;
    EXPECT_EQ(std::memcmp(&underlined, &normal, sizeof normal), 0);
    EXPECT_EQ(Face(data.fontMarlett), u"Marlett");
    EXPECT_EQ(Describe(data.fontMarlett).lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(Describe(data.fontMarlett).lfHeight, Describe(data.fontIconTitle).lfHeight);
}

TEST(AuxData, AGivenFaceReplacesTheMenuStatusAndSmallCaptionFacesWhenInstalled)
{
    CJQAuxData data;
    ASSERT_TRUE(data.RefreshFonts(u"Verdana", u"Courier"));
    EXPECT_EQ(Face(data.font), u"Verdana");
    EXPECT_EQ(Face(data.fontStatus), u"Verdana");
    EXPECT_EQ(Face(data.fontSmCaption), u"Verdana");
    EXPECT_EQ(Face(data.fontVert), u"Courier");
    ASSERT_TRUE(data.RefreshFonts(u"No Such Face Anywhere", nullptr));
    EXPECT_EQ(Face(data.font), u"Tahoma");
}

TEST(AuxData, ColoursMetricsAndCursorsAreRead)
{
    CJQAuxData data;
    EXPECT_EQ(data.clrBtnFace, ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(data.clr3DDkShadow, ::GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(data.clrInactiveCaptText, ::GetSysColor(COLOR_INACTIVECAPTIONTEXT));
    EXPECT_EQ(data.cxSize, 18);
    EXPECT_EQ(data.cyMenuItem, ::GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(data.iComCtlVersion, 6 << 16);
    EXPECT_EQ(data.hcurHand, ::LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(data.hcurMove, ::LoadCursorW(nullptr, IDC_SIZEALL));
    for (HCURSOR cursor : { data.hcurDragCopy, data.hcurDragMove, data.hcurDragNone, data.hcurVSplitBar,
                            data.hcurHSplitBar })
        EXPECT_NE(cursor, nullptr);
    EXPECT_EQ(data.pstrIniFileName, &CJQRegistryManager::IniFileName());
    EXPECT_EQ(&GetGlobalAuxData(), &GetGlobalAuxData());
}

TEST(AuxData, ACursorThatCannotBeLoadedLeavesOnlyItsOwnMemberEmpty)
{
    // A resource module without the toolkit's cursors: the system cursors after them still come.
    HMODULE empty = platform::modules::Register(u"aux_data_empty_module", {});
    AfxSetResourceHandle(empty);
    CJQAuxData data;
    AfxSetResourceHandle(nullptr); // the program's own again, whatever its handle is by then
    EXPECT_EQ(data.hcurDragNone, nullptr);
    EXPECT_EQ(data.hcurVSplitBar, nullptr);
    EXPECT_EQ(data.hcurHand, ::LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(data.hcurMove, ::LoadCursorW(nullptr, IDC_SIZEALL));
}

class CountingStyle : public CJQThemeManagerStyle {
public:
    static inline int made = 0;
    static inline int refreshed = 0;
    CountingStyle() { ++made; }
    void RefreshMetrics() override { ++refreshed; }
};

class CountingFactory : public CJQThemeManagerStyleFactory {
    DECLARE_DYNCREATE(CountingFactory)
public:
    CJQThemeManagerStyle* CreateStyle(int theme) override
    {
        auto* style = new CountingStyle;
        style->m_nTheme = theme;
        return style;
    }
};
IMPLEMENT_DYNCREATE(CountingFactory, CJQThemeManagerStyleFactory)

class CountingHost : public CJQThemeManagerStyleHost {
public:
    CountingHost() : CJQThemeManagerStyleHost(RUNTIME_CLASS(CountingFactory)) { }
    void OnStyleChanged() override { ++changes; }
    int changes = 0;
};

TEST(ThemeManager, HostsShareTheirThreadsFactoryAndItsStyleIsMadeOnce)
{
    CountingStyle::made = 0;
    CountingHost first, second;
    ASSERT_NE(first.GetFactory(), nullptr);
    EXPECT_EQ(first.GetFactory(), second.GetFactory());
    CJQThemeManagerStyle* style = first.GetStyle();
    EXPECT_EQ(second.GetStyle(), style);
    EXPECT_EQ(CountingStyle::made, 1);
    EXPECT_EQ(style->m_pFactory, first.GetFactory());

    // A style of its own for one host; the shared factory tells its hosts about a new style.
    auto* own = new CountingStyle;
    first.SetStyle(own);
    EXPECT_EQ(first.GetStyle(), own);
    EXPECT_EQ(second.GetStyle(), style);
    EXPECT_EQ(first.changes, 1);
    second.GetFactory()->SetStyle(new CountingStyle);
    EXPECT_EQ(second.changes, 1);
    EXPECT_EQ(first.changes, 1);
    first.SetStyle(nullptr);
    EXPECT_EQ(first.GetStyle(), second.GetStyle());

    // Another thread has its own manager and factory.
    CJQThemeManagerStyleFactory* here = first.GetFactory();
    CJQThemeManagerStyleFactory* there = nullptr;
    std::thread([&] { there = GetThemeManager()->GetFactory(RUNTIME_CLASS(CountingFactory)); }).join();
    EXPECT_NE(there, here);
}

} // namespace
