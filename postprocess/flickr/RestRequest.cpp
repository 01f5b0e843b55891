#include "postprocess/flickr/RestRequest.h"

#include "components/foundation/TvString.h"
#include "components/foundation/TvXml.h"
#include "components/net/http/TvHttp.h"
#include "engine/ToTvString.h"
#include "postprocess/PostProcessOutput.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <memory>

namespace {

// The reply's first element with the tag, searched breadth-first from the root; null when the
// reply does not parse or has none.
std::unique_ptr<TvXml> findReplyElement(const std::u16string& reply, std::u16string_view tag)
{
    TvXml document;
    if (!document.LoadXml(ToAnsiText(reply).c_str()))
        return nullptr;
    return std::unique_ptr<TvXml>(document.SearchForTag(nullptr, ToAnsiText(tag).c_str()));
}

}

int CompareParamNames(std::u16string_view a, std::u16string_view b)
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = AsciiToLower(a[i]);
        char16_t y = AsciiToLower(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

void CRestRequest::AddParam(std::u16string_view value, std::u16string_view name)
{
    auto position = m_params.begin();
    while (position != m_params.end() && CompareParamNames(position->name, name) <= 0)
        ++position;
    m_params.insert(position, DataParam { std::u16string(name), std::u16string(value) });
}

void CRestRequest::AddPhotoFile(std::u16string_view path)
{
    m_files.push_back(FileParam { u"photo", std::u16string(path) });
}

void CRestRequest::ClearParams()
{
    m_params.clear();
    m_files.clear();
}

int CRestRequest::SendRequest(std::u16string_view host, std::u16string_view path, bool multipart, int port)
{
    TvHttp http;
    TvHttpRequest request;
    request.SetPath(ToAnsiText(path).c_str());
    if (!multipart) {
        request.SelectGet();
    } else if (!m_files.empty()) {
        request.SelectMultipartPost();
        for (const FileParam& file : m_files) {
            if (!request.AddUploadFile(ToAnsiText(file.name).c_str(), ToAnsiText(file.path).c_str())) {
                m_errorText = u"Unable to read the file " + file.path;
                return 1;
            }
        }
    }
    for (const DataParam& param : m_params)
        request.AddFormField(ToAnsiText(param.name).c_str(), ToAnsiText(param.value).c_str());

    std::unique_ptr<TvHttpResponse> response(http.SynchronousRequest(ToAnsiText(host).c_str(), port, false, request));
    if (!response) {
        TvString text;
        http.GetErrorLogText(text);
        m_errorText = FromTvString(text);
        return 1;
    }
    TvString body;
    response->GetBodyText(body);
    // Standard output belongs to the command-line runner's user: nothing is printed here.
    if (response->GetStatusCode() == 200) {
        m_replyText = FromTvString(body);
        return 0;
    }
    TvString statusLine;
    response->GetStatusLine(statusLine);
    m_errorText = FromTvString(statusLine) + FromTvString(body);
    m_failedStatusLine = FromTvString(statusLine);
    m_failedBody = FromTvString(body);
    return 6;
}

std::u16string CRestRequest::GetReplyElementText(std::u16string_view tag) const
{
    std::unique_ptr<TvXml> element = findReplyElement(m_replyText, tag);
    if (!element)
        return std::u16string();
    TvString content;
    element->GetContent(content);
    return FromTvString(content);
}

std::u16string CRestRequest::GetReplyUserAttribute(std::u16string_view attribute) const
{
    return GetReplyElementAttribute(u"user", attribute);
}

std::u16string CRestRequest::GetReplyElementAttribute(std::u16string_view tag, std::u16string_view attribute) const
{
    std::unique_ptr<TvXml> element = findReplyElement(m_replyText, tag);
    if (!element)
        return std::u16string();
    TvString value;
    if (!element->GetAttrValue(ToAnsiText(attribute).c_str(), value))
        return std::u16string();
    return FromTvString(value);
}
