// Messages that must come through load, render, load, render and clone without a changed byte,
// and texts and attachment names that must arrive as they were given.
#include "components/foundation/XString.h"
#include "components/mail/ClsEmail.h"
#include "components/mail/Email2.h"
#include "components/mail/tests/MimeTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace mimetest;

namespace {

std::unique_ptr<Email2> Load(const std::string& text)
{
    return std::unique_ptr<Email2>(Email2::LoadFromMimeText(Buffer(text), false, false, nullptr, nullptr));
}

std::string Bytes(const DataBuffer& b) { return std::string(reinterpret_cast<const char*>(b.GetData()), b.GetSize()); }

// The last leaf below a node (a lone attachment is loaded behind an empty text body).
const Email2& Leaf(const Email2& node)
{
    return node.GetNumParts() > 0 ? Leaf(*node.GetPart(node.GetNumParts() - 1)) : node;
}

// What Python's email package reads from each message: the script's output per message, given
// `msg`, joined by NUL bytes (one interpreter for all, it is slow to start).
std::vector<std::string> PythonSays(const std::vector<std::string>& messages, const TempFolder& folder,
    const std::string& script)
{
    std::string code = folder.File("probe.py"), paths;
    for (size_t i = 0; i < messages.size(); ++i) {
        std::string path = folder.File("message" + std::to_string(i) + ".eml");
        WriteFile(path, messages[i]);
        paths += " '" + path + "'";
    }
    std::string indented;
    for (size_t start = 0; start < script.size();) {
        size_t end = script.find('\n', start);
        indented += "    " + script.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
        start = end == std::string::npos ? script.size() : end + 1;
    }
    WriteFile(code, "import email, email.policy, sys\n"
                    "out = sys.stdout.buffer\n"
                    "for path in sys.argv[1:]:\n"
                    "    msg = email.message_from_bytes(open(path, 'rb').read(), policy=email.policy.default)\n"
            + indented + "\n    out.write(b'\\0')\n");
    std::string all = RunCommand("python3 '" + code + "'" + paths + " 2>&1");
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = all.find('\0', start)) != std::string::npos; start = end + 1)
        out.push_back(all.substr(start, end - start));
    if (out.size() != messages.size())
        ADD_FAILURE() << all;
    out.resize(messages.size());
    return out;
}

struct RoundTripCase {
    const char* label;
    const char* message;
    const char* body; // the decoded body of the only leaf, as the loader must give it
};

const RoundTripCase kRoundTrips[] = {
    { "single_text_attachment_utf8_8bit",
        "MIME-Version: 1.0\r\nSubject: greeting\r\nContent-Type: text/plain; charset=utf-8\r\n"
        "Content-Disposition: attachment; filename=\"gruss.txt\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln, 5 \xc2\xa3\r\n",
        "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln, 5 \xc2\xa3\r\n" },
    { "single_text_attachment_latin1_base64",
        "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=iso-8859-1; name=\"gruss.txt\"\r\n"
        "Content-Disposition: attachment; filename=\"gruss.txt\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        "R3L832UgYXVzIEv2bG4sIDUgow0K\r\n",
        "Gr\xfc\xdf" "e aus K\xf6ln, 5 \xa3\r\n" },
    { "unusual_type_with_charset_base64",
        "MIME-Version: 1.0\r\nContent-Type: x-custom/thing; charset=iso-8859-1\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nR3L832UgYXVzIEv2bG4sIDUgow0K\r\n",
        "Gr\xfc\xdf" "e aus K\xf6ln, 5 \xa3\r\n" },
    { "unusual_type_with_charset_qp",
        "MIME-Version: 1.0\r\nContent-Type: model/example; charset=utf-8\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\nGr=C3=BC=C3=9Fe aus K=C3=B6ln, 5 =C2=A3\r\n",
        "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln, 5 \xc2\xa3\r\n" },
    { "us_ascii_label_on_eight_bit_base64",
        "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nR3L832UgYXVzIEv2bG4sIDUgow0K\r\n",
        "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln, 5 \xc2\xa3\r\n" },
    { "eight_bit_header_field_name",
        "MIME-Version: 1.0\r\nX-Gr\xc3\xbc\xc3\x9f" "e: hello\r\nContent-Type: text/plain\r\n\r\nbody\r\n",
        "body\r\n" },
    { "eight_bit_header_field_name_with_latin1_words",
        "MIME-Version: 1.0\r\nSubject: =?iso-8859-1?Q?K=F6ln?=\r\nX-K\xf6ln: hello\r\nX-Gr\xc3\xbc\xc3\x9f" "e: hi\r\n"
        "Content-Type: text/plain\r\n\r\nbody\r\n",
        "body\r\n" },
    { "eight_bit_latin1_header_field_name",
        "MIME-Version: 1.0\r\nX-K\xf6ln: hello\r\nContent-Type: text/plain\r\n\r\nbody\r\n", "body\r\n" },
};

class MessageRoundTrip : public testing::TestWithParam<RoundTripCase> {};

} // namespace

