#include "PostProcessTestSupport.h"

#include "engine/ProgramData.h"
#include "platform/base/ProcessInfo.h"
#include "postprocess/ActionImageGallery.h"

#include <algorithm>

using namespace pptest;

namespace {

// The program folder is pointed at the scratch folder, so each test has its own themes.
class GalleryAction : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        SetProgramFilePathForTesting((Root() / "program" / "vornalt").string());
        m_theme = Root() / "program" / "gallery_themes" / "plain";
        WriteFile(m_theme / "templ.header.html", "<h1>%%title%%</h1>%%pager%%");
        WriteFile(m_theme / "templ.thumbnail.html", "<a href=\"%%image_link%%\"><img src=\"%%thumb_link%%\"></a>");
        WriteFile(m_theme / "templ.footer.html", "%%pager%%");
        WriteFile(m_theme / "style.css", "body { margin: 0 }\n");
        WriteFile(m_theme / "art" / "deep" / "dot.png", "not really a picture");
        m_destination = Root() / "gallery";
        fs::create_directories(m_destination);
        m_action = RefPtr<CActionImageGallery>::Adopt(new CActionImageGallery);
        m_action->SetPropertyString(u"theme", u"plain");
        m_action->SetPropertyString(u"destinationdir", U(m_destination));
    }
    void TearDown() override
    {
        SetProgramFilePathForTesting("");
        ScratchTest::TearDown();
    }

    // `count` sources in "photos" with outputs of the same names in "out".
    std::vector<RefPtr<CImageFileTarget>> MakeTargets(int count)
    {
        std::vector<RefPtr<CImageFileTarget>> targets;
        for (int i = 1; i <= count; ++i) {
            std::string name = "p" + std::to_string(i) + ".jpg";
            WriteFile(Root() / "photos" / name, "source " + name);
            WriteFile(Root() / "out" / name, "output " + name);
            targets.push_back(MakeTarget(Root() / "photos" / name, Root() / "out" / name));
        }
        return targets;
    }

    int Run(const std::vector<RefPtr<CImageFileTarget>>& targets)
    {
        auto stack = StackFor(m_action.get(), targets);
        return m_action->PostProcess();
    }

    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    fs::path m_theme;
    fs::path m_destination;
    RefPtr<CActionImageGallery> m_action;
};

TEST_F(GalleryAction, DefaultsAndServices)
{
    auto action = RefPtr<CActionImageGallery>::Adopt(new CActionImageGallery);
    std::vector<std::u16string> names, values;
    action->EnumerateProperties(names, values);
    EXPECT_EQ(names, (std::vector<std::u16string> { u"description", u"destinationdir", u"theme", u"thumbsperpage", u"title" }));
    EXPECT_EQ(values, (std::vector<std::u16string> { u"A gallery created using Vornalt by Halvect Designs", u"", u"default",
                          u"20", u"Vornalt Gallery" }));
    EXPECT_EQ(action->GetName(), u"Image Gallery");
    std::vector<std::u16string> problems;
    EXPECT_TRUE(action->Validate(problems));
    EXPECT_TRUE(problems.empty());

    EXPECT_EQ(GetGalleryThemesFolder(), U(Root() / "program" / "gallery_themes") + u"/");
    fs::create_directories(m_theme.parent_path() / "Zebra");
    fs::create_directories(m_theme.parent_path() / "abc");
    WriteFile(m_theme.parent_path() / "notes.txt", "not a theme");
    std::vector<std::u16string> themes { u"kept" };
    ListGalleryThemes(themes);
    EXPECT_EQ(themes, (std::vector<std::u16string> { u"kept", u"abc", u"plain", u"Zebra" }));
    EXPECT_EQ(GetFileNamePart(u"/a/b\\c.jpg"), u"c.jpg");
    EXPECT_EQ(GetFileNamePart(u"plain"), u"plain");
    EXPECT_EQ(GetFileNamePart(u"/a/"), u"");
}

