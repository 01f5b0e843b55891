// Moving XML documents between files and the tree's UTF-8 text.

#include "components/foundation/XmlParser.h"

#include "components/foundation/CharsetNames.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingConvert.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/ParseEngine.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TreeNode.h"
#include "platform/base/FileAtomicWriter.h"
#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr int kCodePageUtf16LE = 1200;
constexpr int kCodePageUtf16BE = 1201;
constexpr int kCodePageUtf8 = 65001;

bool StartsWith(const DataBuffer& bytes, const unsigned char* mark, unsigned n)
{
    return bytes.GetSize() >= n && std::memcmp(bytes.GetData(), mark, n) == 0;
}

// The first occurrence of the ASCII text (letters without case) in the bytes, or npos.
size_t FindNoCase(const std::string_view bytes, const char* text, size_t from)
{
    size_t n = std::strlen(text);
    for (size_t i = from; i + n <= bytes.size(); ++i) {
        size_t j = 0;
        while (j < n && AsciiToUpper(bytes[i + j]) == AsciiToUpper(text[j]))
            ++j;
        if (j == n)
            return i;
    }
    return std::string_view::npos;
}

// The encoding named in the XML declaration at the start of the bytes, or "".
std::string DeclaredEncoding(const DataBuffer& bytes)
{
    std::string_view all(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetSize());
    size_t start = FindNoCase(all, "<?xml", 0);
    if (start == std::string_view::npos)
        return "";
    size_t end = all.find('>', start);
    if (end == std::string_view::npos)
        return "";
    std::string declaration;
    for (char c : all.substr(start, end - start)) {
        if (c != ' ')
            declaration += AsciiToLower(c);
    }
    for (char quote : { '"', '\'' }) {
        std::string key = std::string("encoding=") + quote;
        size_t at = declaration.find(key);
        if (at == std::string::npos)
            continue;
        size_t valueStart = at + key.size();
        size_t valueEnd = declaration.find(quote, valueStart);
        if (valueEnd == std::string::npos)
            return declaration.substr(valueStart);
        return declaration.substr(valueStart, valueEnd - valueStart);
    }
    return "";
}

// Encodings of two or four bytes per unit cannot be right for bytes in which the declaration was
// readable as single bytes; such files are taken as UTF-8.
bool IsWideEncoding(int codePage)
{
    return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001 || codePage == 65005
        || codePage == 65006;
}

void ConvertInPlace(DataBuffer& bytes, int fromCodePage, unsigned skip)
{
    DataBuffer converted;
    EncodingConvert converter;
    converter.Convert(fromCodePage, kCodePageUtf8, bytes.GetData() + skip, bytes.GetSize() - skip, converted);
    bytes.TakeOver(converted);
}

bool EqualsNoCase(const torvane::StringBuffer& text, const char* other) { return text.EqualsNoCase(other); }

void LogSystemError(LogBase& log, const char* message, const char* path, DWORD error)
{
    torvane::StringBuffer systemText;
    systemText.AppendSystemErrorText(error);
    log.LogError(message);
    log.LogData("filename", path);
    if (systemText.GetLength() > 0)
        log.LogData("osErrorInfo", systemText.GetText());
}

bool WriteFileReplacing(const char* path, const DataBuffer& bytes, LogBase& log)
{
    std::unique_ptr<FileAtomicWriter> writer = FileAtomicWriter::Create(std::string_view(path));
    if (!writer) {
        LogSystemError(log, "Failed to create file", path, GetLastError());
        return false;
    }
    if (!writer->Write(bytes.GetData(), bytes.GetSize()) || !writer->Commit()) {
        DWORD error = GetLastError();
        writer->Discard();
        LogSystemError(log, "Failed to write file", path, error);
        return false;
    }
    return true;
}

} // namespace

bool DecodeXmlBytes(DataBuffer& bytes, LogBase* log)
{
    (void)log;
    if (bytes.GetSize() == 0)
        return false;
    static const unsigned char kUtf16LE[] = { 0xFF, 0xFE };
    static const unsigned char kUtf16BE[] = { 0xFE, 0xFF };
    static const unsigned char kUtf8[] = { 0xEF, 0xBB, 0xBF };
    if (StartsWith(bytes, kUtf16LE, 2)) {
        ConvertInPlace(bytes, kCodePageUtf16LE, 2);
        return true;
    }
    if (StartsWith(bytes, kUtf16BE, 2)) {
        ConvertInPlace(bytes, kCodePageUtf16BE, 2);
        return true;
    }
    if (StartsWith(bytes, kUtf8, 3)) {
        bytes.RemoveFront(3);
        return true;
    }
    std::string charset = DeclaredEncoding(bytes);
    if (charset.empty() || !IsKnownCharsetName(charset.c_str()))
        return true;
    int codePage = CodePageFromCharsetName(charset.c_str());
    if (codePage == kCodePageUtf8 || IsWideEncoding(codePage))
        return true;
    ConvertInPlace(bytes, codePage, 0);
    return true;
}

bool LoadXmlFileToTree(const char* utf8Path, LogBase* log, ProgressMonitor* monitor, TreeNode** out, bool trim)
{
    if (out)
        *out = nullptr;
    DataBuffer bytes;
    if (!bytes.LoadFile(utf8Path, log))
        return false;
    if (!DecodeXmlBytes(bytes, log))
        return false;
    ParseEngine engine;
    engine.ConstructFromData(bytes);
    bytes.Release();
    if (!ParseXml(engine, log, monitor, out, trim))
        return false;
    TreeNode* top = *out;
    torvane::StringBuffer encoding;
    if (top && top->GetDeclaredEncoding(encoding)
        && (EqualsNoCase(encoding, "utf-16") || EqualsNoCase(encoding, "ucs-2") || EqualsNoCase(encoding, "unicode")))
        top->SetDeclaredEncoding("utf-8");
    return true;
}

bool SaveXmlTreeToFile(TreeNode* element, const char* utf8Path, LogBase& log)
{
    if (!element || !element->IsAlive())
        return false;
    torvane::StringBuffer path(utf8Path ? utf8Path : "");
    path.Trim();
    if (path.GetLength() == 0) {
        log.LogError("No file name given");
        return false;
    }

    torvane::StringBuffer encoding;
    if (!element->GetDeclaredEncoding(encoding)) {
        element->SetDeclaredEncoding("utf-8");
        encoding.SetText("utf-8");
    }
    torvane::StringBuffer text;
    if (!element->WriteXml(text, 0, 0)) {
        log.LogError("Out of memory while writing the XML text");
        return false;
    }

    DataBuffer bytes;
    if (encoding.EqualsNoCase("utf-8")) {
        bytes.Append(text.GetText(), unsigned(text.GetLength()));
    } else {
        // A charset that cannot be written must never leave an empty or half-converted file.
        if (!IsKnownCharsetName(encoding.GetText())) {
            log.LogError("The declared encoding is not a known charset");
            log.LogData("encoding", encoding.GetText());
            return false;
        }
        EncodingConvert converter;
        bool exact = converter.ConvertToNamedCharset(kCodePageUtf8, encoding.GetText(),
            reinterpret_cast<const unsigned char*>(text.GetText()), unsigned(text.GetLength()), bytes);
        if (bytes.GetSize() == 0) {
            log.LogError("Failed to convert the XML text to the declared encoding");
            log.LogData("encoding", encoding.GetText());
            return false;
        }
        if (!exact) {
            log.LogInfo("Characters without a form in the declared encoding were dropped");
            log.LogData("encoding", encoding.GetText());
        }
    }
    return WriteFileReplacing(path.GetText(), bytes, log);
}
