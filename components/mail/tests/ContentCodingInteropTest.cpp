#include "components/mail/ContentCoding.h"

#include "components/foundation/StringBuffer.h"

#include "components/foundation/tests/SharedTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

// Python's base64, binascii and quopri serve as the reference: each case goes to one python3
// process as a hex line, and the answers come back the same way.

namespace {

using Bytes = std::string;

std::vector<Bytes> PythonMap(const char* expression, const std::vector<Bytes>& inputs)
{
    char path[] = "/tmp/coding-interop-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    close(fd);
    {
        std::ofstream file(path);
        for (const Bytes& input : inputs)
            file << HexFromBytes(reinterpret_cast<const unsigned char*>(input.data()), input.size()) << "\n";
    }
    std::string command = std::string("python3 -c \"import sys, base64, binascii, quopri\n"
                                      "for line in open(sys.argv[1]):\n"
                                      "    d = bytes.fromhex(line.strip())\n"
                                      "    print((")
        + expression + ").hex())\" " + path;
    std::vector<Bytes> outputs;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe) {
        char line[1 << 16];
        while (std::fgets(line, sizeof line, pipe)) {
            std::string hex(line);
            while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r'))
                hex.pop_back();
            auto bytes = BytesFromHex(hex);
            outputs.emplace_back(bytes.begin(), bytes.end());
        }
        pclose(pipe);
    }
    unlink(path);
    EXPECT_EQ(outputs.size(), inputs.size()) << "python3 did not answer every case";
    return outputs;
}

const unsigned char* U(const Bytes& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

Bytes Base64NoBreaks(const Bytes& data)
{
    torvane::StringBuffer out;
    ContentCoding().EncodeBase64NoBreaks(U(data), unsigned(data.size()), out);
    return Bytes(out.GetText(), std::size_t(out.GetLength()));
}

Bytes Base64Lines(const Bytes& data)
{
    torvane::StringBuffer out;
    ContentCoding().EncodeBase64(U(data), unsigned(data.size()), out);
    return Bytes(out.GetText(), std::size_t(out.GetLength()));
}

Bytes DecodeBase64(const Bytes& text)
{
    unsigned count = 0;
    unsigned char* bytes = ContentCoding().DecodeBase64(text.data(), unsigned(text.size()), &count);
    Bytes result = bytes ? Bytes(reinterpret_cast<char*>(bytes), count) : Bytes();
    std::free(bytes);
    return result;
}

Bytes EncodeQp(const Bytes& data)
{
    torvane::StringBuffer out;
    ContentCoding().EncodeQuotedPrintable(U(data), unsigned(data.size()), out);
    return Bytes(out.GetText(), std::size_t(out.GetLength()));
}

Bytes DecodeQp(const Bytes& text)
{
    unsigned count = 0;
    unsigned char* bytes = ContentCoding().DecodeQuotedPrintable(text.data(), unsigned(text.size()), &count);
    Bytes result = bytes ? Bytes(reinterpret_cast<char*>(bytes), count) : Bytes();
    std::free(bytes);
    return result;
}

Bytes AllByteValues()
{
    Bytes all;
    for (int i = 0; i < 256; ++i)
        all += char(i);
    return all;
}

std::vector<Bytes> Base64Cases()
{
    std::vector<Bytes> cases = { "", "f", "fo", "foo", "foob", "fooba", "foobar", AllByteValues() };
    for (std::size_t n : { 53u, 54u, 55u, 108u, 162u, 1000u }) {
        Bytes data;
        for (std::size_t i = 0; i < n; ++i)
            data += char(i * 37 + 11);
        cases.push_back(data);
    }
    return cases;
}

TEST(ContentCodingInteropTest, Base64AgreesWithPython)
{
    auto cases = Base64Cases();
    auto expected = PythonMap("base64.b64encode(d)", cases);
    ASSERT_EQ(expected.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i << " of " << cases[i].size() << " bytes");
        EXPECT_EQ(Base64NoBreaks(cases[i]), expected[i]);
        // With breaks: 72-character lines ended by CR LF, the last one too, and the same text.
        Bytes lines = Base64Lines(cases[i]);
        Bytes joined;
        std::size_t start = 0;
        while (start < lines.size()) {
            std::size_t end = lines.find("\r\n", start);
            ASSERT_NE(end, Bytes::npos);
            EXPECT_LE(end - start, 72u);
            joined += lines.substr(start, end - start);
            start = end + 2;
        }
        EXPECT_EQ(joined, expected[i]);
        EXPECT_EQ(DecodeBase64(lines), cases[i]);
    }
    // A multiple of 54 bytes ends with an empty line.
    Bytes fiftyFour(54, 'z');
    Bytes lines = Base64Lines(fiftyFour);
    EXPECT_EQ(lines.size(), 72u + 4u);
    EXPECT_EQ(lines.substr(72), "\r\n\r\n");
}

