#include "components/mail/mime/Uu.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/mail/mime/MimeText.h"

#include <string>
#include <string_view>

namespace {

using namespace mimetext;

struct LineReader {
    string_view text;
    size_t pos = 0;
    bool AtEnd() const { return pos >= text.size(); }
    // The next line without its LF and without any CR byte.
    string Next()
    {
        size_t end = text.find('\n', pos);
        size_t stop = end == npos ? text.size() : end;
        string line;
        line.reserve(stop - pos);
        for (size_t i = pos; i < stop; ++i)
            if (text[i] != '\r')
                line += text[i];
        pos = end == npos ? text.size() : end + 1;
        return line;
    }
};

bool IsBlankByte(char c) { return c == ' ' || c == '\t'; }

// "begin", an octal mode and a name; the name runs to the end of the line and may hold blanks.
bool ParseBeginLine(const string& line, string& name)
{
    size_t i = 5;
    if (i >= line.size() || !IsBlankByte(line[i]))
        return false;
    while (i < line.size() && IsBlankByte(line[i]))
        ++i;
    size_t modeStart = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '7')
        ++i;
    if (i == modeStart || i >= line.size() || !IsBlankByte(line[i]))
        return false;
    while (i < line.size() && IsBlankByte(line[i]))
        ++i;
    if (i >= line.size())
        return false;
    name = line.substr(i);
    return true;
}

int SixBits(unsigned char c) { return (c - 32) & 63; }

// Decodes data lines until a zero count, the end of the text or (when asked) a line starting "end".
// A line shorter than its count runs on into the following bytes; nothing past the text is read.
void DecodeLines(LineReader& reader, DataBuffer& out, bool stopAtEnd)
{
    while (!reader.AtEnd()) {
        size_t lineStart = reader.pos;
        string line = reader.Next();
        if (stopAtEnd && Begins(line, "end"))
            return;
        if (line.empty())
            continue;
        int count = SixBits(static_cast<unsigned char>(line[0]));
        if (count == 0)
            return;
        // Characters of the data: the rest of this line, then following bytes when it is short.
        string_view rest = reader.text.substr(lineStart + 1);
        size_t lineLength = line.size() - 1;
        std::string chars = line.substr(1);
        size_t needed = size_t((count + 2) / 3) * 4;
        if (chars.size() < needed) {
            // Run on into the following bytes (line ends skipped), never past the text.
            size_t j = lineLength;
            for (; j < rest.size() && chars.size() < needed; ++j) {
                if (rest[j] == '\r' || rest[j] == '\n')
                    continue;
                chars += rest[j];
            }
        }
        for (size_t g = 0; g + 4 <= chars.size() && count > 0; g += 4) {
            int a = SixBits(chars[g]), b = SixBits(chars[g + 1]), c = SixBits(chars[g + 2]), d = SixBits(chars[g + 3]);
            unsigned char bytes[3] = { static_cast<unsigned char>(a * 4 + b / 16),
                static_cast<unsigned char>((b & 15) * 16 + c / 4), static_cast<unsigned char>((c & 3) * 64 + d) };
            int take = count < 3 ? count : 3;
            out.Append(bytes, unsigned(take));
            count -= 3;
        }
    }
}

bool DecodeFrom(string_view text, DataBuffer& out, string& name, bool stopAtEnd)
{
    LineReader reader { text, 0 };
    while (!reader.AtEnd()) {
        string line = reader.Next();
        if (!BeginsNoCase(line, "begin "))
            continue;
        if (!ParseBeginLine(line, name))
            return false;
        DecodeLines(reader, out, stopAtEnd);
        return true;
    }
    return false;
}

} // namespace

bool Uu::Decode(const torvane::StringBuffer& text, DataBuffer& out)
{
    string name;
    if (!DecodeFrom(string_view(text.GetText(), size_t(text.GetLength())), out, name, false))
        return false;
    SetBuffer(m_fileName, name);
    return true;
}

int Uu::DecodeAll(const torvane::StringBuffer& text, std::vector<std::unique_ptr<DataBuffer>>& outputs,
    ExtPtrArray& names)
{
    string_view all(text.GetText(), size_t(text.GetLength()));
    int count = 0;
    // A file's data never holds "begin " (lower-case letters are outside the alphabet), so each
    // candidate is decoded only up to the next one: the work stays linear in the text.
    for (size_t at = all.find("begin "); at != npos;) {
        size_t next = all.find("begin ", at + 1);
        string_view candidate = all.substr(at, next == npos ? npos : next - at);
        at = next;
        auto data = std::make_unique<DataBuffer>();
        string name;
        if (!DecodeFrom(candidate, *data, name, true))
            continue;
        outputs.push_back(std::move(data));
        auto* nameBuffer = new torvane::StringBuffer();
        SetBuffer(*nameBuffer, name);
        names.Append(nameBuffer);
        SetBuffer(m_fileName, name);
        ++count;
    }
    return count;
}
