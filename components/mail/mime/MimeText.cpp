#include "components/mail/mime/MimeText.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingConvert.h"

namespace mimetext {

string Convert(int fromCodePage, int toCodePage, string_view bytes, bool* ok)
{
    DataBuffer out;
    EncodingConvert converter;
    bool success = true;
    if (!bytes.empty())
        success = converter.Convert(fromCodePage, toCodePage, reinterpret_cast<const unsigned char*>(bytes.data()),
            unsigned(bytes.size()), out);
    string converted(reinterpret_cast<const char*>(out.GetData()), out.GetSize());
    // Some legacy encoders substitute instead of failing (the Arabic pages write Arabic-Indic digits
    // as ASCII ones): UTF-8 text survived only when it reads back the same.
    if (ok && success && fromCodePage == 65001 && toCodePage != 65001 && toCodePage != 0 && !bytes.empty()) {
        DataBuffer back;
        success = converter.Convert(toCodePage, 65001, reinterpret_cast<const unsigned char*>(converted.data()),
                      unsigned(converted.size()), back)
            && string_view(reinterpret_cast<const char*>(back.GetData()), back.GetSize()) == bytes;
    }
    if (ok)
        *ok = success;
    return converted;
}

string NormalizeToCrlf(string_view text)
{
    string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

std::vector<string> SplitQuoted(string_view text, char separator)
{
    std::vector<string> pieces;
    string current;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            current += c;
            current += text[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (c == separator && !quoted) {
            pieces.push_back(std::move(current));
            current.clear();
            continue;
        }
        current += c;
    }
    pieces.push_back(std::move(current));
    return pieces;
}

} // namespace mimetext
