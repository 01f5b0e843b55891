#include "components/mail/mime/MimeField.h"

#include "components/foundation/Charset.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/mail/ContentCoding.h"
#include "components/mail/mime/MimeText.h"
#include "components/mail/mime/Rfc822Address.h"
#include "components/net/Cookie.h"

#include <cstdlib>
#include <string>
#include <strings.h>
#include <vector>

using namespace mimetext;

namespace {

bool IsNoFoldName(string_view name)
{
    return EqualsNoCase(name, "user-agent") || EqualsNoCase(name, "accept") || EqualsNoCase(name, "accept-charset");
}

void DecodeWords(string& value)
{
    torvane::StringBuffer buffer;
    AppendTo(buffer, value);
    ContentCoding coding;
    coding.DecodeWordsToUtf8(buffer);
    value = FromBuffer(buffer);
}

// Decodes the words of a parameter field (Content-Type, Content-Disposition) run by run: a word
// in a quoted value may stand for a quote or a backslash, which stay escaped there so that the
// value still ends where it did.
void DecodeParameterWords(string& value)
{
    string out;
    size_t i = 0;
    while (i < value.size()) {
        size_t open = value.find('"', i);
        string plain = value.substr(i, open == npos ? npos : open - i);
        DecodeWords(plain);
        out += plain;
        if (open == npos)
            break;
        string raw;
        size_t j = open + 1;
        bool closed = false;
        for (; j < value.size(); ++j) {
            if (value[j] == '\\' && j + 1 < value.size()) {
                raw += value[++j];
                continue;
            }
            if (value[j] == '"') {
                closed = true;
                break;
            }
            raw += value[j];
        }
        if (!closed) {
            string rest = value.substr(open);
            DecodeWords(rest);
            out += rest;
            break;
        }
        DecodeWords(raw);
        out += '"';
        for (char c : raw) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
        i = j + 1;
    }
    value = out;
}

void Unfold(string& value)
{
    if (value.find('\n') == npos)
        return;
    ReplaceAll(value, "\r\n\t", "");
    ReplaceAll(value, "\r\n ", "");
}

bool IsGroupB(int cp)
{
    switch (cp) {
    case 932: case 936: case 949: case 950: case 874: case 1361: case 52936: case 1200: case 1201: case 1256:
    case 28596:
        return true;
    default:
        return cp > 50000 && cp < 65000;
    }
}

bool IsIso2022(int cp) { return cp >= 50220 && cp <= 50230; }

// The state of one rendering: the field's name, the target charset and the no-fold mark.
struct Encoder {
    string name;
    int codePage = 0;
    string charsetName;
    bool noFold = false;
    bool base64 = false;

    bool SubjectLike() const { return EqualsNoCase(name, "subject") || EqualsNoCase(name, "Thread-Topic"); }

    void FoldPlain(string_view value, string& out) const
    {
        size_t column = out.size();
        bool commaRule = value.size() > 60 && value.find('@') != npos && value.find(',') != npos;
        bool quoted = false;
        for (char c : value) {
            out += c;
            ++column;
            if (c == '"')
                quoted = !quoted;
            if (noFold || quoted)
                continue;
            if ((c == ';' && column > 20) || (c == ',' && commaRule)) {
                out += "\r\n\t";
                column = 0;
            }
        }
    }

    void EncodeAll(string_view text, string& out) const
    {
        torvane::StringBuffer buffer;
        ContentCoding coding;
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        if (base64)
            coding.AppendBWords(bytes, unsigned(text.size()), charsetName.c_str(), buffer);
        else
            coding.AppendQWords(bytes, unsigned(text.size()), charsetName.c_str(), buffer);
        out += FromBuffer(buffer);
    }

