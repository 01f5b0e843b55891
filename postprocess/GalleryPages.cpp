#include "postprocess/GalleryPages.h"

#include "engine/LogFile.h"
#include "engine/ProgramData.h"
#include "engine/TextHelpers.h"
#include "postprocess/PostProcessOutput.h"
#include "platform/base/ErrorText.h"
#include "platform/base/FileAtomicWriter.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"
#include "resources/StringTable.h"

#include <ctime>
#include <fstream>
#include <sstream>

std::u16string ReadTemplateFile(std::u16string_view path)
{
    std::ifstream file(Utf16ToUtf8(path), std::ios::binary);
    if (!file)
        return std::u16string();
    std::ostringstream bytes;
    bytes << file.rdbuf();
    std::string raw = bytes.str();
    std::string text;
    text.reserve(raw.size() + 1);
    std::size_t start = 0;
    while (start < raw.size()) {
        std::size_t end = raw.find('\n', start);
        std::size_t next = end == std::string::npos ? raw.size() : end + 1;
        if (end == std::string::npos)
            end = raw.size();
        std::size_t lineEnd = end;
        if (lineEnd > start && raw[lineEnd - 1] == '\r')
            --lineEnd;
        text.append(raw, start, lineEnd - start);
        text += '\n';
        start = next;
    }
    text += '\n';
    return Utf8ToUtf16(text);
}

std::u16string ReplacePlaceholders(std::u16string_view text, const PlaceholderMap& values)
{
    std::u16string result(text);
    for (const auto& [key, value] : values) {
        std::u16string placeholder = u"%%" + key + u"%%";
        std::u16string replaced;
        std::size_t position = 0;
        for (;;) {
            std::size_t found = result.find(placeholder, position);
            if (found == std::u16string::npos)
                break;
            replaced.append(result, position, found - position);
            replaced += value;
            position = found + placeholder.size();
        }
        replaced.append(result, position, std::u16string::npos);
        result = std::move(replaced);
    }
    return result;
}

std::u16string GalleryPageFileName(int page)
{
    return page <= 1 ? std::u16string(u"index.html") : FormatString(u"index%d.html", page);
}

std::u16string BuildPager(int pageCount, int currentPage)
{
    if (pageCount == 1)
        return std::u16string();
    std::u16string pager = u"<ul>\n";
    if (currentPage >= 2)
        pager += FormatResourceString(133, GalleryPageFileName(currentPage - 1));
    for (int k = 1; k <= pageCount; ++k) {
        pager += u"<li>";
        if (k == currentPage)
            pager += FormatString(u"<div class=\"active\">%d</div>", k);
        else
            pager += FormatResourceString(134, GalleryPageFileName(k), k, k);
        pager += u"</li>\n";
    }
    if (currentPage < pageCount)
        pager += FormatResourceString(135, GalleryPageFileName(currentPage + 1));
    pager += u"</ul>\n";
    return pager;
}

std::u16string EncodeLinkName(std::u16string_view name)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string utf8 = Utf16ToUtf8(name);
    std::u16string encoded;
    for (unsigned char c : utf8) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_' || c == '~';
        if (plain) {
            encoded += char16_t(c);
        } else {
            encoded += u'%';
            encoded += char16_t(kHex[c >> 4]);
            encoded += char16_t(kHex[c & 15]);
        }
    }
    return encoded;
}

std::u16string EscapeHtml(std::u16string_view text)
{
    std::u16string escaped;
    for (char16_t c : text) {
        switch (c) {
        case u'&': escaped += u"&amp;"; break;
        case u'<': escaped += u"&lt;"; break;
        case u'>': escaped += u"&gt;"; break;
        case u'"': escaped += u"&quot;"; break;
        case u'\'': escaped += u"&#39;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

namespace {

std::u16string localTimeNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char buffer[128];
    std::size_t length = std::strftime(buffer, sizeof buffer, "%c", &local);
    return Utf8ToUtf16(std::string(buffer, length));
}

// The page as it goes to disk: UTF-8, every "\n" as CR LF.
std::string pageBytes(std::u16string_view page)
{
    std::string utf8 = Utf16ToUtf8(page);
    std::string bytes;
    bytes.reserve(utf8.size() + utf8.size() / 16);
    for (char c : utf8) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}

std::u16string lastErrorMessage()
{
    std::u16string text = SingleLineText(SystemErrorTextW(GetLastError()));
    if (text.size() > 1024)
        text.resize(1024);
    return text;
}

bool writePage(const std::u16string& path, const std::string& bytes)
{
    std::unique_ptr<FileAtomicWriter> writer = FileAtomicWriter::Create(path);
    if (!writer)
        return false;
    if (!writer->Write(bytes.data(), bytes.size())) {
        DWORD error = GetLastError();
        writer->Discard();
        SetLastError(error);
        return false;
    }
    return writer->Commit();
}

}

int WriteGalleryPages(const GalleryPageJob& job)
{
    std::u16string header = ReadTemplateFile(job.themeFolder + u"templ.header.html");
    std::u16string thumbnail = ReadTemplateFile(job.themeFolder + u"templ.thumbnail.html");
    std::u16string footer = ReadTemplateFile(job.themeFolder + u"templ.footer.html");

    PlaceholderMap headerValues;
    headerValues[u"author"] = LoadStringText(136);
    headerValues[u"description"] = job.description;
    headerValues[u"title"] = job.title;
    headerValues[u"created_on"] = job.createdOn.empty() ? localTimeNow() : job.createdOn;

    int written = 0;
    const std::size_t count = job.items.size();
    for (int page = 1; page <= job.pageCount; ++page) {
        std::u16string pager = BuildPager(job.pageCount, page);
        headerValues[u"pager"] = pager;
        PlaceholderMap footerValues { { u"pager", pager } };

        std::u16string text = ReplacePlaceholders(header, headerValues);
        std::size_t first = std::size_t(page - 1) * std::size_t(job.thumbsPerPage);
        for (std::size_t i = first; i < first + std::size_t(job.thumbsPerPage) && i < count; ++i) {
            const GalleryPageItem& item = job.items[i];
            std::u16string sourceName = GetFileNamePart(item.sourcePath);
            PlaceholderMap itemValues {
                { u"image_link", u"images/" + EncodeLinkName(sourceName) },
                { u"image_name", EscapeHtml(sourceName) },
                { u"thumb_link", u"thumbs/" + EncodeLinkName(GetFileNamePart(item.outputPath)) },
            };
            text += u"\n";
            text += ReplacePlaceholders(thumbnail, itemValues);
        }
        text += ReplacePlaceholders(footer, footerValues);

        if (writePage(job.destinationFolder + GalleryPageFileName(page), pageBytes(text)))
            ++written;
        else
            LogError(u"%s: Error while writing HTML file to disk: %s", job.actionName, lastErrorMessage());
    }
    return written;
}
