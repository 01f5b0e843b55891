#include "PostProcessTestSupport.h"

#include "postprocess/ActionEmail.h"
#include "postprocess/ActionFtp.h"
#include "postprocess/ActionImageGallery.h"
#include "postprocess/ActionZipAll.h"
#include "postprocess/PostProcessActions.h"
#include "postprocess/PostProcessDialogs.h"
#include "postprocess/PostProcessOutput.h"
#include "engine/ActionRegistry.h"
#include "resources/MessageBox.h"

#include <algorithm>

using namespace pptest;

namespace {

class OutputSelection : public ScratchTest { };

TEST_F(OutputSelection, FolderWalksListEveryFileOfEveryLevel)
{
    WriteFile(Root() / "tree" / "a.txt", "a");
    WriteFile(Root() / "tree" / "one" / "b.txt", "b");
    WriteFile(Root() / "tree" / "one" / "two" / "three" / "c.txt", "c");
    fs::create_directories(Root() / "tree" / "empty");
    fs::create_directory_symlink(Root() / "tree", Root() / "tree" / "one" / "loop");
    std::vector<std::u16string> files { u"kept" };
    EXPECT_EQ(CollectFolderFiles(U(Root() / "tree"), files), 4);
    std::string base = (Root() / "tree").string();
    std::vector<std::u16string> expected { u"kept", U(base + "/a.txt"), U(base + "/one/b.txt"), U(base + "/one/two/three/c.txt") };
    EXPECT_EQ(files, expected);
    std::vector<std::u16string> none;
    EXPECT_EQ(CollectFolderFiles(U(Root() / "tree" / "empty"), none), 0);
    EXPECT_EQ(CollectFolderFiles(U(Root() / "missing"), none), 0);
}

TEST_F(OutputSelection, ThePreviousOutputOnDiskWinsElseTheCollectedOutputs)
{
    WriteFile(Root() / "archive.zip", "zip");
    fs::create_directories(Root() / "gallery");
    auto saved = MakeTarget(Root() / "in" / "a.jpg", Root() / "out" / "a.jpg");
    auto unsaved = MakeTarget(Root() / "in" / "b.jpg");
    struct Case {
        const char* name;
        std::u16string previous;
        PostProcessOutput::Kind kind;
    };
    const Case cases[] = {
        { "folder", U(Root() / "gallery") + u"/", PostProcessOutput::PREVIOUS_FOLDER },
        { "file", U(Root() / "archive.zip"), PostProcessOutput::PREVIOUS_FILE },
        { "gone", U(Root() / "gone.zip"), PostProcessOutput::COLLECTED_FILES },
        { "empty", u"", PostProcessOutput::COLLECTED_FILES },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto before = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(c.previous));
        auto action = RefPtr<CActionZipAll>::Adopt(new CActionZipAll);
        auto stack = StackFor(action.get(), { saved, unsaved }, before.get());
        PostProcessOutput output = SelectPostProcessOutput(*action);
        EXPECT_EQ(output.kind, c.kind);
        if (c.kind == PostProcessOutput::COLLECTED_FILES) {
            EXPECT_EQ(output.files, (std::vector<std::u16string> { U(Root() / "out" / "a.jpg"), U(Root() / "in" / "b.jpg") }));
        } else {
            EXPECT_EQ(output.path, c.previous);
            EXPECT_TRUE(output.files.empty());
        }
    }
    // The first action of a stack has no previous output.
    auto first = RefPtr<CActionZipAll>::Adopt(new CActionZipAll);
    auto stack = StackFor(first.get(), { saved });
    EXPECT_EQ(SelectPostProcessOutput(*first).kind, PostProcessOutput::COLLECTED_FILES);
}

