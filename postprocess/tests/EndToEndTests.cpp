// The real program, run as a child process: a stack that resizes and saves photographs, makes a
// gallery of them and zips the gallery. Each test copies the program and the shipped themes into
// its own folder (the log lives beside the program).

#include "PostProcessTestSupport.h"

#include "components/mail/tests/SmtpTestSupport.h"
#include "components/net/tests/FtpTestSupport.h"

#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/ResultCodes.h"
#include "postprocess/PostProcessActions.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <unistd.h>

using namespace pptest;

namespace {

struct ActionSettings {
    std::u16string typeKey;
    std::map<std::u16string, std::u16string> properties;
};

// The lines with the runner's line for a failed post-process action (the one named right before
// "Error Post Processing"), whose code `name` starts with, put in its place.
std::vector<std::string> WithFailureLine(std::vector<std::string> lines, const char* name)
{
    auto failed = std::find(lines.begin(), lines.end(), "MESSAGE: Error Post Processing");
    const std::string performing = "MESSAGE: Performing Post-Process Action ";
    if (failed == lines.begin() || failed == lines.end() || failed[-1].rfind(performing, 0) != 0) {
        ADD_FAILURE() << "no failed action in the expected lines";
        return lines;
    }
    const int code = std::atoi(name);
    const std::string text = N(ErrorCodeText(code));
    const std::string result = text.empty() ? "result " + std::to_string(code) : text + " (" + std::to_string(code) + ")";
    lines.insert(failed, "ERROR: CLI: " + failed[-1].substr(performing.size()) + " failed: " + result);
    return lines;
}

class GalleryEndToEnd : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        RegisterPostProcessActions();
        fs::path built = fs::path(VORNALT_EXECUTABLE);
        m_program = Root() / "program" / "vornalt";
        fs::create_directories(m_program.parent_path());
        fs::copy_file(built, m_program);
        fs::copy(built.parent_path() / "gallery_themes", m_program.parent_path() / "gallery_themes", fs::copy_options::recursive);
        m_gallery = Root() / "gallery";
        fs::create_directories(m_gallery);
        fs::create_directories(Root() / "out");
    }

    // `count` photographs, one colour each; the last has a name that needs care in a page.
    fs::path MakePhotos(int count)
    {
        fs::path photos = Root() / "photos";
        for (int i = 1; i <= count; ++i) {
            std::string name = i == count && count > 1 ? "R&D #1 \"K\xc3\xb6ln\" <50%>.jpg" : "photo-" + std::to_string(100 + i) + ".jpg";
            WriteImage(photos / name, 640, 480, 0x102030u * unsigned(i % 7 + 1));
        }
        return photos;
    }

    void WriteStack(const fs::path& path, const std::vector<ActionSettings>& actions)
    {
        auto stack = RefPtr<CActionStack>::Adopt(new CActionStack);
        for (const ActionSettings& settings : actions) {
            auto action = RefPtr<CAction>::Adopt(CreateActionByType(settings.typeKey));
            ASSERT_TRUE(action) << N(settings.typeKey);
            for (const auto& [name, value] : settings.properties)
                action->SetPropertyString(name, value);
            stack->InsertAction(action.get(), -1);
        }
        ASSERT_EQ(stack->SaveToFile(U(path)), 0);
    }

    // resize, save, gallery, zip-all and then `after`, with the gallery's and the archive's
    // settings changed as given.
    fs::path GalleryStack(std::map<std::u16string, std::u16string> gallery, std::map<std::u16string, std::u16string> zip,
        const std::vector<ActionSettings>& after = {})
    {
        gallery.emplace(u"destinationdir", U(m_gallery));
        gallery.emplace(u"title", u"Trip to K\u00f6ln & <b>friends</b>");
        zip.emplace(u"zippath", U(Root() / "delivery" / "gallery.zip"));
        std::vector<ActionSettings> actions { ResizeAndSave()[0], ResizeAndSave()[1], { u"builtin_imagegallery", gallery },
            { u"builtin_zipall", zip } };
        actions.insert(actions.end(), after.begin(), after.end());
        fs::path stack = Root() / "gallery.stack";
        WriteStack(stack, actions);
        return stack;
    }

    std::vector<ActionSettings> ResizeAndSave()
    {
        return { { u"builtin__resizeimage", { { u"width", u"320" }, { u"aspectedge", u"width" } } },
            { u"builtin__savefile",
                { { u"destfolder", U(Root() / "out") }, { u"filenametemplate", u"%o" }, { u"destfiletype", u"2" } } } };
    }

    // The e-mail action for the peers' SMTP server, with the settings changed as given.
    ActionSettings Mail(std::map<std::u16string, std::u16string> settings = {})
    {
        settings.emplace(u"smtp_host", u"127.0.0.1");
        settings.emplace(u"smtp_port", U(std::to_string(GetDeliveryPeers().smtpPort)));
        settings.emplace(u"from_address", u"vornalt@example.test");
        settings.emplace(u"recipients", u"ann@example.test; bob@example.test");
        settings.emplace(u"email_subject", u"Our trip");
        return { u"builtin_email", settings };
    }

    // The FTP action for the peers' FTP server, into `remote`, with the settings changed as given.
    ActionSettings Upload(const std::string& remote, std::map<std::u16string, std::u16string> settings = {})
    {
        settings.emplace(u"ftphost", u"127.0.0.1");
        settings.emplace(u"ftpport", U(std::to_string(GetDeliveryPeers().ftpPort)));
        settings.emplace(u"username", u"uploader");
        settings.emplace(u"kPropPassword", u"secret");
        settings.emplace(u"passiveftp", u"1");
        settings.emplace(u"destinationdir", U(remote));
        return { u"builtin_ftp", settings };
    }

    // Compares log lines; an expected line ending in "*" needs only to start with the rest.
    static void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected)
    {
        bool same = actual.size() == expected.size();
        for (std::size_t i = 0; same && i < actual.size(); ++i) {
            const std::string& e = expected[i];
            same = !e.empty() && e.back() == '*' ? actual[i].rfind(e.substr(0, e.size() - 1), 0) == 0 : actual[i] == e;
        }
        if (!same) {
            std::string text = "actual lines:\n";
            for (const std::string& line : actual)
                text += "  " + line.substr(0, 300) + "\n";
            text += "expected:\n";
            for (const std::string& line : expected)
                text += "  " + line + "\n";
            ADD_FAILURE() << text;
        }
    }

    CommandResult Vornalt(const fs::path& stack, const fs::path& photos)
    {
        fs::remove(m_program.parent_path() / "vornalt.log");
        return RunCommand("cd " + Quote(Root().string()) + " && " + Quote(m_program.string()) + " -s " + Quote(stack.string())
            + " -d " + Quote(photos.string()));
    }

    // The log's lines from "Start Post Processing" on.
    std::vector<std::string> PostProcessLog()
    {
        std::vector<std::string> lines = ReadLogLines(m_program.parent_path() / "vornalt.log");
        auto start = std::find(lines.begin(), lines.end(), "MESSAGE: Start Post Processing");
        return std::vector<std::string>(start, lines.end());
    }


    // A configuration folder for the program (XDG_CONFIG_HOME) whose certificate store trusts the
    // test CA, as this process's does.
    fs::path TrustingConfigFolder()
    {
        EXPECT_TRUE(TrustTestCa());
        fs::path folder = Root() / "trusting";
        fs::create_directories(folder);
        fs::create_directory_symlink(GetTestPki().folder + "/config", folder / "vornalt");
        return folder;
    }

    fs::path m_program;
    fs::path m_gallery;
};