TEST(ContentCodingInteropTest, PythonDecodesOurBase64Lines)
{
    auto cases = Base64Cases();
    std::vector<Bytes> ours;
    for (const Bytes& data : cases)
        ours.push_back(Base64Lines(data));
    auto decoded = PythonMap("base64.b64decode(d)", ours);
    ASSERT_EQ(decoded.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(decoded[i], cases[i]) << "case " << i;
}

// Cases where our rules and Python's coincide byte for byte: short lines, no lone CR or LF, no
// leading '.' or "From ".
TEST(ContentCodingInteropTest, QuotedPrintableMatchesPythonWhereRulesCoincide)
{
    const std::vector<Bytes> cases = {
        "plain text",
        "caf\xC3\xA9 = ok",
        "trailing space \r\nnext",
        "trailing tab\t\r\nnext",
        "ends in space ",
        "ends in tab\t",
        "mid space and\ttab stay",
        "equals=sign and \x7F del",
        Bytes("nul\0byte", 8),
        "two lines\r\nof text\r\n",
        "\xFF\xFE\x80\x81 high bytes",
        "!\"#$%&'()*+,-./:;<>?@[\\]^_`{|}~",
    };
    auto expected = PythonMap("binascii.b2a_qp(d)", cases);
    ASSERT_EQ(expected.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(EncodeQp(cases[i]), expected[i]) << "case " << i;
}

std::vector<Bytes> QuotedPrintableRoundTripCases()
{
    std::vector<Bytes> cases = {
        ".\r\nFrom x", "From", AllByteValues(), Bytes(200, 'a'), Bytes(72, 'b'), Bytes(71, 'c') + " ",
        Bytes(71, 'd') + "\r\nline", Bytes(100, '='), Bytes(90, ' ') + "x", "tab at end\t",
    };
    Bytes mixed;
    for (int i = 0; i < 600; ++i)
        mixed += char((i * 73 + 5) & 0xFF);
    cases.push_back(mixed);
    return cases;
}

// Whatever our encoder writes, Python's decoder recovers, and no line passes the 76 characters
// RFC 2045 allows.
TEST(ContentCodingInteropTest, PythonDecodesOurQuotedPrintable)
{
    auto cases = QuotedPrintableRoundTripCases();
    std::vector<Bytes> ours;
    for (const Bytes& data : cases) {
        ours.push_back(EncodeQp(data));
        std::istringstream lines(ours.back());
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            EXPECT_LE(line.size(), 76u) << line;
            // A line never ends in raw white space.
            if (!line.empty()) {
                EXPECT_TRUE(line.back() != ' ' && line.back() != '\t') << line;
            }
        }
    }
    auto decoded = PythonMap("quopri.decodestring(d)", ours);
    ASSERT_EQ(decoded.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(decoded[i], cases[i]) << "case " << i;
        EXPECT_EQ(DecodeQp(ours[i]), cases[i]) << "own round trip, case " << i;
    }
}

// Python's encodings (soft breaks after 75 characters, LF line ends) decode with our decoder.
TEST(ContentCodingInteropTest, WeDecodePythonQuotedPrintable)
{
    const std::vector<Bytes> cases = {
        Bytes(200, 'q'), "caf\xC3\xA9 = 100%", Bytes(80, '\xE9'), "space at end ", AllByteValues().substr(128),
        Bytes(150, '=') + "tail",
    };
    auto encoded = PythonMap("quopri.encodestring(d)", cases);
    ASSERT_EQ(encoded.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(DecodeQp(encoded[i]), cases[i]) << "case " << i;
}

} // namespace
