#include "components/mail/Email2.h"

#include "components/foundation/XString.h"
#include "components/mail/mime/MimeField.h"
#include "components/mail/mime/MimeMessage2.h"
#include "components/mail/tests/MimeTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <vector>

using namespace mimetest;

namespace {

std::string RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = char(generator() & 0xFF);
    // Starts like a JPEG and holds NUL bytes and line-end bytes, the cases that break careless code.
    bytes[0] = char(0xFF);
    bytes[1] = char(0xD8);
    bytes[2] = '\0';
    bytes[3] = '\r';
    bytes[4] = '\n';
    return bytes;
}

std::vector<std::string> HeaderNames(const std::string& text)
{
    std::vector<std::string> names;
    std::istringstream in(text.substr(0, text.find("\r\n\r\n")));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '\t' || line[0] == ' ')
            continue;
        names.push_back(line.substr(0, line.find(':')));
    }
    return names;
}

DataBuffer Data(const std::string& text)
{
    DataBuffer data;
    data.Append(text.data(), unsigned(text.size()));
    return data;
}

// The application's e-mail action: body, recipients, attachments, sender, subject.
std::unique_ptr<Email2> WorkedExample(const TempFolder& folder, const std::string& a, const std::string& b,
    const char* subject = "Pictures")
{
    WriteFile(folder.File("a.jpg"), a);
    WriteFile(folder.File("b.jpg"), b);
    auto email = std::make_unique<Email2>(Email2::NewMail::Yes);
    email->SetBody(Data("Here are the pictures.\r\nRegards\r\n"), false);
    email->AddToList("Bob <bob@example.com>", nullptr);
    for (const char* name : { "a.jpg", "b.jpg" }) {
        XString path;
        path.SetFromUtf8(folder.File(name).c_str());
        torvane::StringBuffer type;
        EXPECT_TRUE(email->AddFileAttachment(path, nullptr, type, nullptr));
        EXPECT_EQ(Text(type), "image/jpeg");
    }
    email->SetFromAddress("alice@example.org");
    Charset none;
    email->SetCharset(none);
    email->SetHeaderField("Subject", subject);
    return email;
}

} // namespace

TEST(Email2, NewEmailHeaderOrderAndMessageId)
{
    Email2 first(Email2::NewMail::Yes);
    Email2 second(Email2::NewMail::Yes);
    std::string text = Render(first);
    EXPECT_EQ(HeaderNames(text), (std::vector<std::string> { "MIME-Version", "Date", "Message-ID", "Content-Type",
                                     "Content-Transfer-Encoding", "X-Mailer", "X-Priority" }));
    torvane::StringBuffer id1, id2;
    ASSERT_TRUE(first.GetHeaderField("Message-ID", id1));
    ASSERT_TRUE(second.GetHeaderField("Message-ID", id2));
    EXPECT_NE(Text(id1), Text(id2));
    EXPECT_TRUE(std::regex_match(Text(id1),
        std::regex("<TORVANE-MID-[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}@[^>]+>")));
}

