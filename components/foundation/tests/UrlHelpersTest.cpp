#include "components/foundation/UrlHelpers.h"

#include "components/foundation/StringBuffer.h"
#include "TestSupport.h"

namespace {

torvane::StringBuffer Buffer(const std::string& text)
{
    torvane::StringBuffer buffer;
    buffer.AppendBytes(text.data(), int(text.size()));
    return buffer;
}

std::string Text(const torvane::StringBuffer& buffer) { return std::string(buffer.GetText(), size_t(buffer.GetLength())); }

} // namespace

TEST(UrlHelpersTest, CombineUrlResolvesRelativeReferences)
{
    struct Case {
        const char* base;
        std::string relative;
        bool ok;
        std::string expected;
    };
    const std::string base = "http://a/b/c/d;p?q";
    const Case cases[] = {
        { "http://h/a/b", "../c", true, "http://h/c" },
        { "http://h/a/b", "HTTPS://x/y/../z", true, "HTTPS://x/y/../z" },
        { "http://h/a/b", "Http:rel", true, "Http:rel" },
        { "", "../c", true, "../c" },
        // The reference examples of RFC 3986, section 5.4.
        { base.c_str(), "g:h", true, "g:h" },
        { base.c_str(), "g", true, "http://a/b/c/g" },
        { base.c_str(), "./g", true, "http://a/b/c/g" },
        { base.c_str(), "g/", true, "http://a/b/c/g/" },
        { base.c_str(), "/g", true, "http://a/g" },
        { base.c_str(), "//g", true, "http://g" },
        { base.c_str(), "?y", true, "http://a/b/c/d;p?y" },
        { base.c_str(), "g?y", true, "http://a/b/c/g?y" },
        { base.c_str(), "#s", true, "http://a/b/c/d;p?q#s" },
        { base.c_str(), "g;x?y#s", true, "http://a/b/c/g;x?y#s" },
        { base.c_str(), "", true, "http://a/b/c/d;p?q" },
        { base.c_str(), ".", true, "http://a/b/c/" },
        { base.c_str(), "..", true, "http://a/b/" },
        { base.c_str(), "../g", true, "http://a/b/g" },
        { base.c_str(), "../../g", true, "http://a/g" },
        { base.c_str(), "../../../g", true, "http://a/g" },
        { base.c_str(), "/./g", true, "http://a/g" },
        { base.c_str(), "g.", true, "http://a/b/c/g." },
        { base.c_str(), "./../g", true, "http://a/b/g" },
        { base.c_str(), "g/../h", true, "http://a/b/c/h" },
        { base.c_str(), "g;x=1/../y", true, "http://a/b/c/y" },
        { "ftp://h", "x", true, "ftp://h/x" },
        { "http://h/a/b", "my file.jpg", true, "http://h/a/my%20file.jpg" },
        { "http://h/a/b", "caf\xC3\xA9", true, "http://h/a/caf%C3%A9" },
        { "no-scheme/a", "x", false, "" },
        { "http://h/", std::string(1989, 'x'), true, "http://h/" + std::string(1989, 'x') },
        { "http://h/", std::string(1990, 'x'), false, "" },
    };
    for (const Case& c : cases) {
        torvane::StringBuffer out;
        out.Append("stale");
        bool ok = CombineUrl(Buffer(c.base), Buffer(c.relative), out);
        EXPECT_EQ(ok, c.ok) << c.base << " + " << c.relative.substr(0, 40);
        EXPECT_EQ(Text(out), c.expected) << c.base << " + " << c.relative.substr(0, 40);
    }
}

TEST(UrlHelpersTest, EncodeAndDecode)
{
    struct Case {
        std::string bytes;
        std::string encoded;
    };
    const Case encodes[] = {
        { "a b/c", "a+b%2Fc" },
        { "Az09-_.~", "Az09%2D%5F%2E%7E" },
        { "caf\xE9", "caf%E9" }, // accented bytes are always encoded, whatever the locale
        { std::string("\0\xFF", 2), "%00%FF" },
        { "", "" },
    };
    for (const Case& c : encodes) {
        DataBuffer in;
        in.Append(c.bytes.data(), unsigned(c.bytes.size()));
        torvane::StringBuffer out;
        out.Append(">");
        UrlEncodeBytes(in, out);
        EXPECT_EQ(Text(out), ">" + c.encoded);
        torvane::StringBuffer form;
        UrlEncodeForm(in, form);
        EXPECT_EQ(Text(form), c.encoded);
    }
    const Case decodes[] = {
        { "a b/c", "a+b%2fc" },
        { "abc", "abc%4" },
        { "abc", "abc%" },
        { "\xE9", "%E9" },
        { "%zz!", "%zz%21" },
        { "100%", "100%25" },
        { std::string("a\0b", 3), "a%00b" },
    };
    for (const Case& c : decodes) {
        DataBuffer out;
        UrlDecodeBytes(Buffer(c.encoded), out);
        EXPECT_EQ(Hex(BytesOf(out)), Hex(c.bytes)) << c.encoded;
        torvane::StringBuffer text = Buffer(c.encoded);
        UrlDecodeInPlace(text);
        EXPECT_EQ(Hex(Text(text)), Hex(c.bytes)) << c.encoded;
    }
}

