#pragma once
// One call to a REST-style web service over plain HTTP: form fields kept sorted by name (signed
// services sign them in that order), file parts for a multipart upload, and the outcome of the
// last call. One instance serves call after call: clear, add fields, send, read the reply.

#include <string>
#include <string_view>
#include <vector>

struct FileParam {
    std::u16string name;
    std::u16string path;
};

struct DataParam {
    std::u16string name;
    std::u16string value;
};

// The field order: names compared by code value after A-Z are folded to a-z ("_" sorts before
// every letter); negative, 0 or positive like strcmp.
int CompareParamNames(std::u16string_view a, std::u16string_view b);

class CRestRequest {
public:
    static constexpr int kHttpPort = 80;

    virtual ~CRestRequest() = default;

    // Inserted after every field whose name does not compare greater, so equal names keep the
    // order they were added in; duplicates are kept.
    void AddParam(std::u16string_view value, std::u16string_view name);
    // A file part named "photo".
    void AddPhotoFile(std::u16string_view path);
    void ClearParams();

    // GET with the fields as the query, or (multipart and at least one file part) a multipart
    // upload of the files and then the fields. 0 on status 200 (the body becomes the reply text);
    // 1 when no response came (the HTTP client's error text) or a file part cannot be read (nothing
    // is sent then); 6 on any other status (its status line followed by the body). Each outcome
    // overwrites only its own text.
    int SendRequest(std::u16string_view host, std::u16string_view path, bool multipart, int port = kHttpPort);

    // The content of the reply's first element with the tag (breadth-first), else empty; empty
    // as well when the reply is not XML.
    std::u16string GetReplyElementText(std::u16string_view tag) const;
    // That attribute of the reply's first "user" element, else empty.
    std::u16string GetReplyUserAttribute(std::u16string_view attribute) const;
    // That attribute of the reply's first element with the tag, else empty.
    std::u16string GetReplyElementAttribute(std::u16string_view tag, std::u16string_view attribute) const;
    std::u16string GetErrorText() const { return m_errorText; }
    // The status line and the body of the last reply whose status was not 200 (code 6), apart.
    const std::u16string& GetFailedStatusLine() const { return m_failedStatusLine; }
    const std::u16string& GetFailedBody() const { return m_failedBody; }
    const std::u16string& GetReplyText() const { return m_replyText; }

    const std::vector<DataParam>& GetParams() const { return m_params; }
    const std::vector<FileParam>& GetFiles() const { return m_files; }

protected:
    void SetErrorText(std::u16string text) { m_errorText = std::move(text); }
    void SetReplyText(std::u16string text) { m_replyText = std::move(text); }

private:
    std::vector<FileParam> m_files;
    std::vector<DataParam> m_params;
    std::u16string m_replyText;
    std::u16string m_errorText;
    std::u16string m_failedStatusLine;
    std::u16string m_failedBody;
};
