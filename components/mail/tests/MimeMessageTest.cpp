#include "components/mail/mime/MimeMessage2.h"

#include "components/mail/mime/HtmlHelp.h"
#include "components/mail/mime/ParamString.h"
#include "components/mail/mime/Uu.h"
#include "components/mail/tests/MimeTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace mimetest;

namespace {

std::unique_ptr<MimeMessage2> Parse(const std::string& text)
{
    auto message = std::make_unique<MimeMessage2>();
    message->ParseFromBuffer(Buffer(text), nullptr);
    return message;
}

std::string BodyOf(const MimeMessage2& part)
{
    return std::string(reinterpret_cast<const char*>(part.Body().GetData()), part.Body().GetSize());
}

std::string Collapsed(const MimeMessage2& part, int depth = 0)
{
    std::string out = std::string(size_t(depth), ' ') + part.ContentType() + "\n";
    for (int i = 0; i < part.GetNumParts(); ++i)
        out += Collapsed(*part.GetPart(i), depth + 1);
    return out;
}

} // namespace

TEST(MimeMessage2, MultipartSplittingCases)
{
    auto preamble = Parse("Content-Type: multipart/mixed; boundary=b\r\n\r\npreamble\r\n--b\r\n"
                          "Content-Type: text/plain\r\n\r\none\r\n--b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
                          "two\r\n--b--\r\nepilogue\r\n--b\r\nContent-Type: text/plain\r\n\r\nlate\r\n");
    ASSERT_EQ(preamble->GetNumParts(), 2);
    EXPECT_EQ(BodyOf(*preamble->GetPart(0)), "one");
    EXPECT_EQ(BodyOf(*preamble->GetPart(1)), "two");

    auto unclosed = Parse("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
                          "last part without end");
    ASSERT_EQ(unclosed->GetNumParts(), 1);
    EXPECT_EQ(BodyOf(*unclosed->GetPart(0)), "last part without end");

    auto alternative = Parse("Content-Type: multipart/alternative; boundary=\"=_alternative 00123\"\r\n\r\n"
                             "--=_alternative 00123\r\nContent-Type: text/plain\r\n\r\nx\r\n--=_alternative 00123--\r\n");
    EXPECT_EQ(alternative->GetNumParts(), 1);

    auto spaced = Parse("Content-Type: multipart/alternative; boundary=\"=_alternative00123\"\r\n\r\n"
                        "--=_alternative 00123\r\nContent-Type: text/plain\r\n\r\nx\r\n--=_alternative 00123--\r\n");
    EXPECT_EQ(spaced->GetNumParts(), 1);
    EXPECT_EQ(spaced->Boundary(), "=_alternative 00123");

    auto noDelimiter = Parse("Content-Type: multipart/mixed; boundary=zzz\r\n\r\nno delimiter at all\r\n");
    ASSERT_EQ(noDelimiter->GetNumParts(), 1);
}

TEST(MimeMessage2, ParametersQuotesAndRfc2231)
{
    auto message = Parse("Content-Type: application/x-stuff;\r\n name*0*=us-ascii'en'This%20is%20;\r\n"
                         " name*1*=%2A%2A%2Afun%2A%2A%2A%20;\r\n name*2=\"isn't it!\"\r\n"
                         "Content-Disposition: attachment; filename=my file name.txt\r\n\r\nx");
    EXPECT_EQ(message->Name(), "This is ***fun*** isn't it!");
    EXPECT_EQ(message->Filename(), "myfilename.txt");
    auto quoted = Parse("Content-Type: text/plain\r\nContent-Disposition: attachment; filename=\"my  file\tname.txt\""
                        "\r\n\r\nx");
    EXPECT_EQ(quoted->Filename(), "my file name.txt");
    auto utf8 = Parse("Content-Type: application/pdf; name*0*=utf-8''%E2%82%AC%20;\r\n name*1*=f%C3%BCr.pdf\r\n\r\nx");
    EXPECT_EQ(utf8->Name(), "\xE2\x82\xAC f\xC3\xBCr.pdf");
}

