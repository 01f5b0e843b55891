#include "components/mail/mime/HtmlHelp.h"

#include "components/foundation/LogBase.h"
#include "components/mail/mime/MimeText.h"

using namespace mimetext;

namespace {

bool IsTagBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void FinishTag(string& out)
{
    string cleaned;
    for (char c : out) {
        if (c == '\r')
            continue;
        cleaned += c == '\n' ? ' ' : c;
    }
    out.swap(cleaned);
}

string CleanTagText(string_view tag)
{
    string out;
    size_t i = tag.find('<');
    if (i == npos)
        return out;
    size_t n = tag.size();
    auto skipBlanks = [&] {
        while (i < n && IsTagBlank(tag[i]))
            ++i;
    };
    out += '<';
    ++i;
    skipBlanks();
    while (i < n && !IsTagBlank(tag[i]))
        out += tag[i++];
    skipBlanks();
    if (i < n && tag[i] == '>') {
        out += '>';
        return out;
    }
    int valued = 0;
    while (true) {
        string piece = " ";
        while (i < n && (tag[i] == '"' || tag[i] == '\''))
            ++i;
        while (i < n && !IsTagBlank(tag[i]) && tag[i] != '>' && tag[i] != '=')
            piece += tag[i++];
        skipBlanks();
        char c = i < n ? tag[i] : '\0';
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (letter || c == '>') {
            out += piece;
            if (c == '>') {
                out += '>';
                return out;
            }
            continue;
        }
        if (c != '=') {
            out = Trim(out);
            if (out.empty() || out.back() != '>')
                out += '>';
            FinishTag(out);
            return out;
        }
        out += piece;
        out += '=';
        while (i < n && (tag[i] == '=' || IsTagBlank(tag[i])))
            ++i;
        if (i < n && tag[i] == '\\')
            ++i;
        string value;
        char quote = '"';
        if (i < n && (tag[i] == '"' || tag[i] == '\'')) {
            quote = tag[i++];
            while (i < n && tag[i] != quote)
                value += tag[i++];
        } else {
            while (i < n && tag[i] != '\r' && tag[i] != '\n' && tag[i] != ' ' && tag[i] != '>')
                value += tag[i++];
            quote = value.find('"') != npos ? '\'' : '"';
        }
        out += quote;
        out += value;
        skipBlanks();
        if (i < n && (tag[i] == '"' || tag[i] == '\''))
            ++i;
        if (!out.empty() && out.back() == '\\')
            out.pop_back();
        out += quote;
        skipBlanks();
        if (i < n && tag[i] == '>') {
            out += '>';
            FinishTag(out);
            return out;
        }
        if (++valued >= 101 || i >= n) {
            FinishTag(out);
            return out;
        }
    }
}

// The tag starting at `start` up to its first '>' outside quotes, '>' included.
size_t TagEnd(string_view html, size_t start)
{
    char quote = 0;
    for (size_t i = start; i < html.size(); ++i) {
        char c = html[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return html.size();
}

string AttributeValue(string_view tag, string_view name)
{
    for (char quote : { '"', '\'' }) {
        string pattern = string(name) + "=" + quote;
        size_t at = FindNoCase(tag, pattern);
        if (at == npos)
            continue;
        size_t start = at + pattern.size();
        size_t end = tag.find(quote, start);
        if (end == npos)
            return string();
        string value = Trim(tag.substr(start, end - start));
        for (char& c : value)
            if (c == '\\')
                c = '/';
        return value;
    }
    return string();
}

bool IsContentTypeMeta(const string& cleaned, string* content)
{
    if (!EqualsNoCase(AttributeValue(cleaned, "HTTP-EQUIV"), "content-type"))
        return false;
    string value = AttributeValue(cleaned, "content");
    if (content)
        *content = value;
    return !value.empty();
}

} // namespace

void HtmlHelp::EnsureSkeleton(torvane::StringBuffer& buffer)
{
    string html = FromBuffer(buffer);
    if (!ContainsNoCase(html, "<html"))
        html.insert(0, "<html>");
    if (!ContainsNoCase(html, "</html>"))
        html += "</html>";
    if (!ContainsNoCase(html, "<head")) {
        ReplaceFirst(html, "<HTML>", "<html>");
        ReplaceFirst(html, "<html>", "<html><head>");
        if (ContainsNoCase(html, "<body")) {
            ReplaceFirst(html, "<BODY", "<body");
            ReplaceFirst(html, "<body", "</head><body");
        } else {
            ReplaceFirst(html, "</HTML>", "</html>");
            ReplaceFirst(html, "<head>", "<head></head>");
        }
    }
    if (!ContainsNoCase(html, "<body")) {
        ReplaceFirst(html, "</HEAD>", "</head>");
        ReplaceFirst(html, "</head>", "</head><body>");
    }
    if (!ContainsNoCase(html, "</body>")) {
        ReplaceFirst(html, "</HTML>", "</html>");
        ReplaceFirst(html, "</html>", "</body></html>");
    }
    SetBuffer(buffer, html);
}

void HtmlHelp::InsertMetaCharset(torvane::StringBuffer& buffer, const char* charsetName)
{
    EnsureSkeleton(buffer);
    string html = FromBuffer(buffer);
    ReplaceFirst(html, "<HEAD>", "<head>");
    ReplaceFirst(html, "<head>",
        "<head><META http-equiv=\"Content-Type\" content=\"text/html;charset=" + Text(charsetName) + "\">");
    SetBuffer(buffer, html);
}

void HtmlHelp::GetMetaCharset(const char* text, torvane::StringBuffer& out)
{
    if (!text)
        return;
    string_view html(text);
    for (size_t at = FindNoCase(html, "<meta"); at != npos; at = FindNoCase(html, "<meta", at + 5)) {
        size_t end = TagEnd(html, at);
        string cleaned = CleanTagText(html.substr(at, end - at));
        string content;
        if (!IsContentTypeMeta(cleaned, &content))
            continue;
        size_t mark = FindNoCase(content, "CHARSET=");
        string result;
        if (mark != npos) {
            string rest = content.substr(mark + 8);
            size_t stop = rest.find('"');
            if (stop == npos)
                stop = rest.find(';');
            if (stop == npos)
                stop = rest.find(' ');
            result = rest.substr(0, stop);
        } else {
            result = AttributeValue(cleaned, "CHARSET");
        }
        out.Clear();
        AppendTo(out, result);
        return;
    }
}

void HtmlHelp::GetMetaCharsetOf(const torvane::StringBuffer& html, torvane::StringBuffer& out)
{
    GetMetaCharset(html.GetText(), out);
}

void HtmlHelp::RemoveMetaContentType(torvane::StringBuffer& buffer)
{
    string html = FromBuffer(buffer);
    string out;
    size_t pos = 0;
    for (size_t at = FindNoCase(html, "<meta"); at != npos; at = FindNoCase(html, "<meta", pos)) {
        out.append(html, pos, at - pos);
        size_t end = TagEnd(html, at);
        string tag = html.substr(at, end - at);
        if (!IsContentTypeMeta(CleanTagText(tag), nullptr))
            out += tag;
        pos = end;
    }
    out.append(html, pos, npos);
    SetBuffer(buffer, out);
}

void HtmlHelp::GetAttributeValue(const char* tag, const char* name, torvane::StringBuffer& out)
{
    out.Clear();
    if (!tag || !name)
        return;
    AppendTo(out, AttributeValue(tag, name));
}

void HtmlHelp::CleanTag(const char* tag, torvane::StringBuffer& out, LogBase* log)
{
    out.Clear();
    if (log)
        log->LogData("cleaning_tag", tag ? tag : "");
    if (!tag)
        return;
    AppendTo(out, CleanTagText(tag));
}