TEST_F(GalleryEndToEnd, TwentyOnePhotographsBecomeAGalleryAnArchiveAMessageAndAnUpload)
{
    const DeliveryPeers& peers = GetDeliveryPeers();
    ASSERT_TRUE(peers.Started());
    fs::path photos = MakePhotos(21);
    fs::path zip = Root() / "delivery" / "gallery.zip";
    fs::create_directories(zip.parent_path());
    std::string remote = peers.NewFtpFolder("twenty-one");
    int messagesBefore = peers.MessageCount();
    CommandResult run = Vornalt(GalleryStack({}, {}, { Mail(), Upload(remote) }), photos);
    ASSERT_EQ(run.exitCode, 0) << run.output;

    CommandResult checked = RunCommand("python3 " + Quote((TestSourceFolder() / "check_gallery.py").string()) + " "
        + Quote(m_gallery.string()));
    EXPECT_EQ(checked.exitCode, 0) << checked.output;
    EXPECT_EQ(checked.output, "page index.html 20\npage index2.html 1\n");

    std::string page1 = ReadFile(m_gallery / "index.html");
    std::string page2 = ReadFile(m_gallery / "index2.html");
    EXPECT_NE(page1.find("<ul>\r\n<li><div class=\"active\">1</div></li>\r\n<li><div class=\"not-active\"><a href=\"index2.html\" "
                         "title=\"Page 2\">2</a></div></li>\r\n<li><div class=\"next\"><a href=\"index2.html\">Next</a></div></li></ul>"),
        std::string::npos);
    EXPECT_NE(page2.find("<ul>\r\n<li><div class=\"previous\"><a href=\"index.html\">Previous</a></div></li><li><div "
                         "class=\"not-active\"><a href=\"index.html\" title=\"Page 1\">1</a></div></li>\r\n<li><div "
                         "class=\"active\">2</div></li>\r\n</ul>"),
        std::string::npos);
    // Every line of every page ends in CR LF.
    for (const std::string& page : { page1, page2 }) {
        std::size_t lf = 0;
        for (std::size_t at = page.find('\n'); at != std::string::npos; at = page.find('\n', at + 1)) {
            ++lf;
            EXPECT_TRUE(at > 0 && page[at - 1] == '\r') << "a bare LF at byte " << at;
        }
        EXPECT_GT(lf, 10u);
    }
    // The title goes in as it was written; the awkward name is encoded in links, escaped in text.
    EXPECT_NE(page1.find("Trip to K\xc3\xb6ln & <b>friends</b>"), std::string::npos);
    EXPECT_NE(page2.find("href=\"images/R%26D%20%231%20%22K%C3%B6ln%22%20%3C50%25%3E.jpg\""), std::string::npos);
    EXPECT_NE(page2.find("R&amp;D #1 &quot;K\xc3\xb6ln&quot; &lt;50%&gt;.jpg"), std::string::npos);
    EXPECT_EQ(TreeFiles(m_gallery / "thumbs").size(), 21u);
    EXPECT_EQ(TreeFiles(m_gallery / "images").size(), 21u);

    EXPECT_EQ(PostProcessLog(),
        (std::vector<std::string> { "MESSAGE: Start Post Processing", "MESSAGE: Performing Post-Process Action Image Gallery",
            "MESSAGE: Zip: Zipping post-process action output directory " + m_gallery.string() + "/",
            "MESSAGE: Performing Post-Process Action Zip", "MESSAGE: Performing Post-Process Action E-Mail",
            "MESSAGE: FTP: FTPing all in-process actions output files", "MESSAGE: Performing Post-Process Action FTP",
            "MESSAGE: Finished Post Processing", "Vornalt Log Closed" }));

    // The archive holds the whole gallery tree.
    CommandResult tested = RunCommand("unzip -t " + Quote(zip.string()));
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    std::string script = "import sys, zipfile\n"
                         "for n in sorted(zipfile.ZipFile(sys.argv[1]).namelist()):\n"
                         "    print(n) if not n.endswith('/') else None\n";
    CommandResult listed = RunCommand("python3 -c " + Quote(script) + " " + Quote(zip.string()));
    EXPECT_EQ(listed.exitCode, 0) << listed.output;
    std::vector<std::string> entries;
    std::istringstream lines(listed.output);
    for (std::string line; std::getline(lines, line);)
        entries.push_back(line);
    std::sort(entries.begin(), entries.end());
    std::vector<std::string> tree = TreeFiles(m_gallery);
    EXPECT_EQ(entries, tree);
    EXPECT_GT(tree.size(), 45u);
    EXPECT_TRUE(std::find(tree.begin(), tree.end(), "style.css") != tree.end());

    // One message to both recipients, whose one attachment is the archive.
    ASSERT_EQ(peers.MessageCount(), messagesBefore + 1);
    std::string wire = ReadFile(peers.MailFolder() / "wire.log");
    EXPECT_NE(wire.find("MESSAGE " + std::to_string(messagesBefore + 1) + " FROM:vornalt@example.test TO:ann@example.test,bob@example.test"),
        std::string::npos)
        << wire;
    auto attachments = MessageAttachments(messagesBefore + 1, Root());
    ASSERT_EQ(attachments.size(), 1u);
    EXPECT_EQ(attachments[0].first, "gallery.zip");
    EXPECT_TRUE(attachments[0].second == ReadFile(zip)) << "the attachment differs from the archive";

    // The e-mail action publishes no output, so the upload after it takes the collected files:
    // the 21 saved pictures.
    fs::path home = peers.FtpHome() / remote.substr(1);
    std::vector<std::string> uploaded = TreeFiles(home);
    EXPECT_EQ(uploaded, TreeFiles(Root() / "out"));
    EXPECT_EQ(uploaded.size(), 21u);
    EXPECT_EQ(ReadFile(home / "photo-105.jpg"), ReadFile(Root() / "out" / "photo-105.jpg"));

    // With a password every entry needs it; an upload right after the archive sends the archive.
    fs::remove_all(m_gallery);
    fs::create_directories(m_gallery);
    std::string second = peers.NewFtpFolder("protected");
    run = Vornalt(GalleryStack({ { u"theme", u"midnight" } }, { { u"password_protect", u"1" }, { u"kPropPassword", u"t0p s3cret" } },
                      { Upload(second) }),
        photos);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    CommandResult right = RunCommand("7z t -p" + Quote("t0p s3cret") + " " + Quote(zip.string()));
    EXPECT_EQ(right.exitCode, 0) << right.output;
    EXPECT_NE(right.output.find("Everything is Ok"), std::string::npos) << right.output;
    EXPECT_NE(RunCommand("7z t -pwrong " + Quote(zip.string())).exitCode, 0);
    EXPECT_EQ(TreeFiles(peers.FtpHome() / second.substr(1)), (std::vector<std::string> { "gallery.zip" }));
    EXPECT_TRUE(ReadFile(peers.FtpHome() / second.substr(1) / "gallery.zip") == ReadFile(zip));
    EXPECT_EQ(PostProcessLog().at(4), "MESSAGE: FTP: FTPing file from previous Post-Process action: " + zip.string());
}