TEST(MimeMessage2, BodiesDecodeToUtf8)
{
    auto qp = Parse("Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                    "=93quoted=94 caf=E9");
    EXPECT_EQ(BodyOf(*qp), "\xE2\x80\x9Cquoted\xE2\x80\x9D caf\xC3\xA9");
    torvane::StringBuffer charset;
    qp->GetTextCharset(charset);
    EXPECT_EQ(Text(charset), "windows-1252");

    auto html = Parse("Content-Type: text/html\r\n\r\n<html><head><meta http-equiv=\"Content-Type\" "
                      "content=\"text/html; charset=iso-8859-2\"></head><body>\xB1</body></html>");
    EXPECT_EQ(html->GetCharset().GetCodePage(), 28592);
    EXPECT_NE(BodyOf(*html).find("\xC4\x85"), std::string::npos);

    auto xhtml = Parse("Content-Type: text/plain\r\n\r\n  <x-html>hello");
    EXPECT_EQ(xhtml->ContentType(), "text/html");

    auto junk = Parse("Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                      "AAEC\r\n!!**~~\r\nAw==\r\n");
    EXPECT_EQ(BodyOf(*junk), std::string("\x00\x01\x02\x03", 4));

    auto lfOnly = Parse("Subject: s\nContent-Type: text/plain\n\nline1\nline2\n");
    EXPECT_EQ(BodyOf(*lfOnly), "line1\r\nline2\r\n");
    auto headerless = Parse("\r\nbody only");
    EXPECT_EQ(headerless->Header().GetNumFields(), 0);
    EXPECT_EQ(BodyOf(*headerless), "body only");
}

TEST(MimeMessage2, ContentTypeComposition)
{
    MimeMessage2 part;
    Charset none;
    part.SetContentTypeFull("text/plain", nullptr, nullptr, nullptr, none, nullptr, nullptr, nullptr);
    torvane::StringBuffer value, charset;
    part.Header().GetFieldValue("Content-Type", value);
    EXPECT_EQ(Text(value), "text/plain; charset=\"us-ascii\"");
    part.GetTextCharset(charset);
    EXPECT_EQ(Text(charset), "");
    part.SetContentTypeFull("multipart/signed", nullptr, "application/pkcs7-signature", "sha1", none, "bb",
        "signed-data", nullptr);
    value.Clear();
    part.Header().GetFieldValue("Content-Type", value);
    EXPECT_EQ(Text(value), "multipart/signed;boundary=\"bb\";protocol=\"application/pkcs7-signature\";micalg=sha1;"
                           "smime-type=signed-data");
    MimeMessage2 file;
    file.SetFilename("a.jpg");
    value.Clear();
    file.Header().GetFieldValue("content-disposition", value);
    EXPECT_EQ(Text(value), "attachment; filename=\"a.jpg\"");
    MimeMessage2 nul;
    nul.SetTransferEncoding("7bit");
    nul.SetBodyUnescaped("a\0b", 3);
    torvane::StringBuffer transfer;
    nul.GetBodyForTransfer(transfer);
    EXPECT_EQ(Text(transfer), "YQBi\r\n");
    EXPECT_STREQ(MimeMessage2::GetMimeTypeForExtension("JPG"), "image/jpeg");
    EXPECT_STREQ(MimeMessage2::GetMimeTypeForExtension(""), "application/octet-stream");
    EXPECT_STREQ(MimeMessage2::GetMimeTypeForExtension("qqq"), "application/octet-stream");
    MimeMessage2 apple;
    apple.SetContentTypeFull("multipart/appledouble", nullptr, nullptr, nullptr, none, "x", nullptr, nullptr);
    apple.AddPart(new MimeMessage2());
    EXPECT_EQ(apple.TakeAppleDoubleDataFork(), nullptr);
    EXPECT_EQ(apple.GetNumParts(), 1);
}

TEST(MimeMessage2, HostileTreesAreBoundedAndNeverCrash)
{
    std::string nested;
    for (int i = 0; i < 5000; ++i)
        nested += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\r\n\r\n--b" + std::to_string(i)
            + "\r\n";
    nested += "Content-Type: text/plain\r\n\r\ndeep";
    auto deep = Parse(nested);
    int depth = 0;
    for (const MimeMessage2* p = deep.get(); p->GetNumParts() > 0; p = p->GetPart(0))
        ++depth;
    EXPECT_LE(depth, MimeMessage2::kMaximumDepth + 1);

    std::string params = "Content-Type: application/octet-stream; name*0*=utf-8''a";
    for (int i = 1; i < 100000; ++i)
        params += "; name*" + std::to_string(i) + "*=b";
    params += "\r\n\r\nx";
    auto continuation = Parse(params);
    EXPECT_EQ(continuation->Name().size(), 100000u);

    std::string unterminated = "Content-Type: text/plain; name=\"never closed" + std::string(100000, 'x');
    auto open = Parse(unterminated);
    EXPECT_EQ(open->ContentType(), "text/plain");
}

TEST(Uu, DecodingCases)
{
    // "Cat" uuencoded, with a name holding a blank and a tab between mode and name.
    torvane::StringBuffer text;
    text.Append("junk\r\nbegin 644\tmy file.txt\r\n#0V%T\r\n`\r\nend\r\n");
    DataBuffer out;
    Uu uu;
    ASSERT_TRUE(uu.Decode(text, out));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.GetData()), out.GetSize()), "Cat");
    EXPECT_STREQ(uu.GetFileName(), "my file.txt");

    torvane::StringBuffer two;
    two.Append("begin 644 a\n#0V%T\nend\nsome text begin 600 b\n\"0V$\n`\nend\n");
    std::vector<std::unique_ptr<DataBuffer>> files;
    ExtPtrArray names;
    EXPECT_EQ(uu.DecodeAll(two, files, names), 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(files[1]->GetData()), files[1]->GetSize()), "Ca");
    EXPECT_EQ(Text(*names.GetAtAs<torvane::StringBuffer>(1)), "b");
    names.DeleteAll();

    torvane::StringBuffer bad;
    bad.Append("begin x name\nM\n");
    DataBuffer none;
    EXPECT_FALSE(uu.Decode(bad, none));
    torvane::StringBuffer shortLine;
    shortLine.Append("begin 644 s\nM0V\n");
    DataBuffer partial;
    EXPECT_TRUE(uu.Decode(shortLine, partial));
}

