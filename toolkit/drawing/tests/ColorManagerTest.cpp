#include "toolkit/drawing/ColorManager.h"

#include "platform/framework/File.h"
#include "platform/base/Modules.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/drawing/tests/FakeThemeModule.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

struct Golden {
    std::map<int, COLORREF> entries;
    struct Gradient {
        COLORREF first, second;
        float factor;
    };
    std::map<int, Gradient> gradients;
};

// The table worked out by the independent script from the system colours in force.
Golden RunScript(bool lowColor)
{
    char input[] = "/tmp/vornalt-colors-XXXXXX";
    const int fd = mkstemp(input);
    EXPECT_GE(fd, 0);
    {
        std::ofstream out(input);
        for (int i = 1; i <= 29; ++i) {
            const COLORREF c = GetSysColor(i);
            out << i << ' ' << int(GetRValue(c)) << ' ' << int(GetGValue(c)) << ' ' << int(GetBValue(c)) << '\n';
        }
        out << "lowcolor " << (lowColor ? 1 : 0) << '\n';
    }
    close(fd);
    const std::string command = std::string("python3 " VORNALT_SOURCE_DIR "/toolkit/drawing/tests/tools/color_table.py < ") + input;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::string text;
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe))
        text += buffer;
    if (pipe) {
        EXPECT_EQ(pclose(pipe), 0) << command;
    }
    unlink(input);
    Golden golden;
    std::istringstream lines(text);
    std::string kind;
    while (lines >> kind) {
        int index, r, g, b;
        lines >> index >> r >> g >> b;
        if (kind == "entry") {
            golden.entries[index] = RGB(BYTE(r), BYTE(g), BYTE(b));
        } else {
            int r2, g2, b2;
            float factor;
            lines >> r2 >> g2 >> b2 >> factor;
            golden.gradients[index] = { RGB(BYTE(r), BYTE(g), BYTE(b)), RGB(BYTE(r2), BYTE(g2), BYTE(b2)), factor };
        }
    }
    return golden;
}

std::string Rgb(COLORREF c)
{
    return "(" + std::to_string(GetRValue(c)) + ", " + std::to_string(GetGValue(c)) + ", " +
           std::to_string(GetBValue(c)) + ")";
}

void ExpectTableMatchesScript(bool lowColor)
{
    const Golden golden = RunScript(lowColor);
    ASSERT_EQ(golden.entries.size(), 63u);
    ASSERT_EQ(golden.gradients.size(), 10u);
    CJQWColorManager manager;
    for (const auto& [index, color] : golden.entries)
        EXPECT_EQ(Rgb(manager.GetColor(index)), Rgb(color)) << "entry " << index;
    for (const auto& [number, gradient] : golden.gradients) {
        const CJQWPaintManagerColorGradient& ours = manager.Gradient(number);
        EXPECT_EQ(Rgb(ours.clrLight), Rgb(gradient.first)) << "gradient " << number;
        EXPECT_EQ(Rgb(ours.clrDark), Rgb(gradient.second)) << "gradient " << number;
        EXPECT_FLOAT_EQ(ours.fGradientFactor, gradient.factor) << "gradient " << number;
    }
}

} // namespace

TEST(ColorManager, TablesEqualTheIndependentComputation)
{
    {
        SCOPED_TRACE("desktop colours");
        ExpectTableMatchesScript(false);
    }
    {
        SCOPED_TRACE("classic grey");
        ScopedSystemModel model;
        model.UseClassicColors();
        ExpectTableMatchesScript(false);
    }
    {
        SCOPED_TRACE("black 3-D face, a highlight close to the toolbar");
        ScopedSystemModel model;
        model.Edit().colors[15] = RGB(0, 0, 0);
        model.Edit().colors[13] = RGB(20, 24, 30);
        ExpectTableMatchesScript(false);
        CJQWColorManager manager;
        EXPECT_EQ(manager.GetColor(48), RGB(35, 35, 35));
        EXPECT_EQ(manager.GetColor(49), RGB(127, 127, 127));
    }
    {
        SCOPED_TRACE("white window text on white");
        ScopedSystemModel model;
        model.Edit().colors[8] = RGB(255, 255, 255);
        model.Edit().colors[18] = RGB(250, 250, 250);
        ExpectTableMatchesScript(false);
    }
}

TEST(ColorManager, LowColorScreenStopsAfterTheBaseCopies)
{
    ScopedSystemModel model;
    model.Edit().bitsPerPixel = 8;
    EXPECT_TRUE(CJQWColorManager::IsLowColorDevice(nullptr));
    ExpectTableMatchesScript(true);
    CJQWColorManager manager;
    EXPECT_EQ(manager.GetColor(31), GetSysColor(5));
    for (int flat : { 1, 3 }) {
        EXPECT_EQ(COLORREF(manager.Gradient(flat).clrLight), GetSysColor(15));
        EXPECT_EQ(COLORREF(manager.Gradient(flat).clrDark), GetSysColor(15));
    }
}