TEST_F(GalleryAction, TwentyOneTargetsMakeTwoPagesAndCopyEverything)
{
    auto targets = MakeTargets(21);
    EXPECT_EQ(Run(targets), 0);
    EXPECT_EQ(ActionLogLines(), std::vector<std::string> {});
    EXPECT_EQ(m_action->GetOutputPath(), U(m_destination) + u"/");

    std::string page1 = ReadFile(m_destination / "index.html");
    std::string page2 = ReadFile(m_destination / "index2.html");
    EXPECT_EQ(Count(page1, "<img "), 20);
    EXPECT_EQ(Count(page2, "<img "), 1);
    EXPECT_NE(page2.find("thumbs/p21.jpg"), std::string::npos);
    EXPECT_NE(page1.find("<a href=\"index2.html\">Next</a>"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_destination / "index3.html"));
    for (int i = 1; i <= 21; ++i) {
        std::string name = "p" + std::to_string(i) + ".jpg";
        EXPECT_EQ(ReadFile(m_destination / "thumbs" / name), "output " + name);
        EXPECT_EQ(ReadFile(m_destination / "images" / name), "source " + name);
    }
    // The theme is copied last, templates and sub-folders included.
    EXPECT_EQ(ReadFile(m_destination / "style.css"), "body { margin: 0 }\n");
    EXPECT_TRUE(fs::exists(m_destination / "templ.header.html"));
    EXPECT_EQ(ReadFile(m_destination / "art" / "deep" / "dot.png"), "not really a picture");

    // A second run over the same folder replaces what the first left; theme names match without case.
    m_action->SetPropertyString(u"theme", u"PLAIN");
    EXPECT_EQ(Run(MakeTargets(3)), 0);
    EXPECT_EQ(Count(ReadFile(m_destination / "index.html"), "<img "), 3);
}

TEST_F(GalleryAction, NoTargetsGiveFoldersAndThemeButNoPage)
{
    EXPECT_EQ(Run({}), 0);
    EXPECT_TRUE(fs::is_directory(m_destination / "thumbs"));
    EXPECT_TRUE(fs::is_directory(m_destination / "images"));
    EXPECT_FALSE(fs::exists(m_destination / "index.html"));
    EXPECT_TRUE(fs::exists(m_destination / "style.css"));
}

TEST_F(GalleryAction, SettingsThatCannotWorkFailBeforeAnythingIsWritten)
{
    std::string themes = (Root() / "program" / "gallery_themes").string() + "/";
    std::string destination = m_destination.string();
    struct Case {
        const char* name;
        std::u16string theme;
        std::u16string destinationDir;
        std::u16string perPage;
        int code;
        std::string line;
    };
    const Case cases[] = {
        { "missing theme, missing destination too", u"gone", U(Root() / "nowhere"), u"20", 2,
            "ERROR: Image Gallery: Theme folder does not exist (" + themes + "gone/)" },
        { "theme outside the themes folder", u"../gallery_themes/plain", U(m_destination), u"20", 2,
            "ERROR: Image Gallery: Theme folder does not exist (" + themes + "../gallery_themes/plain/)" },
        { "theme with a separator", u"plain/art", U(m_destination), u"20", 2,
            "ERROR: Image Gallery: Theme folder does not exist (" + themes + "plain/art/)" },
        { "theme named ..", u"..", U(m_destination), u"20", 2,
            "ERROR: Image Gallery: Theme folder does not exist (" + themes + "../)" },
        { "missing destination", u"plain", U(Root() / "nowhere"), u"20", 2,
            "ERROR: Image Gallery: Destination folder does not exist (" + (Root() / "nowhere").string() + ")" },
        { "empty destination", u"plain", u"", u"20", 2, "ERROR: Image Gallery: Destination folder does not exist ()" },
        { "a file as destination", u"plain", U(m_theme / "style.css"), u"20", 2,
            "ERROR: Image Gallery: Destination folder does not exist (" + (m_theme / "style.css").string() + ")" },
        { "no thumbnails per page", u"plain", U(m_destination), u"0", 16,
            "ERROR: Image Gallery: Invalid page count specified (0)" },
        { "negative thumbnails per page", u"plain", U(m_destination), u"-3", 16,
            "ERROR: Image Gallery: Invalid page count specified (-3)" },
    };
    auto targets = MakeTargets(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(Root() / "vornalt.log");
        m_action->SetPropertyString(u"theme", c.theme);
        m_action->SetPropertyString(u"destinationdir", c.destinationDir);
        m_action->SetPropertyString(u"thumbsperpage", c.perPage);
        EXPECT_EQ(Run(targets), c.code);
        EXPECT_EQ(LogLines(), std::vector<std::string> { c.line });
        EXPECT_EQ(m_action->GetOutputPath(), u"");
        EXPECT_TRUE(fs::is_empty(m_destination));
        EXPECT_FALSE(fs::exists(Root() / "nowhere"));
    }
}