TEST_P(MessageRoundTrip, LoadRenderLoadAndCloneKeepEveryByte)
{
    const RoundTripCase& c = GetParam();
    auto first = Load(c.message);
    ASSERT_TRUE(first);
    EXPECT_EQ(Bytes(Leaf(*first).Body()), c.body);
    std::string rendered = Render(*first);

    auto second = Load(rendered);
    ASSERT_TRUE(second);
    EXPECT_EQ(Bytes(Leaf(*second).Body()), c.body) << rendered;
    EXPECT_EQ(Render(*second), rendered);

    std::unique_ptr<Email2> clone(first->Clone(nullptr));
    ASSERT_TRUE(clone);
    EXPECT_EQ(Render(*clone), rendered);
    std::unique_ptr<Email2> cloneOfClone(clone->Clone(nullptr));
    EXPECT_EQ(Render(*cloneOfClone), rendered);

    ASSERT_EQ(second->Header().GetNumFields(), first->Header().GetNumFields()) << rendered;
    for (int i = 0; i < first->Header().GetNumFields(); ++i) {
        torvane::StringBuffer n1, n2;
        first->Header().GetFieldName(i, n1);
        second->Header().GetFieldName(i, n2);
        EXPECT_EQ(Text(n1), Text(n2));
    }
}

INSTANTIATE_TEST_SUITE_P(Messages, MessageRoundTrip, testing::ValuesIn(kRoundTrips),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.label); });

// Texts in a script whose legacy charset lacks some of their characters go out in one that holds them.
TEST(MessageCharset, EveryCharacterOfTheBodyArrives)
{
    const char* const texts[] = {
        "\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 \xd9\xa1\xd9\xa2\xd9\xa3",         // Arabic with Arabic-Indic digits
        "\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 \xdb\xb4\xdb\xb5\xdb\xb6",         // Persian digits
        "\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 123",                              // Arabic with ASCII digits
        "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln",                            // Latin-1
    };
    TempFolder folder;
    std::vector<std::string> rendered;
    for (const char* text : texts) {
        ClsEmail email;
        XString x;
        x.SetFromUtf8(text);
        email.SetBody(x);
        email.SetSubject(x);
        rendered.push_back(Render(*email.GetEmail2()));
        auto loaded = Load(rendered.back());
        ASSERT_TRUE(loaded);
        EXPECT_EQ(Bytes(Leaf(*loaded).Body()), text) << rendered.back();
    }
    auto subjects = PythonSays(rendered, folder, "out.write(msg['subject'].encode('utf-8'))");
    auto bodies = PythonSays(rendered, folder, "out.write(msg.get_content().encode('utf-8'))");
    for (size_t i = 0; i < rendered.size(); ++i) {
        EXPECT_EQ(subjects[i], texts[i]) << rendered[i];
        EXPECT_EQ(bodies[i], texts[i]) << rendered[i];
    }
}

// A mail reader's parser reads back the very file name we attached, whatever letters it holds.
TEST(AttachmentName, ArrivesAsGivenInAMailReader)
{
    const char* const names[] = {
        "plain.txt",
        "Gr\xc3\xbc\xc3\x9f" "e \"aus\" K\xc3\xb6ln.txt",
        "say \"hi\".txt",
        "semi;colon \xc3\xa4.txt",
        "\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 \"\xd9\xa1\".txt",
    };
    TempFolder folder;
    std::vector<std::string> rendered;
    for (const char* name : names) {
        std::string path = folder.File(name);
        WriteFile(path, "note");
        ClsEmail email;
        XString body;
        body.SetFromUtf8("see the file");
        email.SetBody(body);
        torvane::StringBuffer type;
        ASSERT_TRUE(email.AddFileAttachment(path.c_str(), type)) << name;
        rendered.push_back(Render(*email.GetEmail2()));

        // Our own loader reads it back too, and a second round keeps the text.
        auto loaded = Load(rendered.back());
        ASSERT_TRUE(loaded);
        ASSERT_EQ(loaded->GetNumParts(), 2) << rendered.back();
        EXPECT_EQ(loaded->GetPart(1)->Filename(), name) << rendered.back();
        EXPECT_EQ(Render(*loaded), rendered.back());
    }
    // A backslash in a name, given as data (the file layer reads it as a folder separator).
    const std::string backslash = "back\\slash \"\xc3\xa9t\xc3\xa9\".txt";
    {
        ClsEmail email;
        XString body;
        body.SetFromUtf8("see the file");
        email.SetBody(body);
        torvane::StringBuffer type;
        ASSERT_TRUE(email.GetEmail2()->AddPart(
            Email2::NewAttachmentFromData(backslash.c_str(), nullptr, reinterpret_cast<const unsigned char*>("x"), 1), type));
        rendered.push_back(Render(*email.GetEmail2()));
        auto loaded = Load(rendered.back());
        ASSERT_EQ(loaded->GetNumParts(), 2) << rendered.back();
        EXPECT_EQ(loaded->GetPart(1)->Filename(), backslash) << rendered.back();
    }
    auto got = PythonSays(rendered, folder,
        "for p in msg.iter_attachments():\n    out.write(p.get_filename().encode('utf-8'))");
    for (size_t i = 0; i < rendered.size(); ++i)
        EXPECT_EQ(got[i], i < std::size(names) ? std::string(names[i]) : backslash) << rendered[i];
}

// A name with a line break or another control character cannot travel in a header parameter: the
// file is refused with a line that says why, instead of arriving under another name.
TEST(AttachmentName, ControlCharactersRefuseTheFile)
{
    TempFolder folder;
    for (const char* name : { "line\nbreak.txt", "carriage\rreturn \xc3\xa9.txt", "tab\there.txt" }) {
        std::string path = folder.File(name);
        WriteFile(path, "note");
        ClsEmail email;
        torvane::StringBuffer type;
        EXPECT_FALSE(email.AddFileAttachment(path.c_str(), type)) << name;
        XString log;
        email.GetErrorLogText(log, false);
        EXPECT_NE(std::string(log.GetUtf8()).find("holds a line break or another control character"), std::string::npos)
            << log.GetUtf8();
        EXPECT_EQ(email.GetEmail2()->GetNumParts(), 0);
    }
}