TEST(ColorManager, IndexesAndLiteralsAndBlends)
{
    CJQWColorManager manager;
    EXPECT_EQ(manager.GetColor(63), 63u);
    EXPECT_EQ(manager.GetColor(RGB(0, 0, 255)), RGB(0, 0, 255));
    EXPECT_EQ(manager.GetColor(62), RGB(0, 0, 0));
    EXPECT_EQ(manager.GetColor(5), GetSysColor(5));
    const COLORREF white = RGB(255, 255, 255), black = 0;
    EXPECT_EQ(CJQWColorManager::BlendColors(white, black, 99), RGB(252, 252, 252));
    EXPECT_EQ(CJQWColorManager::BlendColors(white, black, 100), RGB(26, 26, 26));
    EXPECT_EQ(CJQWColorManager::BlendColors(white, black, 90), RGB(230, 230, 230));
    EXPECT_EQ(CJQWColorManager::BlendColors(white, black, 165), RGB(42, 42, 42));
}

TEST(ColorManager, HotBorderIsPushedAwayFromTheToolbarBackground)
{
    ScopedSystemModel model;
    // A highlight the same as the 3-D face would make the hot border invisible.
    model.Edit().colors[13] = model.Edit().colors[15];
    CJQWColorManager manager;
    EXPECT_NE(manager.GetColor(32), GetSysColor(13));
    // Now at least the threshold apart, give or take the rounding to whole channels.
    EXPECT_TRUE(CJQWColorManager::ColorsDiffer(manager.GetColor(30), manager.GetColor(32), 95));
}

TEST(ColorManager, SchemesComeFromTheActiveVisualStyle)
{
    struct Case {
        const char16_t* file;
        const char16_t* color;
        int scheme;
        float gradient3Factor;
        COLORREF entry54;
    };
    const Case cases[] = {
        { u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", u"NormalColor", 1, 0.75f, RGB(0, 45, 150) },
        { u"C:\\WINDOWS\\Resources\\Themes\\Luna\\LUNA.MSSTYLES", u"HomeStead", 2, 0.3f, RGB(96, 128, 88) },
        { u"x:\\themes\\WinXP.Luna.qvstyles", u"Metallic", 3, 0.75f, RGB(124, 124, 148) },
        { u"C:\\WINDOWS\\Resources\\Themes\\Royale.msstyles", u"NormalColor", 0, 0.5f, GetSysColor(16) },
        { u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", u"Plum", 0, 0.5f, GetSysColor(16) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.scheme));
        FakeThemeModule fake;
        fake.active = true;
        fake.fileName = c.file;
        fake.colorName = c.color;
        fake.Install();
        EXPECT_EQ(CJQWColorManager::DetectLunaScheme(), c.scheme);
        CJQWColorManager manager;
        EXPECT_EQ(manager.GetCurrentSystemTheme(), c.scheme);
        EXPECT_FLOAT_EQ(manager.Gradient(3).fGradientFactor, c.gradient3Factor);
        EXPECT_EQ(manager.GetColor(54), c.entry54);
    }
    platform::modules::Reset();
    EXPECT_EQ(CJQWColorManager::DetectLunaScheme(), 0);
}

TEST(ColorManager, TreeViewBorderFillsEntry57WhenThemed)
{
    {
        CJQWColorManager manager;
        EXPECT_EQ(manager.GetColor(57), GetSysColor(16));
    }
    FakeThemeModule fake;
    fake.active = true;
    fake.openSucceeds = true;
    fake.borderColor = RGB(1, 2, 3);
    fake.Install();
    CJQWColorManager manager;
    EXPECT_EQ(manager.GetColor(57), RGB(1, 2, 3));
    EXPECT_EQ(fake.Log().front(), "OpenThemeData TREEVIEW");
    platform::modules::Reset();
}

TEST(ColorManager, ColourValuesSerializeAsStandardCustomAndFactor)
{
    CJQWPaintManagerColorGradient gradient;
    gradient.SetStandardValue(RGB(1, 2, 3), RGB(4, 5, 6), 0.25f);
    gradient.clrDark.SetCustomValue(RGB(7, 8, 9));
    EXPECT_EQ(COLORREF(gradient.clrDark), RGB(7, 8, 9));
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        gradient.Serialize(archive);
    }
    ASSERT_EQ(file.GetLength(), 20u);
    file.Seek(0, CFile::begin);
    BYTE bytes[20];
    file.Read(bytes, 20);
    const BYTE expected[16] = { 1, 2, 3, 0, 0xFF, 0xFF, 0xFF, 0xFF, 4, 5, 6, 0, 7, 8, 9, 0 };
    EXPECT_EQ(std::memcmp(bytes, expected, 16), 0);
    file.Seek(0, CFile::begin);
    CJQWPaintManagerColorGradient loaded;
    {
        CArchive archive(&file, CArchive::load);
        loaded.Serialize(archive);
    }
    EXPECT_EQ(loaded.clrLight.GetStandardValue(), RGB(1, 2, 3));
    EXPECT_EQ(loaded.clrLight.GetCustomValue(), JQW_COLOR_UNSET);
    EXPECT_EQ(loaded.clrDark.GetCustomValue(), RGB(7, 8, 9));
    EXPECT_FLOAT_EQ(loaded.fGradientFactor, 0.25f);

    CJQWPaintManagerColorGradient copy;
    copy.SetStandardFrom(gradient);
    EXPECT_EQ(copy.clrDark.GetStandardValue(), RGB(7, 8, 9));
    EXPECT_EQ(copy.clrDark.GetCustomValue(), JQW_COLOR_UNSET);
}
