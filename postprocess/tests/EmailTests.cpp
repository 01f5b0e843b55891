// The e-mail action against a real SMTP server (aiosmtpd on the loopback address).

#include "PostProcessTestSupport.h"

#include "postprocess/ActionEmail.h"
#include "postprocess/PostProcessOutput.h"

#include <algorithm>

using namespace pptest;

namespace {

class Email : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        m_peers = &GetDeliveryPeers();
        ASSERT_TRUE(m_peers->Started());
        m_action = RefPtr<CActionEmail>::Adopt(new CActionEmail);
        m_action->SetPropertyString(u"smtp_host", u"127.0.0.1");
        m_action->SetPropertyInt(u"smtp_port", m_peers->smtpPort);
        m_action->SetPropertyString(u"from_address", u"vornalt@example.test");
        m_action->SetPropertyString(u"recipients", u"ann@example.test");
    }

    // Runs the action over the targets (after `before` when given); returns the code and, in
    // `message`, the number of the message it sent (0 when none arrived).
    int Run(const std::vector<RefPtr<CImageFileTarget>>& targets, int& message, CAction* before = nullptr)
    {
        int count = m_peers->MessageCount();
        auto stack = StackFor(m_action.get(), targets, before);
        int code = m_action->PostProcess();
        int after = m_peers->MessageCount();
        EXPECT_LE(after, count + 1);
        message = after > count ? after : 0;
        return code;
    }

    // The peer's wire-log lines about message n.
    std::string Envelope(int n)
    {
        std::string wire = ReadFile(m_peers->MailFolder() / "wire.log");
        std::string key = "MESSAGE " + std::to_string(n) + " ";
        std::size_t at = wire.find(key);
        if (at == std::string::npos)
            return std::string();
        return wire.substr(at + key.size(), wire.find('\n', at) - at - key.size());
    }

    // `count` small files of different content in a folder.
    std::vector<RefPtr<CImageFileTarget>> Files(int count)
    {
        std::vector<RefPtr<CImageFileTarget>> targets;
        for (int i = 1; i <= count; ++i) {
            fs::path file = Root() / "out" / ("picture-" + std::to_string(i) + ".jpg");
            WriteFile(file, "picture " + std::to_string(i) + std::string(std::size_t(i) * 100, char('a' + i)));
            targets.push_back(MakeTarget(Root() / "in" / file.filename(), file));
        }
        return targets;
    }

    const DeliveryPeers* m_peers = nullptr;
    RefPtr<CActionEmail> m_action;
};

TEST_F(Email, DefaultsAndValidationInOrder)
{
    auto fresh = RefPtr<CActionEmail>::Adopt(new CActionEmail);
    EXPECT_EQ(fresh->GetName(), u"E-Mail");
    EXPECT_EQ(fresh->GetTypeKey(), u"builtin_email");
    EXPECT_EQ(fresh->GetOutputPath(), u"");
    int port = 0;
    std::u16string subject, message;
    fresh->GetPropertyInt(u"smtp_port", port);
    fresh->GetPropertyString(u"email_subject", subject);
    fresh->GetPropertyString(u"email_message", message);
    EXPECT_EQ(port, 25);
    EXPECT_EQ(subject, u"Vornalt Has Sent You A Message");
    EXPECT_EQ(message, u"This email was generated using Vornalt");

    fresh->SetPropertyInt(u"auth", 1);
    fresh->SetPropertyInt(u"smtp_port", 0);
    fresh->SetPropertyString(u"email_subject", u"");
    std::vector<std::u16string> problems;
    EXPECT_FALSE(fresh->Validate(problems));
    EXPECT_EQ(problems,
        (std::vector<std::u16string> {
            u"You specify that your SMTP server requires authentication but not specify a username or password",
            u"You must specify a valid SMTP port number", u"You must specify an SMTP server", u"You must specify a from address",
            u"You must specify at least one e-mail recipient", u"You must specify a subject for your email" }));
    problems.clear();
    EXPECT_TRUE(m_action->Validate(problems));
    EXPECT_TRUE(problems.empty());
}

