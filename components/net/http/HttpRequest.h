#pragma once
// One HTTP request as the caller fills it in, and its rendering into the bytes sent.

#include "components/net/http/HttpFields.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LogBase;

enum class HttpVerb : int { Get = 0, Post = 1, Head = 2, Put = 3, Delete = 4 };
enum class FormBodyKind : int { UrlEncoded = 0, Multipart = 1, TextXml = 2, ApplicationXml = 3 };

struct HttpRequestItem {
    std::string value;     // parameter value (UTF-8); a file's bytes stay in the file
    std::string name;
    std::string fileName;  // the path as the caller gave it; empty for a parameter
    bool isParam = true;
    std::uint64_t fileSize = 0;  // the file's size when it was added
};

// A stretch of a request body: bytes held here, or a whole file read while it is sent.
struct HttpBodyPiece {
    std::string text;
    std::string path;  // not empty: the piece is this file, of size bytes
    std::uint64_t size = 0;
};

class HttpRequestData {
public:
    void SetField(const std::string& name, const std::string& value);
    void AddItem(HttpRequestItem item) { m_items.push_back(std::move(item)); }
    bool Empty() const { return m_items.empty(); }
    const std::vector<HttpRequestItem>& Items() const { return m_items; }
    std::string BuildFormEncoded(const char* charset) const;
    // Parts in insertion order, each opened by "--" boundary, closed by "--" boundary "--". Files
    // stay pieces of their own; the text between them is gathered into the pieces around them.
    void BuildMultipartPieces(const std::string& boundary, std::vector<HttpBodyPiece>& pieces) const;

private:
    std::vector<HttpRequestItem> m_items;
};

class HttpRequest {
public:
    void SetPath(const char* path) { m_path = path ? path : ""; }
    const std::string& GetPath() const { return m_path; }
    void SelectGet();
    void SelectFormPost();
    void SelectMultipartPost();
    void SetVerb(HttpVerb verb) { m_verb = verb; }
    void SetBodyKind(FormBodyKind kind) { m_bodyKind = kind; }
    void SetCharset(const char* charset, bool send)
    {
        m_charset = charset ? charset : "utf-8";
        m_sendCharset = send;
    }
    void SetXmlBody(const char* xml) { m_xmlBody = xml ? xml : ""; }
    void SetFormField(const char* name, const char* value);
    bool AddUploadFile(const char* name, const char* path, LogBase* log);
    void SetHeaderField(const char* name, const char* value) { m_fields.Replace(name, value); }
    HttpFields& Fields() { return m_fields; }
    const HttpRequestData& Items() const { return m_items; }
    bool IsHead() const { return m_verb == HttpVerb::Head; }
    bool IsMultipartPost() const { return m_verb == HttpVerb::Post && m_bodyKind == FormBodyKind::Multipart; }

    // The whole request (header, blank line, body). headerCopy gets the header block without the
    // blank line. extraLines are further header lines (ending CR LF or not); urlPrefix goes before
    // the path when talking through a proxy.
    void BuildRequestText(std::string& out, std::string& headerCopy, const char* extraLines,
        const char* urlPrefix);
    void BuildMultipartRequest(const char* host, const char* authorization, const char* urlPrefix,
        const char* extraLines, std::string& out, std::string& headerCopy);
    // What the two above send, without gathering it: head is the header with its blank line; the
    // body follows in pieces (none for a request without one). A body held by the request is
    // referred to, not copied, so the request must outlive the pieces' use.
    void BuildRequestPieces(std::string& head, std::string& headerCopy, const char* extraLines,
        const char* urlPrefix, std::vector<HttpBodyPiece>& body, const std::string*& heldBody);
    void BuildMultipartPieces(const char* host, const char* authorization, const char* urlPrefix,
        const char* extraLines, std::string& head, std::string& headerCopy, std::vector<HttpBodyPiece>& body);
    // The file a response body is written to instead of memory (empty: memory).
    void SetBodyPath(const char* path) { m_bodyPath = path ? path : ""; }
    const std::string& BodyPath() const { return m_bodyPath; }
    // The boundary of the last multipart rendering; fresh and random for each one.
    const std::string& LastBoundary() const { return m_lastBoundary; }

private:
    std::string RenderedFields(const char* extraLines) const;

    std::string m_httpVersion = "1.1";
    HttpVerb m_verb = HttpVerb::Get;
    FormBodyKind m_bodyKind = FormBodyKind::UrlEncoded;
    std::string m_charset = "utf-8";
    bool m_sendCharset = false;
    HttpFields m_fields;
    HttpRequestData m_items;
    std::string m_path = "/";
    std::string m_xmlBody;
    std::string m_lastBoundary;
    std::string m_bodyPath;
};

// Reads a whole file piece of a body; false when it cannot be read or its size changed.
bool HttpReadBodyFile(const HttpBodyPiece& piece, std::string& out);

// The name put into filename="...": the base name, quotes and backslashes escaped, CR LF NUL dropped.
std::string HttpSafeUploadName(const std::string& path);