TEST_F(GalleryEndToEnd, EachFailureOfTheGalleryAndTheArchiveEndsTheRunWithItsLine)
{
    fs::path photos = MakePhotos(2);
    fs::path program = m_program.parent_path();
    WriteFile(Root() / "a-file", "in the way");
    std::string gallery = m_gallery.string();
    const std::vector<std::string> galleryFailed { "MESSAGE: Performing Post-Process Action Image Gallery",
        "MESSAGE: Error Post Processing", "Vornalt Log Closed" };
    const std::vector<std::string> zipFailed { "MESSAGE: Performing Post-Process Action Zip", "MESSAGE: Error Post Processing",
        "Vornalt Log Closed" };
    const std::string zipping = "MESSAGE: Zip: Zipping post-process action output directory " + gallery + "/";
    struct Case {
        const char* name; // with the code the action returns
        std::map<std::u16string, std::u16string> gallery;
        std::map<std::u16string, std::u16string> zip;
        std::vector<std::string> lines;
        std::vector<std::string> tail;
        bool thumbsInTheWay = false;
    };
    const std::vector<Case> cases = {
        { "2, missing theme", { { u"theme", u"nosuch" } }, {},
            { "ERROR: Image Gallery: Theme folder does not exist (" + program.string() + "/gallery_themes/nosuch/)" }, galleryFailed },
        { "2, theme outside the themes folder", { { u"theme", u"../../photos" } }, {},
            { "ERROR: Image Gallery: Theme folder does not exist (" + program.string() + "/gallery_themes/../../photos/)" },
            galleryFailed },
        { "2, missing destination", { { u"destinationdir", U(Root() / "nowhere") } }, {},
            { "ERROR: Image Gallery: Destination folder does not exist (" + (Root() / "nowhere").string() + ")" }, galleryFailed },
        { "16, no thumbnails per page", { { u"thumbsperpage", u"0" } }, {},
            { "ERROR: Image Gallery: Invalid page count specified (0)" }, galleryFailed },
        { "17, thumbnail folder not made", {}, {},
            { "ERROR: Image Gallery: Failed to create thumbnail folder(" + gallery + "/thumbs/)" }, galleryFailed, true },
        { "10, archive not written", {}, { { u"zippath", U(Root() / "a-file" / "gallery.zip") } },
            { "MESSAGE: Performing Post-Process Action Image Gallery", zipping,
                "ERROR: Zip: Failed to write final zip to " + (Root() / "a-file" / "gallery.zip").string() },
            zipFailed },
        { "18, no archive path", {}, { { u"zippath", u"" } },
            { "MESSAGE: Performing Post-Process Action Image Gallery", "ERROR: Zip: Failed to create zip file " }, zipFailed },
        { "18, protection without a password", {}, { { u"password_protect", u"1" } },
            { "MESSAGE: Performing Post-Process Action Image Gallery",
                "ERROR: Zip: Password protection is enabled but no password is specified",
                "ERROR: Zip: Failed to create zip file " + (Root() / "delivery" / "gallery.zip").string() },
            zipFailed },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_gallery);
        fs::create_directories(m_gallery);
        if (c.thumbsInTheWay)
            WriteFile(m_gallery / "thumbs", "a file, not a folder");
        CommandResult run = Vornalt(GalleryStack(c.gallery, c.zip), photos);
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_NE(run.output.find("0 of 2 targets failed or post-processing failed"), std::string::npos) << run.output;
        std::vector<std::string> expected { "MESSAGE: Start Post Processing" };
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(PostProcessLog(), WithFailureLine(expected, c.name));
        EXPECT_FALSE(fs::exists(Root() / "delivery" / "gallery.zip"));
    }
}