TEST_F(GalleryAction, ASubFolderThatCannotBeMadeFailsTheRun)
{
    auto targets = MakeTargets(1);
    WriteFile(m_destination / "thumbs", "a file in the way");
    EXPECT_EQ(Run(targets), 17);
    EXPECT_EQ(ActionLogLines(), std::vector<std::string> { "ERROR: Image Gallery: Failed to create thumbnail folder("
                                    + m_destination.string() + "/thumbs/)" });
    EXPECT_FALSE(fs::exists(m_destination / "images"));

    fs::remove(m_destination / "thumbs");
    fs::remove(Root() / "vornalt.log");
    WriteFile(m_destination / "images", "a file in the way");
    EXPECT_EQ(Run(targets), 17);
    EXPECT_EQ(LogLines(), std::vector<std::string> { "ERROR: Image Gallery: Failed to create final image folder("
                              + m_destination.string() + "/images/)" });
    EXPECT_FALSE(fs::exists(m_destination / "index.html"));
    EXPECT_EQ(m_action->GetOutputPath(), u"");
}

TEST_F(GalleryAction, CopyFailuresAreLoggedAndTheRunGoesOn)
{
    auto targets = MakeTargets(2);
    fs::remove(Root() / "out" / "p2.jpg");
    fs::remove(Root() / "photos" / "p1.jpg");
    EXPECT_EQ(Run(targets), 0);
    EXPECT_EQ(ActionLogLines(),
        (std::vector<std::string> {
            "ERROR: Image Gallery: (Non-fatal) Failed to copy a final image file(" + (Root() / "photos" / "p1.jpg").string() + ")",
            "ERROR: Image Gallery: (Non-fatal) Failed to copy a thumbnail file(" + (Root() / "out" / "p2.jpg").string() + ")",
        }));
    EXPECT_TRUE(fs::exists(m_destination / "index.html"));
}

TEST_F(GalleryAction, PicturesOfOneFileNameAreLoggedAsOverwritingEachOther)
{
    auto targets = MakeTargets(1);
    WriteFile(Root() / "elsewhere" / "p1.jpg", "another source");
    targets.push_back(MakeTarget(Root() / "elsewhere" / "p1.jpg"));
    EXPECT_EQ(Run(targets), 0);
    EXPECT_EQ(ActionLogLines(),
        (std::vector<std::string> { "ERROR: Image Gallery: (Non-fatal) Another picture has the file name of "
            + (Root() / "elsewhere" / "p1.jpg").string() + " (" + (Root() / "photos" / "p1.jpg").string()
            + "); the gallery shows only one of them" }));
    EXPECT_EQ(ReadFile(m_destination / "images" / "p1.jpg"), "another source");
    EXPECT_EQ(Count(ReadFile(m_destination / "index.html"), "images/p1.jpg"), 2);
}

