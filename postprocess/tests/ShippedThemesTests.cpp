// The themes the program ships: complete, named so that nothing they hold can overwrite the
// gallery's own files, and every link of their pages leads to a file.

#include "PostProcessTestSupport.h"

#include "engine/ProgramData.h"
#include "platform/base/ProcessInfo.h"
#include "postprocess/ActionImageGallery.h"

#include <regex>

using namespace pptest;

namespace {

class ShippedThemes : public ScratchTest {
protected:
    void TearDown() override
    {
        SetProgramFilePathForTesting("");
        ScratchTest::TearDown();
    }
};

TEST_F(ShippedThemes, EveryThemeIsCompleteAndMakesPagesWhoseLinksAllLead)
{
    fs::path shipped = fs::path(VORNALT_SOURCE_DIR) / "data" / "gallery_themes";
    fs::create_directories(Root() / "program");
    fs::copy(shipped, Root() / "program" / "gallery_themes", fs::copy_options::recursive);
    SetProgramFilePathForTesting((Root() / "program" / "vornalt").string());
    std::vector<std::u16string> themes;
    ListGalleryThemes(themes);
    ASSERT_GE(themes.size(), 3u);
    EXPECT_NE(std::find(themes.begin(), themes.end(), u"default"), themes.end());

    const std::regex generated("index[0-9]*\\.html|thumbs|images", std::regex::icase);
    for (const std::u16string& theme : themes) {
        SCOPED_TRACE(N(theme));
        fs::path folder = Root() / "program" / "gallery_themes" / N(theme);
        for (const char* file : { "templ.header.html", "templ.thumbnail.html", "templ.footer.html", "sample.jpg", "style.css" })
            EXPECT_TRUE(fs::is_regular_file(folder / file)) << file;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            std::string name = entry.path().filename().string();
            EXPECT_FALSE(std::regex_match(name, generated)) << entry.path();
            if (entry.path().extension() == ".html" || entry.path().extension() == ".css") {
                std::string text = ReadFile(entry.path());
                EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text) << entry.path() << " is not UTF-8";
            }
        }

        fs::path gallery = Root() / ("gallery-" + N(theme));
        fs::create_directories(gallery);
        std::vector<RefPtr<CImageFileTarget>> targets;
        for (const char* name : { "one.jpg", "two & three.jpg", "four.png" }) {
            WriteImage(Root() / "photos" / name, 64, 48);
            targets.push_back(MakeTarget(Root() / "photos" / name));
        }
        auto action = RefPtr<CActionImageGallery>::Adopt(new CActionImageGallery);
        action->SetPropertyString(u"theme", theme);
        action->SetPropertyString(u"destinationdir", U(gallery));
        action->SetPropertyInt(u"thumbsperpage", 2);
        auto stack = StackFor(action.get(), targets);
        EXPECT_EQ(action->PostProcess(), 0);
        CommandResult checked = RunCommand("python3 " + Quote((TestSourceFolder() / "check_gallery.py").string()) + " "
            + Quote(gallery.string()));
        EXPECT_EQ(checked.exitCode, 0) << checked.output;
        EXPECT_EQ(checked.output, "page index.html 2\npage index2.html 1\n");
    }
    EXPECT_EQ(ActionLogLines(), std::vector<std::string> {});
}

}