TEST(UrlHelpersTest, SplitUrl)
{
    struct Case {
        const char* url;
        const char* host;
        int port;
        const char* user;
        const char* password;
        const char* path;
        const char* query;
        const char* fragment;
    };
    const Case cases[] = {
        { "https://user:pw@Host.Example:8443/a/b?x=1#top", "host.example", 8443, "user", "pw", "/a/b", "x=1", "top" },
        { "http://host:8080", "host", 8080, "", "", "/", "", "" },
        { "http://host/path?next=a@b/c", "host", 80, "", "", "/path", "next=a@b/c", "" },
        { "FILE:///c:/dir/file", "", 80, "", "", "/dir/file", "", "" },
        { "http://user@host/x", "host", 80, "", "", "/x", "", "" },
        { "HTTP:\\\\Host\\a\\b", "host", 80, "", "", "/a/b", "", "" },
        { "ftp://ftp.site.org/pub/", "ftp.site.org", 80, "", "", "/pub/", "", "" },
        { "host?q=1#f", "host", 80, "", "", "/", "q=1", "f" },
        { "http://h/p#a#b", "h", 80, "", "", "/p#a", "", "b" },
        { "http://hh:abc/", "hh", 80, "", "", "/", "", "" },
        { "http://h/a:b", "h", 80, "", "", "/a:b", "", "" },
        { "http://Ho st%41/", "ho", 80, "", "", "/", "", "" },
        // An '@' in the path is data, not user information.
        { "http://medium.example/@writer/post", "medium.example", 80, "", "", "/@writer/post", "", "" },
    };
    for (const Case& c : cases) {
        torvane::StringBuffer host, user, password, path, query, fragment;
        int port = 0;
        ASSERT_TRUE(SplitUrl(c.url, host, port, user, password, path, query, fragment)) << c.url;
        EXPECT_EQ(Text(host), c.host) << c.url;
        EXPECT_EQ(port, c.port) << c.url;
        EXPECT_EQ(Text(user), c.user) << c.url;
        EXPECT_EQ(Text(password), c.password) << c.url;
        EXPECT_EQ(Text(path), c.path) << c.url;
        EXPECT_EQ(Text(query), c.query) << c.url;
        EXPECT_EQ(Text(fragment), c.fragment) << c.url;
    }
    torvane::StringBuffer host, user, password, path, query, fragment;
    host.Append("stale");
    int port = 0;
    EXPECT_FALSE(SplitUrl(nullptr, host, port, user, password, path, query, fragment));
    EXPECT_EQ(Text(host), "");
    EXPECT_EQ(port, 80);
    EXPECT_TRUE(GetUrlHost("https://WWW.Site.com:444/x", host));
    EXPECT_EQ(Text(host), "www.site.com");
    EXPECT_TRUE(GetUrlDomain("http://a.b/", host));
    EXPECT_EQ(Text(host), "a.b");
    torvane::StringBuffer copy;
    CopyUrlText("http://x/?a b", copy);
    EXPECT_EQ(Text(copy), "http://x/?a b");
}

TEST(UrlHelpersTest, GetBaseDomain)
{
    struct Case {
        const char* host;
        const char* base;
    };
    const Case cases[] = {
        { "x.site.com", "site.com" },
        { "a.b.site.com", "site.com" },
        { "news.site.co.uk", "site.co.uk" },
        { "me.blogspot.com", "me.blogspot.com" },
        { "x.me.blogspot.com", "blogspot.com" },
        { "me.wordpress.net", "me.wordpress.net" },
        { "www.state.ca.us", "state.ca.us" },
        { "x.site.us", "site.us" },
        { "x.agency.fed.us", "x.agency.fed.us" },
        { "localhost", "localhost" },
        { "host:8080", "host" },
        { " site.com ", "site.com" },
        { "NEWS.SITE.CO.UK", "CO.UK" },
        { "a.dept.gov.uk", "dept.gov.uk" },
        { "a.dept.gov.example", "gov.example" },
        { "x.site.de", "site.de" },
        { "site.de", "site.de" },
        { ".co.uk", "co.uk" },
        { "a..com", ".com" },
        { "", "" },
    };
    for (const Case& c : cases) {
        torvane::StringBuffer out;
        out.Append("stale");
        GetBaseDomain(Buffer(c.host), out);
        EXPECT_EQ(Text(out), c.base) << c.host;
    }
}
