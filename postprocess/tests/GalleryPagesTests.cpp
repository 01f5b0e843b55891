#include "PostProcessTestSupport.h"

#include "postprocess/GalleryPages.h"

using namespace pptest;

namespace {

class GalleryPages : public ScratchTest { };

TEST_F(GalleryPages, TemplatesReadAlikeWhateverTheirLineEndsAndEndWithOneMoreNewline)
{
    WriteFile(Root() / "crlf.html", "<p>\r\n  %%title%%\r\n</p>\r\n");
    WriteFile(Root() / "lf.html", "<p>\n  %%title%%\n</p>\n");
    WriteFile(Root() / "unended.html", "<p>\n  %%title%%\n</p>");
    WriteFile(Root() / "utf8.html", "caf\xc3\xa9 \xe2\x82\xac\n");
    EXPECT_EQ(ReadTemplateFile(U(Root() / "crlf.html")), u"<p>\n  %%title%%\n</p>\n\n");
    EXPECT_EQ(ReadTemplateFile(U(Root() / "lf.html")), u"<p>\n  %%title%%\n</p>\n\n");
    EXPECT_EQ(ReadTemplateFile(U(Root() / "unended.html")), u"<p>\n  %%title%%\n</p>\n\n");
    EXPECT_EQ(ReadTemplateFile(U(Root() / "utf8.html")), u"caf\u00e9 \u20ac\n\n");
    EXPECT_EQ(ReadTemplateFile(U(Root() / "missing.html")), u"");
}

TEST_F(GalleryPages, PlaceholdersAreReplacedInKeyOrderSoOnlyLaterKeysChain)
{
    PlaceholderMap values {
        { u"author", u"A" },
        { u"description", u"about %%title%%" },
        { u"title", u"T %%description%%" },
    };
    EXPECT_EQ(ReplacePlaceholders(u"%%title%%|%%description%%|%%author%%%%author%%|%%Title%%|%%pager%%|%%%author%%", values),
        u"T %%description%%|about T %%description%%|AA|%%Title%%|%%pager%%|%A");
    EXPECT_EQ(ReplacePlaceholders(u"%%title%%", {}), u"%%title%%");
}

TEST_F(GalleryPages, PagerLinksThePagesAroundTheCurrentOne)
{
    EXPECT_EQ(BuildPager(1, 1), u"");
    EXPECT_EQ(BuildPager(3, 2),
        u"<ul>\n"
        u"<li><div class=\"previous\"><a href=\"index.html\">Previous</a></div></li>"
        u"<li><div class=\"not-active\"><a href=\"index.html\" title=\"Page 1\">1</a></div></li>\n"
        u"<li><div class=\"active\">2</div></li>\n"
        u"<li><div class=\"not-active\"><a href=\"index3.html\" title=\"Page 3\">3</a></div></li>\n"
        u"<li><div class=\"next\"><a href=\"index3.html\">Next</a></div></li>"
        u"</ul>\n");
    std::u16string first = BuildPager(2, 1);
    EXPECT_EQ(first.find(u"Previous"), std::u16string::npos);
    EXPECT_NE(first.find(u"<li><div class=\"next\"><a href=\"index2.html\">Next</a></div></li>"), std::u16string::npos);
    std::u16string last = BuildPager(2, 2);
    EXPECT_EQ(last.find(u"Next"), std::u16string::npos);
    EXPECT_NE(last.find(u"<div class=\"previous\"><a href=\"index.html\">"), std::u16string::npos);
    EXPECT_EQ(GalleryPageFileName(1), u"index.html");
    EXPECT_EQ(GalleryPageFileName(12), u"index12.html");
}

TEST_F(GalleryPages, NamesAreEncodedForLinksAndEscapedForText)
{
    EXPECT_EQ(EncodeLinkName(u"a b\"c<d>&e#f?g%h'i.JPG"), u"a%20b%22c%3Cd%3E%26e%23f%3Fg%25h%27i.JPG");
    EXPECT_EQ(EncodeLinkName(u"caf\u00e9-~_.png"), u"caf%C3%A9-~_.png");
    EXPECT_EQ(EscapeHtml(u"a<b>&\"c'\u00e9"), u"a&lt;b&gt;&amp;&quot;c&#39;\u00e9");
}

// A theme with every placeholder, and two targets, one of them with an awkward name.
TEST_F(GalleryPages, PagesAreWrittenAsUtf8WithCrLfAndTheirThumbnailsSplitByPage)
{
    fs::path theme = Root() / "theme";
    WriteFile(theme / "templ.header.html", "<h1>%%title%%</h1>\n<p>%%description%%|%%author%%|%%created_on%%</p>\n%%pager%%");
    WriteFile(theme / "templ.thumbnail.html", "<a href=\"%%image_link%%\"><img src=\"%%thumb_link%%\" alt=\"%%image_name%%\"></a>%%pager%%");
    WriteFile(theme / "templ.footer.html", "%%pager%%<i>%%title%%</i>\r\n");
    fs::path out = Root() / "out";
    fs::create_directories(out);

    GalleryPageJob job;
    job.actionName = u"Image Gallery";
    job.themeFolder = U(theme) + u"/";
    job.destinationFolder = U(out) + u"/";
    job.pageCount = 2;
    job.thumbsPerPage = 2;
    job.items = {
        { u"/src/one.jpg", u"/out/one.jpg" },
        { u"/src/R&D \"<b>\".jpg", u"/out/R&D #1.jpg" },
        { u"/src/three.png", u"/out/three.png" },
    };
    job.title = u"Reise nach K\u00f6ln \u2014 <em>2026</em>";
    job.description = u"about %%title%%";
    job.createdOn = u"Thu Dec 10 12:00:00 2026";
    EXPECT_EQ(WriteGalleryPages(job), 2);

    std::string pager1 = "<ul>\r\n<li><div class=\"active\">1</div></li>\r\n<li><div class=\"not-active\"><a href=\"index2.html\" "
                         "title=\"Page 2\">2</a></div></li>\r\n<li><div class=\"next\"><a href=\"index2.html\">Next</a></div></li>"
                         "</ul>\r\n";
    std::string title = "Reise nach K\xc3\xb6ln \xe2\x80\x94 <em>2026</em>";
    std::string expected1 = "<h1>" + title + "</h1>\r\n<p>about " + title
        + "|Vornalt User|Thu Dec 10 12:00:00 2026</p>\r\n" + pager1 + "\r\n\r\n"
        + "\r\n<a href=\"images/one.jpg\"><img src=\"thumbs/one.jpg\" alt=\"one.jpg\"></a>%%pager%%\r\n\r\n"
        + "\r\n<a href=\"images/R%26D%20%22%3Cb%3E%22.jpg\"><img src=\"thumbs/R%26D%20%231.jpg\" "
          "alt=\"R&amp;D &quot;&lt;b&gt;&quot;.jpg\"></a>%%pager%%\r\n\r\n"
        + pager1 + "<i>%%title%%</i>\r\n\r\n";
    EXPECT_EQ(ReadFile(out / "index.html"), expected1);
    std::string page2 = ReadFile(out / "index2.html");
    EXPECT_NE(page2.find("<a href=\"images/three.png\"><img src=\"thumbs/three.png\""), std::string::npos);
    EXPECT_EQ(page2.find("one.jpg"), std::string::npos);
    EXPECT_NE(page2.find("<li><div class=\"previous\"><a href=\"index.html\">Previous</a></div></li>"), std::string::npos);
    EXPECT_FALSE(fs::exists(out / "index3.html"));
    EXPECT_EQ(ActionLogLines(), std::vector<std::string> {});
}

TEST_F(GalleryPages, APageThatCannotBeWrittenIsLoggedAndTheNextIsStillWritten)
{
    fs::path out = Root() / "out";
    fs::create_directories(out / "index.html"); // a folder where page 1 should go
    GalleryPageJob job;
    job.actionName = u"Image Gallery";
    job.themeFolder = U(Root() / "no-theme") + u"/";
    job.destinationFolder = U(out) + u"/";
    job.pageCount = 2;
    job.thumbsPerPage = 1;
    job.items = { { u"/a.jpg", u"/a.jpg" }, { u"/b.jpg", u"/b.jpg" } };
    EXPECT_EQ(WriteGalleryPages(job), 1);
    std::vector<std::string> lines = ActionLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("ERROR: Image Gallery: Error while writing HTML file to disk: ", 0), 0u) << lines[0];
    EXPECT_GT(lines[0].size(), std::string("ERROR: Image Gallery: Error while writing HTML file to disk: ").size());
    // Missing templates read as empty text: the page is the thumbnails' newlines alone.
    EXPECT_EQ(ReadFile(out / "index2.html"), "\r\n");
    EXPECT_TRUE(fs::is_directory(out / "index.html"));
}

}