TEST(ParamString, Tokens)
{
    ParamString tokens;
    tokens.Parse("a=\"x y\"; b=\"\"; c=\"broken\nrest");
    EXPECT_STREQ(tokens.GetText(), "a=<[[0]]>; b=<[[1]]>; c=<[[2]]>rest");
    EXPECT_EQ(Text(*tokens.GetString(0)), "x y");
    EXPECT_EQ(Text(*tokens.GetString(1)), "");
    EXPECT_EQ(tokens.GetString(3), nullptr);
    tokens.Parse("x=\"open");
    EXPECT_STREQ(tokens.GetText(), "x=<[[");
}

TEST(HtmlHelp, SkeletonAndMeta)
{
    torvane::StringBuffer empty;
    HtmlHelp::EnsureSkeleton(empty);
    EXPECT_EQ(Text(empty), "<html><head></head><body></body></html>");
    torvane::StringBuffer upper;
    upper.Append("<HTML><BODY>x</BODY></HTML>");
    HtmlHelp::EnsureSkeleton(upper);
    EXPECT_EQ(Text(upper), "<html><head></head><body>x</BODY></HTML>");
    torvane::StringBuffer meta;
    HtmlHelp::GetMetaCharset("<META HTTP-EQUIV=Content-Type CONTENT=\"text/html; charset=iso-8859-2\">", meta);
    EXPECT_EQ(Text(meta), "iso-8859-2");
    torvane::StringBuffer html;
    html.Append("<head><meta http-equiv=\"Content-Type\" content=\"text/html\"><meta name=x content=\"\">"
                "<meta http-equiv=\"refresh\" content=\"5\"></head>");
    std::string kept = Text(html).substr(Text(html).find("<meta name"));
    HtmlHelp::RemoveMetaContentType(html);
    EXPECT_EQ(Text(html), "<head>" + kept);
    torvane::StringBuffer attribute;
    HtmlHelp::GetAttributeValue("<img src=\"a\\b\\c.png\">", "src", attribute);
    EXPECT_EQ(Text(attribute), "a/b/c.png");
}
