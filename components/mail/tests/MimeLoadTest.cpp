// Loading messages no one here wrote (the RFC examples, Python's email package, mpack), rendering
// them and loading them again: no header, part or byte of an attachment may be lost.
#include "components/mail/Email2.h"

#include "components/mail/mime/Rfc822Address.h"
#include "components/mail/tests/MimeTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

using namespace mimetest;

namespace {

std::vector<std::string> SortedLeaves(const std::string& lines)
{
    std::vector<std::string> out;
    std::istringstream in(lines);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("leaf ", 0) == 0)
            out.push_back(line);
    std::sort(out.begin(), out.end());
    return out;
}

std::unique_ptr<Email2> Load(const std::string& text)
{
    return std::unique_ptr<Email2>(Email2::LoadFromMimeText(Buffer(text), false, false, nullptr, nullptr));
}

std::string Header(Email2& email, const char* name)
{
    torvane::StringBuffer value;
    email.GetHeaderField(name, value);
    return Text(value);
}

// Load, render, load again: the same leaves, and a second render gives the same text.
void ExpectStableRoundTrip(const std::string& original, const TempFolder& folder)
{
    auto first = Load(original);
    std::string rendered = Render(*first);
    auto second = Load(rendered);
    std::string a, b;
    Summarize(*first, folder, a);
    Summarize(*second, folder, b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(Render(*second), rendered);
    ASSERT_EQ(second->Header().GetNumFields(), first->Header().GetNumFields());
    for (int i = 0; i < first->Header().GetNumFields(); ++i) {
        torvane::StringBuffer n1, n2;
        first->Header().GetFieldName(i, n1);
        second->Header().GetFieldName(i, n2);
        EXPECT_EQ(Text(n1), Text(n2));
    }
}

} // namespace

class ForeignMessage : public testing::TestWithParam<const char*> {};

TEST_P(ForeignMessage, LoadsLikePythonAndSurvivesRenderAndLoad)
{
    TempFolder folder;
    std::string path = DataPath(GetParam());
    std::string original = ReadFile(path);
    ASSERT_FALSE(original.empty()) << path;
    auto email = Load(original);
    std::string ours;
    Summarize(*email, folder, ours);
    std::string python = PythonOracle(path);
    EXPECT_EQ(SortedLeaves(ours), SortedLeaves(python)) << ours << "----\n" << python;

    std::string renderedPath = folder.File("rendered.eml");
    WriteFile(renderedPath, Render(*email));
    std::string pythonOfOurs = PythonOracle(renderedPath);
    EXPECT_EQ(SortedLeaves(pythonOfOurs), SortedLeaves(python)) << pythonOfOurs;
    EXPECT_NE(pythonOfOurs.find("defects 0"), std::string::npos) << pythonOfOurs;
    ExpectStableRoundTrip(original, folder);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ForeignMessage,
    testing::Values("python-alternative-related.eml", "python-charsets.eml", "rfc2046-simple.eml",
        "rfc2047-words.eml", "rfc2231-parameters.eml"));

TEST(MimeLoad, Rfc2047HeaderWordsDecode)
{
    auto email = Load(ReadFile(DataPath("rfc2047-words.eml")));
    EXPECT_EQ(Header(*email, "Subject"), "If you can read this you understand the example.");
    torvane::StringBuffer to;
    ASSERT_TRUE(email->GetToAddress(0, to));
    EXPECT_EQ(Text(to), "keld@dkuug.dk");
    EXPECT_EQ(Header(*email, "To"), "Keld Jørn Simonsen <keld@dkuug.dk>");
    EXPECT_EQ(Header(*email, "CC"), "André Pirard <PIRARD@vm1.ulg.ac.be>");
}

TEST(MimeLoad, Rfc2049ComplexExampleKeepsEveryPart)
{
    TempFolder folder;
    std::string original = ReadFile(DataPath("rfc2049-complex.eml"));
    auto email = Load(original);
    ASSERT_EQ(email->GetNumParts(), 5);
    EXPECT_EQ(email->GetPart(2)->ContentType(), "multipart/parallel");
    EXPECT_EQ(email->GetPart(2)->GetNumParts(), 2);
    EXPECT_EQ(email->GetPart(3)->ContentType(), "text/enriched");
    Email2* embedded = email->GetPart(4);
    EXPECT_EQ(embedded->ContentType(), "message/rfc822");
    std::string inner(reinterpret_cast<const char*>(embedded->Body().GetData()), embedded->Body().GetSize());
    auto innerMail = Load(inner);
    std::string innerBody(reinterpret_cast<const char*>(innerMail->Body().GetData()), innerMail->Body().GetSize());
    EXPECT_NE(innerBody.find("Caf\xC3\xA9"), std::string::npos) << inner;

    // The leaves outside the embedded message are Python's.
    std::string ours;
    Summarize(*email, folder, ours);
    std::vector<std::string> python = SortedLeaves(PythonOracle(DataPath("rfc2049-complex.eml")));
    for (const std::string& line : SortedLeaves(ours)) {
        if (line.rfind("leaf message/rfc822", 0) == 0)
            continue;
        EXPECT_NE(std::find(python.begin(), python.end(), line), python.end()) << line;
    }
    ExpectStableRoundTrip(original, folder);
}

TEST(MimeLoad, UuencodedBodyBecomesAnAttachment)
{
    TempFolder folder;
    std::string original = ReadFile(DataPath("uuencoded-body.eml"));
    auto email = Load(original);
    ASSERT_EQ(email->GetNumParts(), 2);
    Email2* file = email->GetPart(1);
    EXPECT_EQ(file->Filename(), "all bytes.bin");
    std::string expected;
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 256; ++i)
            expected += char(i);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file->Body().GetData()), file->Body().GetSize()), expected);
    std::string text(reinterpret_cast<const char*>(email->GetPart(0)->Body().GetData()),
        email->GetPart(0)->Body().GetSize());
    EXPECT_EQ(text, "See the file below.\r\n\r\n");
    ExpectStableRoundTrip(original, folder);
}