    void EncodeChunk(string_view chunk, string& out) const
    {
        while (!chunk.empty()) {
            bool addressName = EqualsNoCase(name, "to") || EqualsNoCase(name, "from") || EqualsNoCase(name, "cc");
            bool forced = (codePage == 65000 || IsIso2022(codePage))
                && (SubjectLike() || (addressName && chunk.find('<') != npos && Trim(chunk).find(' ') != npos));
            if (EqualsNoCase(name, "received") || EqualsNoCase(name, "content-location")
                || EqualsNoCase(name, "content-transfer-encoding")) {
                out += chunk;
                return;
            }
            if (!Has8Bit(chunk) && !forced) {
                if (out.size() + chunk.size() <= 65)
                    out += chunk;
                else
                    FoldPlain(chunk, out);
                return;
            }
            if (SubjectLike()) {
                EncodeAll(chunk, out);
                return;
            }
            // Address scan: a comma after an '@' ends a bare address, a '<' starts an angle address.
            bool armed = false;
            size_t split = npos;
            bool angle = false;
            for (size_t j = 0; j < chunk.size(); ++j) {
                char c = chunk[j];
                if (c == '@') {
                    armed = true;
                } else if (c == ',' && armed) {
                    split = j;
                    break;
                } else if (c == '<') {
                    if (IsIso2022(codePage) && chunk.find('(', j + 1) != npos)
                        continue;
                    split = j;
                    angle = true;
                    break;
                }
            }
            if (split == npos || (angle && split + 1 == chunk.size())) {
                EncodeAll(chunk, out);
                return;
            }
            size_t itemEnd;
            size_t nameEnd = 0;
            if (angle) {
                size_t close = chunk.find('>', split);
                if (close == npos || chunk.substr(split, close - split).find('@') == npos) {
                    EncodeAll(chunk, out);
                    return;
                }
                itemEnd = close + 1;
                nameEnd = split;
                if (nameEnd > 0 && chunk[nameEnd - 1] == ' ')
                    --nameEnd;
            } else {
                itemEnd = split;
            }
            while (itemEnd < chunk.size() && (chunk[itemEnd] == ' ' || chunk[itemEnd] == ','))
                ++itemEnd;
            string_view display = chunk.substr(0, nameEnd);
            if (display.size() > 2 && display.front() == '"' && display.back() == '"')
                display = display.substr(1, display.size() - 2);
            size_t before = out.size();
            if (!display.empty())
                EncodeAll(display, out);
            if (out.size() - before > 40)
                out += "\r\n\t";
            out += chunk.substr(nameEnd, itemEnd - nameEnd);
            chunk = chunk.substr(itemEnd);
        }
    }

    // A value that needs encoded words is one text (a file name is no address list): its quoted-string
    // escapes are undone first, and the words carry quotes and backslashes as =22 and =5C, so that
    // nothing inside them can end or escape the quoted string around them.
    void EncodeParamValue(const string& value, string& out) const
    {
        if (!Has8Bit(value)) {
            EncodeChunk(value, out);
            return;
        }
        string raw;
        for (size_t k = 0; k < value.size(); ++k) {
            if (value[k] == '\\' && k + 1 < value.size())
                ++k;
            raw += value[k];
        }
        string words;
        EncodeAll(raw, words);
        for (char c : words) {
            if (c == '"')
                out += "=22";
            else if (c == '\\')
                out += "=5C";
            else
                out += c;
        }
    }

    void EncodeParams(string_view s, string& out, string& line, string& piece) const
    {
        size_t i = 0;
        while (i < s.size()) {
            size_t stop = s.find_first_of("=;", i);
            if (stop == npos) {
                piece += s.substr(i);
                return;
            }
            piece += s.substr(i, stop - i);
            char delimiter = s[stop];
            piece += delimiter;
            i = stop + 1;
            if (delimiter == '=') {
                piece += '"';
                size_t end = i;
                bool quoted = false;
                while (end < s.size() && (quoted || s[end] != ';')) {
                    if (s[end] == '"')
                        quoted = !quoted;
                    ++end;
                }
                string value = Trim(s.substr(i, end - i));
                if (!value.empty() && value.front() == '"')
                    value.erase(0, 1);
                if (!value.empty() && value.back() == '"')
                    value.pop_back();
                if (!value.empty())
                    EncodeParamValue(value, piece);
                piece += '"';
                i = end;
                if (i >= s.size())
                    return;
                piece += ';';
                ++i;
            }
            if (i >= s.size())
                return;
            if (line.size() + piece.size() < 65) {
                line += piece;
            } else {
                if (!out.empty())
                    out += "\r\n\t";
                out += line;
                line = piece;
            }
            piece.clear();
        }
    }

    static void Commit(string& out, const string& line)
    {
        if (!out.empty()) {
            out = Trim(out);
            out += "\r\n\t";
        }
        out += line;
    }