TEST_F(GalleryEndToEnd, EachFailureOfTheDeliveryEndsTheRunWithItsLine)
{
    const DeliveryPeers& peers = GetDeliveryPeers();
    ASSERT_TRUE(peers.Started());
    fs::path photos = MakePhotos(2);
    std::string remote = peers.NewFtpFolder("failures");
    const std::string zipping = "MESSAGE: Zip: Zipping post-process action output directory " + m_gallery.string() + "/";
    const std::string mailFailed = "ERROR: E-Mail: Unable to send email: email error information follows: *";
    const std::vector<std::string> galleryAndZip { "MESSAGE: Performing Post-Process Action Image Gallery", zipping,
        "MESSAGE: Performing Post-Process Action Zip" };
    const std::vector<std::string> mailEnds { "MESSAGE: Performing Post-Process Action E-Mail", "MESSAGE: Error Post Processing",
        "Vornalt Log Closed" };
    const std::vector<std::string> uploadEnds { "MESSAGE: Performing Post-Process Action FTP", "MESSAGE: Error Post Processing",
        "Vornalt Log Closed" };
    const std::string port = std::to_string(UnusedLoopbackPort());
    struct Case {
        const char* name; // with the code the action returns
        std::vector<ActionSettings> after;
        std::vector<std::string> lines;
        std::vector<std::string> tail;
    };
    const std::vector<Case> cases = {
        { "21, no recipient", { Mail({ { u"recipients", u" ;; " } }) }, { "ERROR: E-Mail: No email recipients specified" }, mailEnds },
        { "23, closed SMTP port", { Mail({ { u"smtp_port", U(port) } }) }, { mailFailed }, mailEnds },
        { "23, refused recipient", { Mail({ { u"recipients", u"refuse@example.test" } }) }, { mailFailed }, mailEnds },
        { "23, refused SMTP login", { Mail({ { u"auth", u"1" }, { u"smtp_user", u"mailer" }, { u"smtp_Pass", u"guessed" } }) },
            { mailFailed }, mailEnds },
        { "13, refused FTP login", { Upload(remote, { { u"kPropPassword", u"guessed" } }) },
            { "ERROR: FTP: Failed to connect to 127.0.0.1 because: *" }, uploadEnds },
        { "13, closed FTP port", { Upload(remote, { { u"ftpport", U(port) } }) },
            { "ERROR: FTP: Failed to connect to 127.0.0.1 because: *" }, uploadEnds },
        { "13, missing remote folder", { Upload(remote + "/missing") },
            { "ERROR: FTP: Failed to change directory to " + remote + "/missing on host 127.0.0.1 because: *" }, uploadEnds },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_gallery);
        fs::create_directories(m_gallery);
        fs::create_directories(Root() / "delivery");
        int messages = peers.MessageCount();
        CommandResult run = Vornalt(GalleryStack({}, {}, c.after), photos);
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_NE(run.output.find("0 of 2 targets failed or post-processing failed"), std::string::npos) << run.output;
        std::vector<std::string> expected { "MESSAGE: Start Post Processing" };
        expected.insert(expected.end(), galleryAndZip.begin(), galleryAndZip.end());
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        std::vector<std::string> log = PostProcessLog();
        ExpectLines(log, WithFailureLine(expected, c.name));
        for (const std::string& line : log)
            EXPECT_EQ(line.find("guessed"), std::string::npos) << "a password reached the log";
        EXPECT_EQ(peers.MessageCount(), messages);
        EXPECT_TRUE(TreeFiles(peers.FtpHome() / remote.substr(1)).empty());
    }

    // A gallery folder has more files than one message may carry.
    fs::remove_all(m_gallery);
    fs::create_directories(m_gallery);
    fs::path stack = Root() / "mail-gallery.stack";
    std::vector<ActionSettings> actions = ResizeAndSave();
    actions.push_back({ u"builtin_imagegallery", { { u"destinationdir", U(m_gallery) } } });
    actions.push_back(Mail());
    WriteStack(stack, actions);
    int messages = peers.MessageCount();
    CommandResult run = Vornalt(stack, photos);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    std::size_t files = TreeFiles(m_gallery).size();
    EXPECT_GT(files, 10u);
    ExpectLines(PostProcessLog(),
        { "MESSAGE: Start Post Processing", "MESSAGE: Performing Post-Process Action Image Gallery",
            "ERROR: E-Mail: Too many files (" + std::to_string(files) + " files to attach, at most 10 go in one message)",
            "MESSAGE: Performing Post-Process Action E-Mail", "ERROR: CLI: E-Mail failed: *", "MESSAGE: Error Post Processing",
            "Vornalt Log Closed" });
    EXPECT_EQ(peers.MessageCount(), messages);

    // Eleven collected files are one too many for a message.
    fs::path eleven = MakePhotos(11);
    actions = ResizeAndSave();
    actions.push_back(Mail());
    WriteStack(stack, actions);
    run = Vornalt(stack, eleven);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    ExpectLines(PostProcessLog(),
        { "MESSAGE: Start Post Processing", "ERROR: E-Mail: Too many files (11 files to attach, at most 10 go in one message)",
            "MESSAGE: Performing Post-Process Action E-Mail", "ERROR: CLI: E-Mail failed: *", "MESSAGE: Error Post Processing",
            "Vornalt Log Closed" });
    EXPECT_EQ(peers.MessageCount(), messages);
}