TEST_F(Email, RecipientsAreSplitAndTrimmed)
{
    EXPECT_EQ(SplitRecipients(u"a@x.test;;b@y.test;"), (std::vector<std::u16string> { u"a@x.test", u"b@y.test" }));
    EXPECT_EQ(SplitRecipients(u" a@x.test ;\tb@y.test\t; ; "), (std::vector<std::u16string> { u"a@x.test", u"b@y.test" }));
    EXPECT_TRUE(SplitRecipients(u" ; ;;").empty());
}

TEST_F(Email, TheCollectedOutputsGoToEveryRecipientAndAnUnreadableOneIsLogged)
{
    auto targets = Files(3);
    // Nothing saved the second one: it goes under its source path.
    WriteFile(Root() / "in" / "source-only.png", "png bytes");
    targets.insert(targets.begin() + 1, MakeTarget(Root() / "in" / "source-only.png"));
    fs::remove(Root() / "out" / "picture-3.jpg");
    m_action->SetPropertyString(u"recipients", u"ann@example.test;; \tbob@example.test ;");
    m_action->SetPropertyString(u"email_subject", u"Holiday pictures");
    m_action->SetPropertyString(u"email_message", u"Here they are.");
    // Without "auth" the login is not used even when it is filled in.
    m_action->SetPropertyString(u"smtp_user", u"mailer");
    m_action->SetPropertyString(u"smtp_Pass", u"wrong");

    int message = 0;
    ASSERT_EQ(Run(targets, message), 0);
    ASSERT_GT(message, 0);
    EXPECT_EQ(Envelope(message), "FROM:vornalt@example.test TO:ann@example.test,bob@example.test");
    std::string text = m_peers->Message(message);
    EXPECT_NE(text.find("Subject: Holiday pictures"), std::string::npos) << text;
    EXPECT_NE(text.find("Here they are."), std::string::npos);
    EXPECT_EQ(ReadFile(m_peers->MailFolder() / "wire.log").find("AUTH"), std::string::npos);

    auto attachments = MessageAttachments(message, Root());
    ASSERT_EQ(attachments.size(), 3u);
    EXPECT_EQ(attachments[0], std::make_pair(std::string("picture-1.jpg"), ReadFile(Root() / "out" / "picture-1.jpg")));
    EXPECT_EQ(attachments[1], std::make_pair(std::string("source-only.png"), std::string("png bytes")));
    EXPECT_EQ(attachments[2], std::make_pair(std::string("picture-2.jpg"), ReadFile(Root() / "out" / "picture-2.jpg")));
    EXPECT_EQ(ActionLogLines(),
        (std::vector<std::string> { "ERROR: E-Mail: Unable to attach " + (Root() / "out" / "picture-3.jpg").string()
            + "; the message is sent without it" }));
}

TEST_F(Email, ALoginIsUsedWhenAskedAndARefusedOneFailsWithTheMailersText)
{
    m_action->SetPropertyInt(u"auth", 1);
    m_action->SetPropertyString(u"smtp_user", u"mailer");
    m_action->SetPropertyString(u"smtp_Pass", u"secret");
    int message = 0;
    ASSERT_EQ(Run({}, message), 0);
    EXPECT_GT(message, 0);
    EXPECT_TRUE(MessageAttachments(message, Root()).empty());
    std::string wire = ReadFile(m_peers->MailFolder() / "wire.log");
    EXPECT_TRUE(wire.find("AUTH PLAIN ok") != std::string::npos || wire.find("AUTH LOGIN ok") != std::string::npos) << wire;

    m_action->SetPropertyString(u"smtp_Pass", u"guessed");
    EXPECT_EQ(Run({}, message), 23);
    EXPECT_EQ(message, 0);
    std::vector<std::string> lines = ActionLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("ERROR: E-Mail: Unable to send email: email error information follows: ", 0), 0u) << lines[0];
    EXPECT_EQ(ReadFile(Root() / "vornalt.log").find("guessed"), std::string::npos) << "the password reached the log";
}