    void EncodeWithParams(string_view s, string& out) const
    {
        string line = out;
        out.clear();
        size_t semicolon = s.find(';');
        bool whole = semicolon == npos || SubjectLike()
            || (IsIso2022(codePage) && (s.find("(B") != npos || s.find("$)") != npos));
        if (whole) {
            EncodeChunk(s, line);
            out += line;
            return;
        }
        if (semicolon > 0)
            EncodeChunk(s.substr(0, semicolon), line);
        line += ';';
        if (semicolon + 1 == s.size()) {
            out += line;
            return;
        }
        if (line.size() > 34) {
            out += line;
            line.clear();
        }
        string piece;
        EncodeParams(s.substr(semicolon + 1), out, line, piece);
        if (line.size() + piece.size() < 65) {
            line += piece;
        } else {
            Commit(out, line);
            line = piece;
        }
        if (!line.empty())
            Commit(out, line);
    }

    void EncodeValue(const string& value, string& out)
    {
        if (!IsGroupB(codePage)) {
            if (!Has8Bit(value) || codePage == 20127) {
                FoldPlain(value, out);
                return;
            }
            base64 = false;
            bool ok = false;
            if (!IsValidUtf8(value)) {
                // Bytes that are not UTF-8 (an undecodable word) would be dropped by any conversion.
                charsetName = "utf-8";
                EncodeWithParams(value, out);
                return;
            }
            string converted = codePage == 0 ? value : Convert(65001, codePage, value, &ok);
            if (codePage == 0 || charsetName.empty()) {
                // Without a charset the UTF-8 text is labelled as what it is.
                charsetName = "utf-8";
                ok = true;
                converted = value;
            }
            if (!ok) {
                // Characters the charset cannot hold travel as UTF-8 words: nothing is lost.
                charsetName = "utf-8";
                converted = value;
            }
            EncodeWithParams(converted, out);
            return;
        }
        if (codePage == 50225 && !Has8Bit(value)) {
            out += value;
            return;
        }
        base64 = true;
        string bytes = value;
        if (codePage == 1200 || codePage == 1201 || !IsValidUtf8(value)) {
            charsetName = "utf-8";
        } else {
            bool ok = false;
            string converted = Convert(65001, codePage, value, &ok);
            if (ok && !charsetName.empty())
                bytes = converted;
            else
                charsetName = "utf-8";
        }
        EncodeWithParams(bytes, out);
    }
};

} // namespace

MimeField* MimeField::Clone() const
{
    auto* copy = new MimeField();
    copy->m_name.AppendBuffer(m_name);
    copy->m_value.AppendBuffer(m_value);
    return copy;
}

bool MimeField::NameEquals(const char* name) const
{
    return name && EqualsNoCase(FromBuffer(m_name), name);
}

void MimeField::SetValue(const char* text)
{
    m_value.Clear();
    m_value.Append(text);
}

void MimeField::SetNameValue(const char* name, const char* value)
{
    m_name.Clear();
    m_name.Append(name);
    string text = Text(value);
    if (ContainsNoCase(text, "?Q?"))
        DecodeWords(text);
    if (ContainsNoCase(text, "?B?"))
        DecodeWords(text);
    Unfold(text);
    SetBuffer(m_value, text);
    m_noFold = IsNoFoldName(Text(name));
}

bool MimeField::ParseLine(const torvane::StringBuffer& line)
{
    m_name.Clear();
    m_value.Clear();
    string text = FromBuffer(line);
    size_t colon = text.find(':');
    if (colon == npos)
        return false;
    string name = Trim(text.substr(0, colon));
    for (char& c : name)
        if (c == ' ' || c == '<' || c == '>' || c == '"' || c == '\'')
            c = '-';
    string value = Trim(text.substr(colon + 1));
    if (ContainsNoCase(value, "?Q?") || ContainsNoCase(value, "?B?")) {
        ContentCoding coding;
        if (EqualsNoCase(name, "to") || EqualsNoCase(name, "cc") || EqualsNoCase(name, "from")) {
            torvane::StringBuffer buffer;
            AppendTo(buffer, value);
            bool marked = false;
            coding.DecodeWordsMarkCommas(buffer, &marked);
            value = FromBuffer(buffer);
            if (marked) {
                ExtPtrArray list;
                Rfc822Address::ParseList(value.c_str(), list, false, nullptr);
                string rebuilt;
                for (int i = 0; i < list.GetCount(); ++i) {
                    auto* address = list.GetAtAs<Rfc822Address>(i);
                    if (i > 0)
                        rebuilt += ',';
                    torvane::StringBuffer decoded;
                    address->GetNameDecoded(decoded);
                    string display = FromBuffer(decoded);
                    ReplaceAll(display, "_COMMA_", ",");
                    if (!display.empty()) {
                        if (display.find(',') != npos || display.find(' ') != npos)
                            rebuilt += '"' + display + '"';
                        else
                            rebuilt += display;
                    }
                    rebuilt += " <" + FromBuffer(address->Address()) + ">";
                }
                list.DeleteAll();
                value = rebuilt;
            }
        } else if (EqualsNoCase(name, "content-type") || EqualsNoCase(name, "content-disposition")) {
            DecodeParameterWords(value);
        } else {
            DecodeWords(value);
        }
    }
    Unfold(value);
    SetBuffer(m_name, name);
    SetBuffer(m_value, value);
    m_noFold = EqualsNoCase(name, "user-agent");
    return true;
}