TEST_F(GalleryEndToEnd, TheMailLoginWaitsForTlsAndAnUnverifiedServerGetsNoPassword)
{
    if (access("/usr/sbin/exim4", X_OK) != 0)
        GTEST_SKIP() << "exim4 is not installed";
    const smtptest::Peer& exim = smtptest::EximPeer();
    ASSERT_GT(exim.authAfterTlsPort, 0) << "exim4 did not start";
    ASSERT_TRUE(TrustTestCa());
    fs::path trusting = TrustingConfigFolder();
    fs::path bare = Root() / "bare";
    fs::create_directories(bare);

    fs::path photos = MakePhotos(1);
    std::vector<ActionSettings> actions = ResizeAndSave();
    actions.push_back({ u"builtin_email",
        { { u"smtp_host", u"127.0.0.1" }, { u"smtp_port", U(std::to_string(exim.authAfterTlsPort)) }, { u"auth", u"1" },
            { u"smtp_user", u"user" }, { u"smtp_Pass", u"secret" }, { u"from_address", u"vornalt@example.test" },
            { u"recipients", u"aftertls@example.test" } } });
    fs::path stack = Root() / "mail.stack";
    WriteStack(stack, actions);
    auto run = [&](const fs::path& config) {
        fs::remove(m_program.parent_path() / "vornalt.log");
        return RunCommand("cd " + Quote(Root().string()) + " && XDG_CONFIG_HOME=" + Quote(config.string()) + " "
            + Quote(m_program.string()) + " -s " + Quote(stack.string()) + " -d " + Quote(photos.string()));
    };
    auto delivered = [&] {
        std::error_code error;
        std::size_t count = 0;
        for (auto it = fs::directory_iterator(exim.folder + "/maildir/aftertls/new", error); !error && it != fs::directory_iterator();
             it.increment(error))
            ++count;
        return count;
    };

    CommandResult sent = run(trusting);
    EXPECT_EQ(sent.exitCode, 0) << sent.output;
    for (int i = 0; i < 200 && delivered() < 1; ++i)
        usleep(50000);
    ASSERT_EQ(delivered(), 1u);
    std::string mainlog = ReadFile(exim.folder + "/mainlog");
    std::size_t arrival = mainlog.find("for aftertls@example.test");
    ASSERT_NE(arrival, std::string::npos) << mainlog;
    std::string line = mainlog.substr(mainlog.rfind('\n', arrival) + 1, arrival - mainlog.rfind('\n', arrival));
    EXPECT_NE(line.find(" X=TLS"), std::string::npos) << line;
    EXPECT_NE(line.find(" A="), std::string::npos) << line;

    CommandResult refused = run(bare);
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    ExpectLines(PostProcessLog(),
        { "MESSAGE: Start Post Processing", "ERROR: E-Mail: Unable to send email: email error information follows: *",
            "MESSAGE: Performing Post-Process Action E-Mail", "ERROR: CLI: E-Mail failed: *", "MESSAGE: Error Post Processing",
            "Vornalt Log Closed" });
    std::string log = ReadFile(m_program.parent_path() / "vornalt.log");
    EXPECT_NE(log.find("Failed to establish TLS connection."), std::string::npos) << log;
    EXPECT_NE(log.find("Failed to verify server certificate"), std::string::npos) << log;
    EXPECT_EQ(log.find("secret"), std::string::npos) << "the password reached the log";
    usleep(200000);
    EXPECT_EQ(delivered(), 1u);
}