// A gallery made where the sources already are must not truncate them by copying them onto
// themselves, and a gallery inside its own theme folder must not copy the theme into itself.
TEST_F(GalleryAction, CopiesOntoThemselvesAreRefusedAndLeaveTheFilesIntact)
{
    fs::path photos = m_destination / "images";
    WriteFile(photos / "self.jpg", "the only copy");
    auto targets = std::vector<RefPtr<CImageFileTarget>> { MakeTarget(photos / "self.jpg") };
    EXPECT_EQ(Run(targets), 0);
    EXPECT_EQ(ReadFile(photos / "self.jpg"), "the only copy");
    EXPECT_EQ(ReadFile(m_destination / "thumbs" / "self.jpg"), "the only copy");
    EXPECT_EQ(ActionLogLines(),
        (std::vector<std::string> { "ERROR: Image Gallery: (Non-fatal) Failed to copy a final image file(" + (photos / "self.jpg").string() + ")" }));

    fs::remove(Root() / "vornalt.log");
    m_action->SetPropertyString(u"destinationdir", U(m_theme / "art"));
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(ActionLogLines(), (std::vector<std::string> { "ERROR: Image Gallery: Copying the theme directory did not succeed "
                                                             "completely.  There may be problems with outputted gallery" }));
    EXPECT_FALSE(fs::exists(m_theme / "art" / "art"));
    EXPECT_EQ(ReadFile(m_theme / "art" / "style.css"), "body { margin: 0 }\n");
    EXPECT_EQ(ReadFile(m_theme / "art" / "deep" / "dot.png"), "not really a picture");
}

TEST_F(GalleryAction, APreviewRunMakesNothing)
{
    auto targets = MakeTargets(1);
    auto stack = StackFor(m_action.get(), targets);
    stack->RunInProcess(true, nullptr, targets[0].get());
    EXPECT_EQ(m_action->PostProcess(), 0);
    EXPECT_TRUE(fs::is_empty(m_destination));
    EXPECT_EQ(m_action->GetOutputPath(), u"");
}

TEST_F(GalleryAction, FolderPathsAreCreatedAFewLevelsDeep)
{
    fs::path five = Root() / "a" / "b" / "c" / "d" / "e";
    EXPECT_TRUE(CreateFolderPath(U(five) + u"/"));
    EXPECT_TRUE(fs::is_directory(five));
    EXPECT_TRUE(CreateFolderPath(U(five)));
    fs::path six = Root() / "u" / "v" / "w" / "x" / "y" / "z";
    EXPECT_FALSE(CreateFolderPath(U(six)));
    EXPECT_FALSE(CreateFolderPath(U(Root() / "vornalt.log" / "below")));
    EXPECT_FALSE(CreateFolderPath(U(Root() / "vornalt.log")));
    // No fixed path buffer: a destination far longer than 259 characters works.
    fs::path deep = Root() / std::string(120, 'l') / std::string(120, 'm') / std::string(120, 'n');
    EXPECT_TRUE(CreateFolderPath(U(deep)));
    EXPECT_TRUE(fs::is_directory(deep));
}

TEST_F(GalleryAction, FolderCopiesRefuseTheirOwnInside)
{
    fs::path target = Root() / "target";
    fs::create_directories(target);
    EXPECT_TRUE(CopyFolderInto(U(m_theme / "art") + u"/", U(target) + u"/"));
    EXPECT_EQ(ReadFile(target / "art" / "deep" / "dot.png"), "not really a picture");
    EXPECT_FALSE(CopyFolderInto(U(m_theme), U(m_theme)));
    EXPECT_FALSE(CopyFolderInto(U(m_theme), U(m_theme / "art" / "deep")));
    EXPECT_FALSE(CopyFolderInto(U(Root() / "missing"), U(target)));
    EXPECT_FALSE(fs::exists(m_theme / "plain"));
    EXPECT_FALSE(fs::exists(m_theme / "art" / "deep" / "plain"));
}

}