class AcceptingDialogs : public PostProcessPropertyDialogs {
public:
    int RunZipAllDialog(ZipAllDialogValues& values) override
    {
        seenZip = values;
        values.zipPath = u"/new.zip";
        values.passwordProtect = 1;
        values.password = u"pw";
        return answer;
    }
    int RunGalleryDialog(GalleryDialogValues& values) override
    {
        seenGallery = values;
        values.theme = u"midnight";
        values.thumbsPerPage = 12;
        return answer;
    }
    int RunEmailDialog(EmailDialogValues& values) override
    {
        seenEmail = values;
        values.smtpHost = u"mail.example.test";
        values.smtpPort = 587;
        values.smtpUser = u"me";
        values.smtpPassword = u"pw";
        values.auth = 1;
        values.fromAddress = u"me@example.test";
        values.recipients = u"you@example.test";
        values.subject = u"Pictures";
        values.message = u"Here";
        return answer;
    }
    int RunFtpDialog(FtpDialogValues& values) override
    {
        seenFtp = values;
        values.password = u"pw";
        values.username = u"me";
        values.destinationDir = u"/www";
        values.host = u"ftp.example.test";
        values.port = 2121;
        values.passive = 1;
        return answer;
    }
    int answer = IDOK;
    ZipAllDialogValues seenZip;
    GalleryDialogValues seenGallery;
    EmailDialogValues seenEmail;
    FtpDialogValues seenFtp;
};

// Every property of the action as "name=value" lines, in name order.
std::string Properties(CAction& action, const std::vector<std::u16string>& names)
{
    std::string text;
    for (const std::u16string& name : names) {
        std::u16string value;
        action.GetPropertyString(name, value);
        text += N(name) + "=" + N(value) + "\n";
    }
    return text;
}

TEST_F(OutputSelection, PropertyDialogsExchangeEveryPropertyAndACancelChangesNothing)
{
    AcceptingDialogs dialogs;
    SetPostProcessPropertyDialogs(&dialogs);
    auto zip = RefPtr<CActionZipAll>::Adopt(new CActionZipAll);
    auto gallery = RefPtr<CActionImageGallery>::Adopt(new CActionImageGallery);
    zip->SetPropertyString(u"zippath", u"/old.zip");
    gallery->SetPropertyString(u"destinationdir", u"/web");

    dialogs.answer = IDCANCEL;
    zip->SetDirty(false);
    gallery->SetDirty(false);
    EXPECT_FALSE(zip->ShowPropertyDialog(0, nullptr));
    EXPECT_FALSE(gallery->ShowPropertyDialog(0, nullptr));
    EXPECT_FALSE(zip->IsDirty());
    EXPECT_FALSE(gallery->IsDirty());
    std::u16string text;
    zip->GetPropertyString(u"zippath", text);
    EXPECT_EQ(text, u"/old.zip");
    EXPECT_EQ(dialogs.seenZip.zipPath, u"/old.zip");
    EXPECT_EQ(dialogs.seenGallery.destinationDir, u"/web");
    EXPECT_EQ(dialogs.seenGallery.thumbsPerPage, 20);
    EXPECT_EQ(dialogs.seenGallery.title, u"Vornalt Gallery");

    dialogs.answer = IDOK;
    EXPECT_TRUE(zip->ShowPropertyDialog(0, nullptr));
    EXPECT_TRUE(gallery->ShowPropertyDialog(0, nullptr));
    EXPECT_TRUE(zip->IsDirty());
    int number = 0;
    zip->GetPropertyString(u"zippath", text);
    EXPECT_EQ(text, u"/new.zip");
    zip->GetPropertyInt(u"password_protect", number);
    EXPECT_EQ(number, 1);
    gallery->GetPropertyString(u"theme", text);
    EXPECT_EQ(text, u"midnight");
    gallery->GetPropertyInt(u"thumbsperpage", number);
    EXPECT_EQ(number, 12);
    SetPostProcessPropertyDialogs(nullptr);

    // Without installed dialogs (command-line runs) every dialog is cancelled.
    EXPECT_FALSE(zip->ShowPropertyDialog(0, nullptr));
}