TEST_F(GalleryEndToEnd, TheUploadLoginWaitsForAuthTlsWhereTheServerOffersIt)
{
    // This server takes no login over a plain connection, and announces AUTH TLS.
    ftptest::Vsftpd& server = ftptest::Vsftpd::Instance(ftptest::Vsftpd::ExplicitTls);
    ASSERT_NE(server.Port(), 0);
    fs::path trusting = TrustingConfigFolder();
    std::string remote = server.UploadDir() + "/program";
    fs::create_directories(remote);
    fs::permissions(remote, fs::perms(0777));

    fs::path photos = MakePhotos(2);
    std::vector<ActionSettings> actions = ResizeAndSave();
    actions.push_back({ u"builtin_ftp",
        { { u"ftphost", u"127.0.0.1" }, { u"ftpport", U(std::to_string(server.Port())) }, { u"username", u"anonymous" },
            { u"kPropPassword", u"guest@example.test" }, { u"passiveftp", u"1" }, { u"destinationdir", U(remote) } } });
    fs::path stack = Root() / "upload.stack";
    WriteStack(stack, actions);
    auto run = [&](const fs::path& config) {
        fs::remove(m_program.parent_path() / "vornalt.log");
        return RunCommand("cd " + Quote(Root().string()) + " && XDG_CONFIG_HOME=" + Quote(config.string()) + " "
            + Quote(m_program.string()) + " -s " + Quote(stack.string()) + " -d " + Quote(photos.string()));
    };

    CommandResult uploaded = run(trusting);
    EXPECT_EQ(uploaded.exitCode, 0) << uploaded.output << ReadFile(m_program.parent_path() / "vornalt.log");
    EXPECT_EQ(TreeFiles(remote), TreeFiles(Root() / "out"));
    EXPECT_EQ(TreeFiles(remote).size(), 2u);

    // A certificate the program cannot verify: no login, and the run says why.
    for (const std::string& file : TreeFiles(remote))
        fs::remove(fs::path(remote) / file);
    fs::path bare = Root() / "bare";
    fs::create_directories(bare);
    CommandResult refused = run(bare);
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    std::string log = ReadFile(m_program.parent_path() / "vornalt.log");
    EXPECT_NE(log.find("Failed to protect the connection before the login."), std::string::npos) << log;
    EXPECT_TRUE(TreeFiles(remote).empty());
}

}