void MimeField::Render(torvane::StringBuffer& out, const Charset& charset) const
{
    // Breaks and NULs that are not folding would end the header line early or inject a field.
    string value = FromBuffer(m_value);
    if (value.find_first_of(string_view("\r\n\0", 3)) != npos) {
        ReplaceAll(value, "\r\n\t", "");
        ReplaceAll(value, "\r\n ", "");
        for (char& c : value)
            if (c == '\r' || c == '\n' || c == '\0')
                c = ' ';
    }
    Encoder encoder;
    encoder.name = FromBuffer(m_name);
    for (char& c : encoder.name)
        if (c == '\r' || c == '\n' || c == '\0' || c == ':')
            c = '-';
    encoder.codePage = charset.GetCodePage();
    encoder.charsetName = Text(charset.GetName());
    encoder.noFold = m_noFold;
    string text = encoder.name + ": ";
    encoder.EncodeValue(value, text);
    AppendTo(out, Trim(text));
}

namespace {

// The pieces of a cookie value between ';', double-quoted runs kept whole and a backslash taking
// the next byte with it.
std::vector<std::string> CookiePieces(const char* text, int length)
{
    std::vector<std::string> pieces(1);
    bool quoted = false;
    for (int i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < length) {
            pieces.back() += c;
            pieces.back() += text[++i];
        } else if (c == '"') {
            quoted = !quoted;
            pieces.back() += c;
        } else if (c == ';' && !quoted) {
            pieces.emplace_back();
        } else {
            pieces.back() += c;
        }
    }
    return pieces;
}

std::string TrimmedPiece(const std::string& s)
{
    const char* blanks = " \t\r\n";
    size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// Attributes that tell a browser how to guard the cookie; stored as pairs they would go back to
// the server as cookies of those names.
bool IsBrowserAttribute(const std::string& name)
{
    for (const char* attribute : { "HttpOnly", "SameSite", "Priority", "Partitioned" })
        if (strcasecmp(name.c_str(), attribute) == 0)
            return true;
    return false;
}

} // namespace

void MimeField::ParseSetCookie(Cookie& cookie) const
{
    int version = cookie.version;
    cookie.Clear();
    cookie.version = version;
    for (const std::string& raw : CookiePieces(m_value.GetText(), m_value.GetLength())) {
        std::string piece = TrimmedPiece(raw);
        if (piece.empty())
            continue;
        size_t eq = piece.find('=');
        if (eq == std::string::npos) {
            if (strcasecmp(piece.c_str(), "secure") == 0)
                cookie.secure = true;
            else if (strcasecmp(piece.c_str(), "discard") == 0)
                cookie.discard = true;
            else if (!IsBrowserAttribute(piece))
                cookie.SetPair(piece, "");
            continue;
        }
        std::string name = TrimmedPiece(piece.substr(0, eq));
        std::string value = TrimmedPiece(piece.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        const char* n = name.c_str();
        if (strcasecmp(n, "domain") == 0) {
            cookie.domain = value;
        } else if (strcasecmp(n, "path") == 0) {
            cookie.path = value;
        } else if (strcasecmp(n, "expires") == 0) {
            cookie.expire = value;
        } else if (strcasecmp(n, "port") == 0 || strcasecmp(n, "comment") == 0 || strcasecmp(n, "commentUrl") == 0) {
        } else if (strcasecmp(n, "version") == 0) {
            if (value == "0" || value == "1")
                cookie.version = value[0] - '0';
        } else if (strcasecmp(n, "max-age") == 0) {
            cookie.maxAge = std::atoi(value.c_str());
            cookie.maxAgeSet = true;
        } else if (!name.empty() && !IsBrowserAttribute(name)) {
            cookie.SetPair(name, value);
        }
    }
}