TEST(MimeLoad, MpackMessageLoads)
{
    TempFolder folder;
    std::string payload;
    for (int i = 0; i < 5000; ++i)
        payload += char((i * 7919) & 0xFF);
    WriteFile(folder.File("photo.jpg"), payload);
    WriteFile(folder.File("desc.txt"), "The photo of the week.\n");
    std::string command = "cd '" + folder.path + "' && mpack -s 'Photo' -d desc.txt -c image/jpeg -o out.eml photo.jpg";
    ASSERT_EQ(std::system(command.c_str()), 0) << "mpack is installed by scripts/setup";
    std::string original = ReadFile(folder.File("out.eml"));
    auto email = Load(original);
    EXPECT_EQ(Header(*email, "Subject"), "Photo");
    bool found = false;
    for (int i = 0; i < email->GetNumParts(); ++i) {
        Email2* part = email->GetPart(i);
        if (part->ContentType() != "image/jpeg")
            continue;
        found = true;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(part->Body().GetData()), part->Body().GetSize()), payload);
    }
    EXPECT_TRUE(found) << original;
    ExpectStableRoundTrip(original, folder);
}

TEST(MimeLoad, LineEndsNulBytesUnlabelledTextAndFoldedHeaders)
{
    TempFolder folder;
    const std::string crlf = "From: a@example.com\r\nTo: b@example.com,\r\n\tc@example.com\r\nSubject: one\r\n two\r\n"
                             "Content-Type: multipart/mixed; boundary=q\r\n\r\n--q\r\nContent-Type: text/plain\r\n\r\n"
                             "line 1\r\nline 2\r\n--q--\r\n";
    std::string lf = crlf, cr = crlf;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    cr.erase(std::remove(cr.begin(), cr.end(), '\n'), cr.end());
    std::string reference;
    auto base = Load(crlf);
    Summarize(*base, folder, reference);
    EXPECT_EQ(base->GetToCount(), 2);
    EXPECT_EQ(Header(*base, "Subject"), "onetwo");
    for (const std::string* variant : { &lf, &cr }) {
        auto email = Load(*variant);
        std::string summary;
        Summarize(*email, folder, summary);
        EXPECT_EQ(summary, reference);
        EXPECT_EQ(email->GetToCount(), 2);
    }

    std::string withNul = "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: binary\r\n\r\n";
    withNul += std::string("A\0B\r\n\0", 6);
    auto binary = Load(withNul);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(binary->Body().GetData()), binary->Body().GetSize()),
        std::string("A\0B\r\n\0", 6));
    ExpectStableRoundTrip(withNul, folder);

    const std::string unlabelled = "Subject: x\r\n\r\nCaf\xE9 cr\xE8me\r\n";
    auto latin = Load(unlabelled);
    std::string rendered = Render(*latin);
    EXPECT_NE(rendered.find("charset=\"iso-8859-1\""), std::string::npos) << rendered;
    std::string path = folder.File("latin.eml");
    WriteFile(path, rendered);
    EXPECT_EQ(SortedLeaves(PythonOracle(path)).at(0),
        "leaf text/plain '' " + Sha256("Café crème\n", folder) + " 13");
}

TEST(MimeLoad, HostileMessagesLoadAsPartialTrees)
{
    std::string nested;
    for (int i = 0; i < 3000; ++i)
        nested += "Content-Type: multipart/mixed; boundary=n" + std::to_string(i) + "\r\n\r\n--n" + std::to_string(i)
            + "\r\n";
    auto deep = Load(nested + "Content-Type: text/plain\r\n\r\ninnermost");
    ASSERT_TRUE(deep);
    std::string rendered = Render(*deep);
    EXPECT_EQ(Render(*Load(rendered)), rendered);

    std::string embedded = "Subject: last\r\n\r\nbody";
    for (int i = 0; i < 200; ++i)
        embedded = "Content-Type: message/rfc822\r\n\r\n" + embedded;
    auto chain = Load(embedded);
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->ContentType(), "message/rfc822");

    auto bigHeader = Load("Subject: " + std::string(10 * 1024 * 1024, 'h') + "\r\nTo: a@example.com\r\n\r\nbody");
    EXPECT_EQ(bigHeader->GetToCount(), 1);

    std::string manyRecipients = "To: ";
    for (int i = 0; i < 200000; ++i)
        manyRecipients += "user" + std::to_string(i % 1000) + "@example.com,";
    auto crowd = Load(manyRecipients + "\r\n\r\nx");
    EXPECT_EQ(crowd->GetToCount(), 200000);
    Email2 fresh(Email2::NewMail::Yes);
    EXPECT_EQ(fresh.AddToList(manyRecipients.c_str() + 4, nullptr), 200000);
    EXPECT_EQ(fresh.GetToCount(), 1000);

    std::string unclosed = "Content-Type: multipart/mixed; boundary=u\r\n\r\n--u\r\nContent-Type: application/octet-stream"
                           "\r\nContent-Transfer-Encoding: base64\r\n\r\nAAEC%%%@@@Aw";
    auto open = Load(unclosed);
    ASSERT_EQ(open->GetNumParts(), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(open->GetPart(0)->Body().GetData()),
                  open->GetPart(0)->Body().GetSize()),
        std::string("\x00\x01\x02\x03", 4));
}
