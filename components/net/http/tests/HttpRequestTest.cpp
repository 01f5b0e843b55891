#include "components/net/http/HttpRequest.h"
#include "components/net/http/HttpResponseHeader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string Render(HttpRequest& r)
{
    std::string text, header;
    r.BuildRequestText(text, header, nullptr, nullptr);
    return text;
}

std::string FirstLine(const std::string& s) { return s.substr(0, s.find("\r\n")); }

} // namespace

TEST(HttpRequest, NewRequestIsGetOfRoot)
{
    HttpRequest r;
    EXPECT_EQ(Render(r), "GET / HTTP/1.1\r\n\r\n");
}

TEST(HttpRequest, GetQueryEncoding)
{
    HttpRequest r;
    r.SetPath("/path");
    r.SetFormField("a b", "x y");
    r.SetFormField("ratio", "1/2");
    EXPECT_EQ(FirstLine(Render(r)), "GET /path?ab=x+y&ratio=1%2F2 HTTP/1.1");

    HttpRequest e;
    e.SetFormField("v", "\xC3\xA9-_.~");
    EXPECT_EQ(FirstLine(Render(e)), "GET /?v=%C3%A9%2D%5F%2E%7E HTTP/1.1");
    e.SetCharset("iso-8859-1", false);
    EXPECT_EQ(FirstLine(Render(e)), "GET /?v=%E9%2D%5F%2E%7E HTTP/1.1");
}

TEST(HttpRequest, FieldNamesCleanedAndSetTwiceKeepsPosition)
{
    HttpRequest r;
    r.SetFormField("  my name\t", "1");
    r.SetFormField("other", "2");
    r.SetFormField("myname", "3\nx");
    ASSERT_EQ(r.Items().Items().size(), 2u);
    EXPECT_EQ(r.Items().Items()[0].name, "myname");
    EXPECT_EQ(r.Items().Items()[0].value, "3\r\nx");
}

TEST(HttpRequest, FormPostWithCharset)
{
    HttpRequest r;
    r.SelectFormPost();
    r.SetCharset("utf-8", true);
    r.SetFormField("k", "v w");
    std::string text, header;
    r.BuildRequestText(text, header, "Cookie: a=b\r\n", nullptr);
    EXPECT_NE(header.find("Content-Type: application/x-www-form-urlencoded; charset=utf-8"), std::string::npos);
    EXPECT_NE(header.find("content-length: 5"), std::string::npos);
    EXPECT_NE(header.find("Cookie: a=b"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 9), "\r\n\r\nk=v+w");
    EXPECT_EQ(text, header + "\r\n\r\nk=v+w");

    r.SelectGet();
    r.BuildRequestText(text, header, nullptr, nullptr);
    EXPECT_EQ(header.find("Content-Type"), std::string::npos);
    EXPECT_EQ(header.find("content-length"), std::string::npos);
}

TEST(HttpRequest, MultipartBodyBoundaryAndNames)
{
    char dir[] = "/tmp/httpreqXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/my \"best\"\r\nshot.JPG";
    std::ofstream(path, std::ios::binary) << std::string("\xFF\xD8\0\x01", 4);

    HttpRequest r;
    r.SelectMultipartPost();
    r.SetPath("/up");
    r.SetFormField("title", "Sonnenuntergang \xC3\xBC");
    ASSERT_TRUE(r.AddUploadFile("photo", path.c_str(), nullptr));
    EXPECT_FALSE(r.AddUploadFile("photo", (std::string(dir) + "/missing").c_str(), nullptr));

    std::string a, ha, b, hb;
    r.BuildMultipartRequest("example.org", nullptr, nullptr, nullptr, a, ha);
    std::string boundaryA = r.LastBoundary();
    r.BuildMultipartRequest("example.org", nullptr, nullptr, nullptr, b, hb);
    EXPECT_NE(boundaryA, r.LastBoundary());

    size_t bodyStart = a.find("\r\n\r\n") + 4;
    std::string body = a.substr(bodyStart);
    EXPECT_NE(ha.find("Content-Length: " + std::to_string(body.size())), std::string::npos);
    EXPECT_EQ(FirstLine(a), "POST /up HTTP/1.1");
    EXPECT_NE(ha.find("Host: example.org\r\n"), std::string::npos);
    // UTF-8 title unchanged; base name only, quotes escaped, line breaks gone.
    EXPECT_NE(body.find("Sonnenuntergang \xC3\xBC\r\n"), std::string::npos);
    EXPECT_NE(body.find("; filename=\"my \\\"best\\\"shot.JPG\"\r\nContent-Type: image/jpeg\r\n"), std::string::npos);
    EXPECT_EQ(body.find(dir), std::string::npos);
    EXPECT_NE(body.find(std::string("\xFF\xD8\0\x01\r\n", 6)), std::string::npos);
    EXPECT_EQ(body.substr(body.size() - boundaryA.size() - 6), "--" + boundaryA + "--\r\n");

    HttpRequest empty;
    empty.SelectMultipartPost();
    std::string e, he;
    empty.BuildMultipartRequest("h", nullptr, nullptr, nullptr, e, he);
    EXPECT_EQ(e.substr(e.find("\r\n\r\n") + 4), "--" + empty.LastBoundary() + "--\r\n");
    std::remove(path.c_str());
    rmdir(dir);
}

TEST(HttpResponseHeader, ParseCases)
{
    HttpResponseHeader h;
    h.ParseText("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=\"utf-8\"\r\nX-A:  b \r\n\r\nbody: no");
    EXPECT_EQ(h.GetStatusCode(), 200);
    EXPECT_EQ(h.GetReasonText(), "OK");
    EXPECT_EQ(h.GetStatusLine(), "HTTP/1.1 200 OK");
    EXPECT_EQ(h.Fields().All().size(), 2u);
    std::string v;
    EXPECT_TRUE(h.GetField("x-a", v));
    EXPECT_EQ(v, "b");
    h.GetCharset(v);
    EXPECT_EQ(v, "utf-8");
    EXPECT_FALSE(h.HasField("body"));

    h.ParseText("HTTP/1.1 200 OK\r\nContent-Length:42\r\n\r\n");
    EXPECT_TRUE(h.HasContentLength());
    EXPECT_EQ(h.GetContentLength(), 42);
    h.ParseText("HTTP/1.1 200 OK\r\ncontent-length: 0\r\n\r\n");
    EXPECT_TRUE(h.HasContentLength());
    EXPECT_EQ(h.GetContentLength(), 0);
    h.ParseText("HTTP/1.1 200 OK\r\nContent-Length: 8589934592\r\n\r\n");
    EXPECT_EQ(h.GetContentLength(), 8589934592LL);
    h.ParseText("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n");
    EXPECT_GT(h.GetContentLength(), 0);

    h.ParseText("<html>\r\n<body>");
    EXPECT_EQ(h.GetStatusCode(), 0);
    EXPECT_EQ(h.GetStatusLine(), "<html>");
    EXPECT_TRUE(h.Fields().All().empty());

    HttpResponseHeader other;
    other.ParseText("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\n");
    HttpResponseHeader target;
    target.CopyFrom(other);
    EXPECT_EQ(target.GetStatusCode(), 404);
    EXPECT_FALSE(target.HasContentLength());

    HttpResult result;
    result.requestHeader = "GET / HTTP/1.1";
    result.responseHeader.ParseText("HTTP/1.1 200 OK\r\n\r\n");
    result.Reset();
    EXPECT_EQ(result.requestHeader, "GET / HTTP/1.1");
    EXPECT_EQ(result.responseHeader.GetStatusCode(), 0);
}