TEST(Email2, WorkedExampleLayoutPythonReadsItAndAttachmentsSurvive)
{
    TempFolder folder;
    std::string a = RandomBytes(20000, 1), b = RandomBytes(777, 2);
    auto email = WorkedExample(folder, a, b);
    EXPECT_EQ(email->GetAttachmentCount(), 2);
    std::string text = RenderForSending(*email);

    EXPECT_EQ(HeaderNames(text), (std::vector<std::string> { "MIME-Version", "Date", "Message-ID", "X-Mailer",
                                     "X-Priority", "To", "From", "Return-Path", "Content-Type", "Subject" }));
    std::smatch match;
    ASSERT_TRUE(std::regex_search(text, match,
        std::regex("\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"(-----_torvane_[0-9a-f]{3}_[0-9a-f]{4}_"
                   "[0-9a-f]{8}\\.[0-9a-f]{8}_\\.MIX)\"\r\n")));
    std::string boundary = match[1];
    EXPECT_EQ(boundary.size(), 45u);
    std::string body = text.substr(text.find("\r\n\r\n") + 4);
    EXPECT_EQ(body.rfind("This is a multi-part message in MIME format.\r\n\r\n--" + boundary + "\r\n"
                         "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                         "Here are the pictures.",
                  0),
        0u);
    for (const char* name : { "a.jpg", "b.jpg" })
        EXPECT_NE(text.find(std::string("--") + boundary + "\r\nContent-Type: image/jpeg;\r\n\tname=\"" + name
                      + "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n\t filename=\""
                      + name + "\"\r\n\r\n"),
            std::string::npos)
            << name;
    EXPECT_EQ(text.substr(text.size() - boundary.size() - 6), "--" + boundary + "--\r\n");

    std::string path = folder.File("sent.eml");
    WriteFile(path, text);
    std::string oracle = PythonOracle(path);
    EXPECT_EQ(LeafLines(oracle),
        "multipart multipart/mixed\n"
        "leaf text/plain '' " + Sha256("Here are the pictures.\nRegards\n", folder) + " 31\n"
        "leaf image/jpeg 'a.jpg' " + Sha256(a, folder) + " 20000\n"
        "leaf image/jpeg 'b.jpg' " + Sha256(b, folder) + " 777\n");
    EXPECT_NE(oracle.find("header Subject 'Pictures'"), std::string::npos) << oracle;
    EXPECT_NE(oracle.find("defects 0"), std::string::npos) << oracle;
}

TEST(Email2, CloneRendersByteForByteAndKeepsBcc)
{
    TempFolder folder;
    auto email = WorkedExample(folder, RandomBytes(5000, 3), RandomBytes(3000, 4),
        "Grüße, Привет и ελληνικά 日本語");
    email->AddBccList("hidden@example.net", nullptr);
    email->SetHeaderField("TVX-Bcc", "hidden@example.net");
    std::string first = Render(*email);
    EXPECT_EQ(Render(*email), first) << "rendering twice must not change the text";
    std::unique_ptr<Email2> clone(email->Clone(nullptr));
    ASSERT_TRUE(clone);
    EXPECT_EQ(Render(*clone), first);
    EXPECT_EQ(clone->GetBccCount(), 1);
    std::unique_ptr<Email2> again(clone->Clone(nullptr));
    EXPECT_EQ(Render(*again), first);
    std::string sent = RenderForSending(*clone);
    EXPECT_EQ(sent.find("TVX-"), std::string::npos);
    EXPECT_EQ(sent.find("hidden@"), std::string::npos);
    EXPECT_NE(first.find("TVX-Bcc"), std::string::npos);
}

// The copy made member by member renders exactly as the copy made by rendering and loading back
// did, for messages built here and for messages other mailers wrote.
TEST(Email2, CloneByMembersRendersAsCloneByRendering)
{
    TempFolder folder;
    std::vector<std::unique_ptr<Email2>> messages;
    messages.push_back(WorkedExample(folder, RandomBytes(5000, 5), RandomBytes(70000, 6), "Grüße, Привет 日本語"));
    messages.back()->AddBccList("hidden@example.net", nullptr);
    messages.back()->SetHeaderField("TVX-ReturnReceipt", "YES");
    auto latin = std::make_unique<Email2>(Email2::NewMail::Yes);
    latin->SetBody(Data("caf\xE9 cr\xE8me\r\n.dot line\r\n"), false);
    latin->AddTo("Jörg Ünlü", "jorg@example.com");
    messages.push_back(std::move(latin));
    auto alternative = std::make_unique<Email2>(Email2::NewMail::Yes);
    alternative->SetBody(Data("Plain caf\xC3\xA9\r\n"), false);
    alternative->ConvertToAlternative();
    alternative->SetHtmlBody(Data("<p>HTML caf\xC3\xA9</p>"));
    messages.push_back(std::move(alternative));
    for (const char* name : { "python-alternative-related.eml", "python-charsets.eml", "rfc2046-simple.eml",
             "rfc2047-words.eml", "rfc2049-complex.eml", "rfc2231-parameters.eml", "uuencoded-body.eml" }) {
        std::string text = ReadFile(std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/data/mime/" + name);
        ASSERT_FALSE(text.empty()) << name;
        messages.emplace_back(Email2::LoadFromMimeText(Buffer(text), false, false, nullptr, nullptr));
    }
    for (size_t i = 0; i < messages.size(); ++i) {
        Email2& email = *messages[i];
        std::unique_ptr<Email2> byMembers(email.Clone(nullptr));
        std::unique_ptr<Email2> byRendering(email.CloneByRendering(nullptr));
        ASSERT_TRUE(byMembers && byRendering) << i;
        EXPECT_TRUE(Render(*byMembers) == Render(*byRendering)) << i << "\n" << Render(*byMembers);
        EXPECT_TRUE(RenderForSending(*byMembers) == RenderForSending(*byRendering)) << i;
        EXPECT_EQ(byMembers->GetBccCount(), byRendering->GetBccCount()) << i;
    }
}

namespace {

// Keeps every write apart; stops the rendering once `limit` bytes have come.
class PieceSink : public MimeSink {
public:
    bool Write(const char* bytes, size_t n) override
    {
        if (stopped)
            ++writesAfterStop;
        pieces.emplace_back(bytes, n);
        size += n;
        stopped = size >= limit;
        return !stopped;
    }
    std::string Joined() const
    {
        std::string all;
        for (const std::string& piece : pieces)
            all += piece;
        return all;
    }
    std::vector<std::string> pieces;
    size_t size = 0, limit = size_t(-1);
    bool stopped = false;
    int writesAfterStop = 0;
};

// Messages whose text has every kind of seam: multipart trees, attachments longer than one base64
// slice, words for non-ASCII header values, lines starting with '.', texts with and without a
// final line break, bare CR and LF, quoted-printable parts and messages other mailers wrote.
std::vector<std::unique_ptr<Email2>> SeamMessages(const TempFolder& folder)
{
    std::vector<std::unique_ptr<Email2>> messages;
    messages.push_back(WorkedExample(folder, RandomBytes(200001, 11), RandomBytes(57, 12), "Grüße, Привет 日本語"));
    auto dots = std::make_unique<Email2>(Email2::NewMail::Yes);
    dots->SetBody(Data(".starts\r\n.\r\n..two\r\nmid . dot\r\n.no end"), false);
    dots->AddTo("Jörg Ünlü", "jorg@example.com");
    dots->SetHeaderField("Subject", ".dot subject ελληνικά");
    messages.push_back(std::move(dots));
    auto edges = std::make_unique<Email2>(Email2::NewMail::Yes);
    edges->SetBody(Data("bare\rcr\nbare lf\r\n\r\n\r\ncaf\xE9 trailing blank \r\n"), false);
    WriteFile(folder.File("notes.txt"), ".text attachment\r\nline\n.dot\r\n");
    XString path;
    path.SetFromUtf8(folder.File("notes.txt").c_str());
    torvane::StringBuffer type;
    EXPECT_TRUE(edges->AddFileAttachment(path, nullptr, type, nullptr));
    messages.push_back(std::move(edges));
    auto alternative = std::make_unique<Email2>(Email2::NewMail::Yes);
    alternative->SetBody(Data("Plain caf\xC3\xA9\r\n"), false);
    alternative->ConvertToAlternative();
    alternative->SetHtmlBody(Data("<p>HTML caf\xC3\xA9</p>"));
    messages.push_back(std::move(alternative));
    messages.push_back(std::make_unique<Email2>(Email2::NewMail::Yes));
    for (const char* name : { "python-alternative-related.eml", "rfc2047-words.eml", "rfc2049-complex.eml" }) {
        std::string text = ReadFile(std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/data/mime/" + name);
        EXPECT_FALSE(text.empty()) << name;
        messages.emplace_back(Email2::LoadFromMimeText(Buffer(text), false, false, nullptr, nullptr));
    }
    return messages;
}

} // namespace

// The text written piece by piece is the rendered text, byte for byte, and a sink that stops
// ends the rendering at once.
TEST(Email2, StreamedRenderingIsTheRenderedText)
{
    TempFolder folder;
    auto messages = SeamMessages(folder);
    for (size_t i = 0; i < messages.size(); ++i) {
        Email2& email = *messages[i];
        for (const char* skip : { static_cast<const char*>(nullptr), "TVX-" }) {
            torvane::StringBuffer whole;
            email.Render(&email, whole, skip, nullptr, 0, false);
            PieceSink sink;
            EXPECT_TRUE(email.RenderTo(&email, sink, skip, nullptr, 0, false)) << i;
            EXPECT_TRUE(sink.Joined() == Text(whole)) << i << (skip ? " for sending" : "") << "\n" << sink.Joined();
            EXPECT_GT(sink.pieces.size(), 1u) << i;
        }
    }
    // The big attachment goes in slices; none of them holds the encoded attachment whole.
    PieceSink sink;
    ASSERT_TRUE(messages[0]->RenderTo(messages[0].get(), sink, nullptr, nullptr, 0, false));
    size_t largest = 0;
    for (const std::string& piece : sink.pieces)
        largest = std::max(largest, piece.size());
    EXPECT_LT(largest, 100000u);
    for (size_t limit : { size_t(1), size_t(300), size_t(150000) }) {
        PieceSink stopping;
        stopping.limit = limit;
        EXPECT_FALSE(messages[0]->RenderTo(messages[0].get(), stopping, nullptr, nullptr, 0, false)) << limit;
        EXPECT_EQ(stopping.writesAfterStop, 0) << limit;
    }
}

// A copy holds no second copy of the bodies, and a change to either side stays on that side.
TEST(Email2, CloneSharesBodiesUntilOneSideChangesThem)
{
    TempFolder folder;
    std::string a = RandomBytes(30000, 21);
    auto email = WorkedExample(folder, a, RandomBytes(100, 22));
    std::string before = Render(*email);
    std::unique_ptr<Email2> clone(email->Clone(nullptr));
    ASSERT_TRUE(clone);
    ASSERT_EQ(clone->GetNumParts(), email->GetNumParts());
    for (int i = 0; i < email->GetNumParts(); ++i)
        EXPECT_EQ(clone->GetPart(i)->Body().GetData(), email->GetPart(i)->Body().GetData()) << i;
    clone->SetBody(Data("Changed in the copy.\r\n"), false);
    EXPECT_EQ(Render(*email), before);
    EXPECT_NE(Render(*clone).find("Changed in the copy."), std::string::npos);
    std::unique_ptr<Email2> second(email->Clone(nullptr));
    email->SetBody(Data("Changed in the original.\r\n"), false);
    EXPECT_NE(Render(*second).find("Here are the pictures."), std::string::npos);
    EXPECT_EQ(Render(*second).find("Changed in the original."), std::string::npos);
    DataBuffer* body = second->GetPart(1)->GetBodyDataRef();
    ASSERT_NE(body, nullptr);
    body->Append("!", 1);
    EXPECT_EQ(email->GetPart(1)->Body().GetSize(), a.size());
    EXPECT_EQ(second->GetPart(1)->Body().GetSize(), a.size() + 1);
}

TEST(Email2, SubjectsAndNamesInSeveralScriptsLoseNoCharacter)
{
    TempFolder folder;
    // Latin-1 text first would once fix the charset; later text in other scripts must survive.
    Email2 email(Email2::NewMail::Yes);
    email.SetBody(Data("café\r\n"), false);
    email.SetBody(Data("café и кофе\r\n"), false);
    email.AddTo("Jörg Ünlü", "jorg@example.com");
    email.AddTo("Dr. \"Quote\" Man\r\nBcc: evil@example.com", "q@example.com");
    email.SetHeaderField("Subject", "Ελληνικά, русский, 中文 and café");
    std::string text = RenderForSending(email);
    EXPECT_EQ(text.find("\r\nBcc:"), std::string::npos);
    std::string path = folder.File("scripts.eml");
    WriteFile(path, text);
    std::string oracle = PythonOracle(path);
    EXPECT_NE(oracle.find("header Subject 'Ελληνικά, русский, 中文 and café'"), std::string::npos) << oracle;
    EXPECT_NE(oracle.find("Jörg Ünlü <jorg@example.com>"), std::string::npos) << oracle;
    EXPECT_NE(oracle.find("q@example.com"), std::string::npos) << oracle;
    std::string body = "café и кофе\n";
    EXPECT_EQ(LeafLines(oracle), "leaf text/plain '' " + Sha256(body, folder) + " " + std::to_string(body.size()) + "\n")
        << oracle;
    std::unique_ptr<Email2> clone(email.Clone(nullptr));
    EXPECT_EQ(Render(*clone), Render(email));
}

TEST(Email2, AttachmentFileNamesWithQuotesAndBreaksStayInsideTheirParameter)
{
    TempFolder folder;
    std::string name = "odd \"name\".jpg";
    WriteFile(folder.File(name), "JPEGDATA");
    Email2 email(Email2::NewMail::Yes);
    email.SetBody(Data("see attachment"), false);
    XString path;
    path.SetFromUtf8(folder.File(name).c_str());
    torvane::StringBuffer type;
    ASSERT_TRUE(email.AddFileAttachment(path, nullptr, type, nullptr));
    std::string text = RenderForSending(email);
    std::string file = folder.File("names.eml");
    WriteFile(file, text);
    std::string oracle = PythonOracle(file);
    EXPECT_NE(oracle.find("leaf image/jpeg 'odd \"name\".jpg'"), std::string::npos) << oracle;
    std::unique_ptr<Email2> loaded(Email2::LoadFromMimeText(Buffer(text), false, false, nullptr, nullptr));
    ASSERT_EQ(loaded->GetNumParts(), 2);
    EXPECT_EQ(loaded->GetPart(1)->Filename(), name);
    EXPECT_EQ(Render(*loaded), text);
}

TEST(Email2, AttachmentTypesAndEncodings)
{
    struct Case {
        const char* file;
        const char* type;
        const char* encoding;
    } cases[] = {
        { "photo.JPG", "image/jpeg", "base64" },
        { "archive.tar.gz", "application/x-gzip", "base64" },
        { "noextension", "application/octet-stream", "base64" },
        { "x.*", "application/octet-stream", "base64" },
        { "notes.txt", "text/plain", "quoted-printable" },
        { "data.unknownext", "application/octet-stream", "base64" },
    };
    TempFolder folder;
    for (const Case& c : cases) {
        WriteFile(folder.File(c.file), "content");
        std::unique_ptr<Email2> part(Email2::NewAttachmentFromFile(folder.File(c.file).c_str(), nullptr, nullptr));
        ASSERT_TRUE(part) << c.file;
        EXPECT_EQ(part->ContentType(), c.type) << c.file;
        EXPECT_EQ(part->TransferEncoding(), c.encoding) << c.file;
        EXPECT_EQ(part->Filename(), c.file);
    }
    EXPECT_EQ(Email2::NewAttachmentFromFile(folder.File("missing.jpg").c_str(), nullptr, nullptr), nullptr);
    std::unique_ptr<Email2> data(Email2::NewAttachmentFromData(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(data->Filename(), "attach.dat");
    EXPECT_EQ(data->ContentType(), "application/octet-stream");
}

TEST(Email2, BodyCharsetChoiceAndLatin1RoundTrip)
{
    Email2 latin(Email2::NewMail::Yes);
    latin.SetBody(Data("caf\xC3\xA9"), false);
    Charset charset;
    latin.GetCharset(charset);
    EXPECT_EQ(charset.GetCodePage(), 28591);
    std::string text = Render(latin);
    EXPECT_NE(text.find("charset=\"iso-8859-1\""), std::string::npos);
    EXPECT_NE(text.find("caf=E9"), std::string::npos);

    Email2 other(Email2::NewMail::Yes);
    other.SetBody(Data("\xE6\x97\xA5\xE6\x9C\xAC"), false);
    other.GetCharset(charset);
    EXPECT_EQ(charset.GetCodePage(), 65001);
}

TEST(Email2, HeaderFieldOperations)
{
    Email2 email(Email2::NewMail::Yes);
    email.SetHeaderField("Subject", "one\r\ntwo");
    torvane::StringBuffer subject;
    email.GetSubject(subject);
    EXPECT_EQ(Text(subject), "onetwo");
    email.SetHeaderField("Content-Type", "text/html");
    torvane::StringBuffer type;
    email.GetContentType(type);
    EXPECT_EQ(Text(type), "text/plain");
    email.SetHeaderField("From", "John <john@example.com>");
    torvane::StringBuffer from;
    email.GetHeaderField("From", from);
    // The name travels as a UTF-8 word and is held decoded.
    EXPECT_EQ(Text(from), "\"John\" <john@example.com>");
    torvane::StringBuffer path;
    email.GetReversePath(path);
    EXPECT_EQ(Text(path), "john@example.com");

    Email2 replyOnly;
    replyOnly.SetHeaderField("Reply-To", "<r@example.com>");
    replyOnly.GetReversePath(path);
    EXPECT_EQ(Text(path), "r@example.com");

    EXPECT_EQ(email.AddToList("a@x.com, A@X.com, b@y.com", nullptr), 3);
    EXPECT_EQ(email.GetToCount(), 2);
    EXPECT_FALSE(email.AddTo("name", ""));
    EXPECT_FALSE(email.AddTo("name", "c@z.com\r\n<evil@example.com>"));
    EXPECT_EQ(email.GetToCount(), 2);
}

TEST(Email2, EstimateSizeAndCodePageRules)
{
    Email2 node;
    for (const char* name : { "A", "B", "C", "D", "E", "F", "G" })
        node.SetHeaderField(name, "v");
    std::string body(1000, 'x');
    node.SetBody(Data(body), false);
    node.RemoveHeaderField("Content-Transfer-Encoding");
    node.SetSignOnSend(true);
    node.SetEncryptOnSend(true);
    EXPECT_EQ(node.EstimateSize(), 4275u);
    for (int cp : { 0, 1252, 28591, 65001 })
        EXPECT_FALSE(IsBase64CodePage(cp)) << cp;
    for (int cp : { 932, 936, 949, 950, 1200, 65000 })
        EXPECT_TRUE(IsBase64CodePage(cp)) << cp;
    torvane::StringBuffer word;
    EncodeWordByCharset(reinterpret_cast<const unsigned char*>("x"), 1, "Shift_JIS", word);
    EXPECT_EQ(Text(word), "=?Shift_JIS?B?eA==?=");
}

TEST(Email2, LoadingCombinesPlainAndHtmlIntoAlternative)
{
    const std::string two = "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                            "--b\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
                            "--b\r\nContent-Type: text/html\r\n\r\n<p>html</p>\r\n--b--\r\n";
    std::unique_ptr<Email2> pair(Email2::LoadFromMimeText(Buffer(two), false, false, nullptr, nullptr));
    EXPECT_EQ(pair->ContentType(), "multipart/alternative");
    const std::string three = "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                              "--b\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
                              "--b\r\nContent-Type: text/html\r\n\r\n<p>html</p>\r\n"
                              "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; "
                              "filename=\"x.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\nJVBERg==\r\n--b--\r\n";
    std::unique_ptr<Email2> mixed(Email2::LoadFromMimeText(Buffer(three), false, false, nullptr, nullptr));
    ASSERT_EQ(mixed->GetNumParts(), 2);
    EXPECT_EQ(mixed->GetPart(0)->ContentType(), "multipart/alternative");
    EXPECT_EQ(mixed->GetPart(0)->GetNumParts(), 2);
    EXPECT_EQ(mixed->GetAttachmentCount(), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mixed->GetPart(1)->Body().GetData()),
                  mixed->GetPart(1)->Body().GetSize()),
        "%PDF");

    const std::string single = "Content-Type: application/pdf\r\nContent-Disposition: attachment; filename=a.pdf\r\n"
                               "Content-Transfer-Encoding: base64\r\n\r\nJVBERg==\r\n";
    std::unique_ptr<Email2> wrapped(Email2::LoadFromMimeText(Buffer(single), false, false, nullptr, nullptr));
    EXPECT_EQ(wrapped->ContentType(), "multipart/mixed");
    ASSERT_EQ(wrapped->GetNumParts(), 2);
    EXPECT_EQ(wrapped->GetPart(0)->ContentType(), "text/plain");
    EXPECT_EQ(wrapped->GetPart(1)->Filename(), "a.pdf");
}

TEST(Email2, PlainAndHtmlAlternativeWithAttachmentRoundTrips)
{
    TempFolder folder;
    Email2 email(Email2::NewMail::Yes);
    email.SetBody(Data("Plain caf\xC3\xA9\r\n"), false);
    email.ConvertToAlternative();
    email.SetHtmlBody(Data("<p>HTML caf\xC3\xA9</p>"));
    WriteFile(folder.File("pic.png"), RandomBytes(300, 9));
    XString path;
    path.SetFromUtf8(folder.File("pic.png").c_str());
    torvane::StringBuffer type;
    ASSERT_TRUE(email.AddFileAttachment(path, nullptr, type, nullptr));
    email.SetHeaderField("Subject", "Alternatives");
    ASSERT_EQ(email.ContentType(), "multipart/mixed");
    ASSERT_EQ(email.GetPart(0)->ContentType(), "multipart/alternative");
    EXPECT_NE(email.GetHtmlBodyPart(), nullptr);
    EXPECT_NE(email.GetPlainBodyPart(), nullptr);

    std::string text = Render(email);
    EXPECT_EQ(text.find("multipart/alternative;\r\n\tboundary") == std::string::npos, false) << text;
    std::string file = folder.File("alt.eml");
    WriteFile(file, text);
    std::string oracle = PythonOracle(file);
    EXPECT_NE(oracle.find("multipart multipart/alternative"), std::string::npos) << oracle;
    EXPECT_NE(oracle.find("leaf text/plain '' " + Sha256("Plain caf\xC3\xA9\n", folder)), std::string::npos) << oracle;
    EXPECT_NE(oracle.find("leaf text/html ''"), std::string::npos) << oracle;
    EXPECT_NE(oracle.find("leaf image/png 'pic.png' " + Sha256(RandomBytes(300, 9), folder)), std::string::npos)
        << oracle;
    EXPECT_NE(oracle.find("defects 0"), std::string::npos) << oracle;
    std::unique_ptr<Email2> clone(email.Clone(nullptr));
    EXPECT_EQ(Render(*clone), text);
}

TEST(Email2, EightBitPlainAlternativeKeepsItsCharset)
{
    Email2 email(Email2::NewMail::Yes);
    email.SetBody(Data("<p>x</p>"), true);
    email.ConvertToAlternative();
    email.SetBody(Data("Gr\xC3\xBC\xC3\x9F" "e"), false);
    Email2* plain = email.GetPlainBodyPart();
    ASSERT_NE(plain, nullptr);
    Charset charset;
    plain->GetCharset(charset);
    EXPECT_NE(charset.GetCodePage(), 0);
    TempFolder folder;
    std::string path = folder.File("alt.eml");
    WriteFile(path, Render(email));
    EXPECT_NE(PythonOracle(path).find("leaf text/plain '' " + Sha256("Gr\xC3\xBC\xC3\x9F" "e", folder)),
        std::string::npos)
        << Render(email);
}