TEST_F(OutputSelection, TheDeliveryDialogsExchangeEveryProperty)
{
    AcceptingDialogs dialogs;
    SetPostProcessPropertyDialogs(&dialogs);
    auto email = RefPtr<CActionEmail>::Adopt(new CActionEmail);
    auto ftp = RefPtr<CActionFtp>::Adopt(new CActionFtp);
    const std::vector<std::u16string> emailNames { u"smtp_host", u"smtp_port", u"smtp_user", u"smtp_Pass", u"auth",
        u"email_subject", u"email_message", u"from_address", u"recipients" };
    const std::vector<std::u16string> ftpNames { u"kPropPassword", u"username", u"destinationdir", u"ftphost", u"ftpport",
        u"passiveftp" };
    std::string emailBefore = Properties(*email, emailNames);
    std::string ftpBefore = Properties(*ftp, ftpNames);

    dialogs.answer = IDCANCEL;
    email->SetDirty(false);
    ftp->SetDirty(false);
    EXPECT_FALSE(email->ShowPropertyDialog(0, nullptr));
    EXPECT_FALSE(ftp->ShowPropertyDialog(0, nullptr));
    EXPECT_FALSE(email->IsDirty());
    EXPECT_FALSE(ftp->IsDirty());
    EXPECT_EQ(Properties(*email, emailNames), emailBefore);
    EXPECT_EQ(Properties(*ftp, ftpNames), ftpBefore);
    EXPECT_EQ(dialogs.seenEmail.smtpPort, 25);
    EXPECT_EQ(dialogs.seenEmail.subject, u"Vornalt Has Sent You A Message");
    EXPECT_EQ(dialogs.seenFtp.port, 21);

    dialogs.answer = IDOK;
    EXPECT_TRUE(email->ShowPropertyDialog(0, nullptr));
    EXPECT_TRUE(ftp->ShowPropertyDialog(0, nullptr));
    EXPECT_TRUE(email->IsDirty());
    EXPECT_TRUE(ftp->IsDirty());
    EXPECT_EQ(Properties(*email, emailNames),
        "smtp_host=mail.example.test\nsmtp_port=587\nsmtp_user=me\nsmtp_Pass=pw\nauth=1\nemail_subject=Pictures\n"
        "email_message=Here\nfrom_address=me@example.test\nrecipients=you@example.test\n");
    EXPECT_EQ(Properties(*ftp, ftpNames),
        "kPropPassword=pw\nusername=me\ndestinationdir=/www\nftphost=ftp.example.test\nftpport=2121\npassiveftp=1\n");
    SetPostProcessPropertyDialogs(nullptr);
}

TEST_F(OutputSelection, TheRegistryCreatesTheBuiltActions)
{
    RegisterPostProcessActions();
    RegisterPostProcessActions();
    auto zip = RefPtr<CAction>::Adopt(CreateActionByType(u"BUILTIN_ZIPALL"));
    auto gallery = RefPtr<CAction>::Adopt(CreateActionByType(u"builtin_imagegallery"));
    ASSERT_TRUE(zip);
    ASSERT_TRUE(gallery);
    EXPECT_NE(dynamic_cast<CActionZipAll*>(zip.get()), nullptr);
    EXPECT_NE(dynamic_cast<CActionImageGallery*>(gallery.get()), nullptr);
    EXPECT_EQ(zip->GetDescription(),
        u"Zips up the output of the main actions or, if the previous super action has output zip up the output from that");
    EXPECT_EQ(gallery->ReferenceCount(), 1);
    auto email = RefPtr<CAction>::Adopt(CreateActionByType(u"builtin_email"));
    auto ftp = RefPtr<CAction>::Adopt(CreateActionByType(u"builtin_ftp"));
    EXPECT_NE(dynamic_cast<CActionEmail*>(email.get()), nullptr);
    EXPECT_NE(dynamic_cast<CActionFtp*>(ftp.get()), nullptr);
    EXPECT_EQ(email->GetDescription(), u"Attaches the output files from the main actions to one or more recipients.  Mix with "
                                       u"other Super Actions to send other output.");
    EXPECT_EQ(ftp->GetName(), u"FTP");
}

}