TEST_F(Email, LineBreaksInAddressesAndTheSubjectAddNoRecipientOrHeader)
{
    m_action->SetPropertyString(u"recipients", u"ann@example.test;eve@example.test\r\nRCPT TO:<mallory@example.test>");
    m_action->SetPropertyString(u"email_subject", u"Hello\r\nBcc: mallory@example.test");
    int message = 0;
    ASSERT_EQ(Run({}, message), 0);
    ASSERT_GT(message, 0);
    EXPECT_EQ(Envelope(message), "FROM:vornalt@example.test TO:ann@example.test");
    EXPECT_EQ(ReadFile(m_peers->MailFolder() / "wire.log").find("mallory"), std::string::npos);
    EXPECT_EQ(m_peers->Message(message).find("\nBcc:"), std::string::npos) << m_peers->Message(message);
    EXPECT_EQ(ActionLogLines(),
        (std::vector<std::string> { "ERROR: E-Mail: Unable to add the recipient eve@example.test\\r\\nRCPT TO:<mallory@example.test>" }));
}

TEST_F(Email, ThePreviousOutputIsAttachedInsteadOfTheCollectedFiles)
{
    auto targets = Files(2);
    WriteFile(Root() / "delivery" / "gallery.zip", "an archive");
    auto zip = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(U(Root() / "delivery" / "gallery.zip")));
    int message = 0;
    ASSERT_EQ(Run(targets, message, zip.get()), 0);
    auto attachments = MessageAttachments(message, Root());
    ASSERT_EQ(attachments.size(), 1u);
    EXPECT_EQ(attachments[0], std::make_pair(std::string("gallery.zip"), std::string("an archive")));

    // A folder stands for every file below it.
    WriteFile(Root() / "site" / "index.html", "page");
    WriteFile(Root() / "site" / "thumbs" / "a.jpg", "thumb");
    WriteFile(Root() / "site" / "images" / "deep" / "a.jpg", "image");
    auto folder = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(U(Root() / "site") + u"/"));
    ASSERT_EQ(Run(targets, message, folder.get()), 0);
    attachments = MessageAttachments(message, Root());
    std::vector<std::string> names;
    for (const auto& a : attachments)
        names.push_back(a.first);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "a.jpg", "a.jpg", "index.html" }));
}

TEST_F(Email, LimitsAndFailuresGiveTheirCodesAndSendNothing)
{
    int message = 0;
    // Exactly ten go in one message.
    ASSERT_EQ(Run(Files(10), message), 0);
    EXPECT_EQ(MessageAttachments(message, Root()).size(), 10u);
    EXPECT_TRUE(ActionLogLines().empty());

    struct Case {
        const char* name;
        std::u16string recipients;
        int files;
        int port; // 0: the peer's
        int code;
        std::string line; // the start of the one log line
    };
    const int closed = UnusedLoopbackPort();
    const Case cases[] = {
        { "eleven files", u"ann@example.test", 11, 0, 22,
            "ERROR: E-Mail: Too many files (11 files to attach, at most 10 go in one message)" },
        { "no recipient", u" ; ;", 1, 0, 21, "ERROR: E-Mail: No email recipients specified" },
        { "closed port", u"ann@example.test", 1, closed, 23,
            "ERROR: E-Mail: Unable to send email: email error information follows: " },
        { "refused recipient", u"refuse@example.test", 1, 0, 23,
            "ERROR: E-Mail: Unable to send email: email error information follows: " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(Root() / "vornalt.log");
        m_action->SetPropertyString(u"recipients", c.recipients);
        m_action->SetPropertyInt(u"smtp_port", c.port ? c.port : m_peers->smtpPort);
        EXPECT_EQ(Run(Files(c.files), message), c.code);
        EXPECT_EQ(message, 0);
        std::vector<std::string> lines = LogLines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind(c.line, 0), 0u) << lines[0];
    }
}

TEST_F(Email, APreviewSendsNothing)
{
    auto files = Files(1);
    auto stack = StackFor(m_action.get(), files);
    stack->RunInProcess(true, nullptr, files[0].get());
    int before = m_peers->MessageCount();
    EXPECT_EQ(m_action->PostProcess(), 0);
    EXPECT_EQ(m_peers->MessageCount(), before);
}

}
