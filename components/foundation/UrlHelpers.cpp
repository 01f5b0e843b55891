#include "components/foundation/TextTrim.h"
#include "components/foundation/UrlHelpers.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/HexDigits.h"
#include "components/foundation/StringBuffer.h"
#include "platform/base/TextCase.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The longest combined URL, as the 1,999-byte result area of the platform's combiner allowed.
constexpr std::size_t kMaxCombinedLength = 1998;

struct UrlParts {
    std::string scheme;
    bool hasAuthority = false;
    std::string authority;
    std::string path;
    bool hasQuery = false;
    std::string query;
    bool hasFragment = false;
    std::string fragment;
};

bool IsSchemeChar(char c, bool first)
{
    if (AsciiIsAlpha(c))
        return true;
    return !first && (AsciiIsDigit(c) || c == '+' || c == '-' || c == '.');
}

UrlParts ParseReference(std::string_view text)
{
    UrlParts parts;
    std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon > 0) {
        bool scheme = true;
        for (std::size_t i = 0; i < colon; ++i)
            scheme = scheme && IsSchemeChar(text[i], i == 0);
        if (scheme) {
            parts.scheme = std::string(text.substr(0, colon));
            text.remove_prefix(colon + 1);
        }
    }
    std::size_t hash = text.find('#');
    if (hash != std::string_view::npos) {
        parts.hasFragment = true;
        parts.fragment = std::string(text.substr(hash + 1));
        text = text.substr(0, hash);
    }
    std::size_t question = text.find('?');
    if (question != std::string_view::npos) {
        parts.hasQuery = true;
        parts.query = std::string(text.substr(question + 1));
        text = text.substr(0, question);
    }
    if (text.substr(0, 2) == "//") {
        text.remove_prefix(2);
        std::size_t slash = text.find('/');
        parts.hasAuthority = true;
        parts.authority = std::string(text.substr(0, slash));
        text = slash == std::string_view::npos ? std::string_view() : text.substr(slash);
    }
    parts.path = std::string(text);
    return parts;
}

std::string RemoveDotSegments(std::string input)
{
    std::string output;
    while (!input.empty()) {
        if (input.compare(0, 3, "../") == 0) {
            input.erase(0, 3);
        } else if (input.compare(0, 2, "./") == 0) {
            input.erase(0, 2);
        } else if (input.compare(0, 3, "/./") == 0) {
            input.erase(0, 2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.compare(0, 4, "/../") == 0 || input == "/..") {
            input = input.size() == 3 ? std::string("/") : input.substr(3);
            std::size_t last = output.rfind('/');
            output.erase(last == std::string::npos ? 0 : last);
        } else if (input == "." || input == "..") {
            input.clear();
        } else {
            std::size_t next = input.find('/', input[0] == '/' ? 1 : 0);
            output += input.substr(0, next);
            input.erase(0, next == std::string::npos ? input.size() : next);
        }
    }
    return output;
}

std::string Merge(const UrlParts& base, const std::string& relativePath)
{
    if (base.hasAuthority && base.path.empty())
        return "/" + relativePath;
    std::size_t last = base.path.rfind('/');
    return last == std::string::npos ? relativePath : base.path.substr(0, last + 1) + relativePath;
}

std::string Recompose(const UrlParts& parts)
{
    std::string text = parts.scheme + ":";
    if (parts.hasAuthority)
        text += "//" + parts.authority;
    text += parts.path;
    if (parts.hasQuery)
        text += "?" + parts.query;
    if (parts.hasFragment)
        text += "#" + parts.fragment;
    return text;
}

std::string EscapeUnsafeBytes(const std::string& text)
{
    std::string escaped;
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F) {
            escaped += '%';
            escaped += kUpperHexDigits[c >> 4];
            escaped += kUpperHexDigits[c & 15];
        } else {
            escaped += char(c);
        }
    }
    return escaped;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

void SetText(torvane::StringBuffer& out, const std::string& text)
{
    out.Clear();
    out.AppendBytes(text.data(), int(text.size()));
}

// Trimmed, cut at the first ':', '%', '&', '?', '=' or space, trimmed again.
std::string CleanHost(const std::string& host)
{
    std::string cleaned = TrimWhitespace(host);
    cleaned = cleaned.substr(0, cleaned.find_first_of(":%&?= "));
    return TrimWhitespace(cleaned);
}

bool IsOneOf(const std::string& label, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        if (label == name)
            return true;
    }
    return false;
}

bool IsTwoLetters(const std::string& label)
{
    return label.size() == 2 && AsciiIsAlpha(label[0]) && AsciiIsAlpha(label[1]);
}

} // namespace

bool CombineUrl(const torvane::StringBuffer& base, const torvane::StringBuffer& relative, torvane::StringBuffer& out)
{
    std::string_view relativeText(relative.GetText(), std::size_t(relative.GetLength()));
    if (base.GetLength() == 0 || StartsWithNoCase(relativeText, "http:") || StartsWithNoCase(relativeText, "https:")) {
        SetText(out, std::string(relativeText));
        return true;
    }
    UrlParts baseParts = ParseReference(std::string_view(base.GetText(), std::size_t(base.GetLength())));
    if (baseParts.scheme.empty()) {
        out.Clear();
        return false;
    }
    UrlParts reference = ParseReference(relativeText);
    UrlParts target;
    if (!reference.scheme.empty()) {
        target = reference;
        target.path = RemoveDotSegments(reference.path);
    } else {
        if (reference.hasAuthority) {
            target.hasAuthority = true;
            target.authority = reference.authority;
            target.path = RemoveDotSegments(reference.path);
            target.hasQuery = reference.hasQuery;
            target.query = reference.query;
        } else {
            if (reference.path.empty()) {
                target.path = baseParts.path;
                target.hasQuery = reference.hasQuery || baseParts.hasQuery;
                target.query = reference.hasQuery ? reference.query : baseParts.query;
            } else {
                target.path = RemoveDotSegments(reference.path[0] == '/' ? reference.path : Merge(baseParts, reference.path));
                target.hasQuery = reference.hasQuery;
                target.query = reference.query;
            }
            target.hasAuthority = baseParts.hasAuthority;
            target.authority = baseParts.authority;
        }
        target.scheme = baseParts.scheme;
        target.hasFragment = reference.hasFragment;
        target.fragment = reference.fragment;
    }
    std::string combined = EscapeUnsafeBytes(Recompose(target));
    if (combined.size() > kMaxCombinedLength) {
        out.Clear();
        return false;
    }
    SetText(out, combined);
    return true;
}

void UrlEncodeBytes(const DataBuffer& in, torvane::StringBuffer& out)
{
    const unsigned char* bytes = in.GetData();
    std::string encoded;
    for (unsigned i = 0; i < in.GetSize(); ++i) {
        unsigned char b = bytes[i];
        if (AsciiIsAlnum(char(b))) {
            encoded += char(b);
        } else if (b == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kUpperHexDigits[b >> 4];
            encoded += kUpperHexDigits[b & 15];
        }
    }
    out.AppendBytes(encoded.data(), int(encoded.size()));
}

std::string UrlDecode(std::string_view text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            decoded += ' ';
            continue;
        }
        if (c != '%') {
            decoded += c;
            continue;
        }
        if (text.size() - i - 1 < 2)
            break;
        int high = HexDigitValue(text[i + 1]);
        int low = HexDigitValue(text[i + 2]);
        if (high < 0 || low < 0) {
            decoded += '%';
            continue;
        }
        decoded += char(high * 16 + low);
        i += 2;
    }
    return decoded;
}

void UrlDecodeBytes(const torvane::StringBuffer& in, DataBuffer& out)
{
    std::string decoded = UrlDecode(std::string_view(in.GetText(), std::size_t(in.GetLength())));
    out.Append(decoded.data(), unsigned(decoded.size()));
}

void UrlDecodeInPlace(torvane::StringBuffer& text)
{
    DataBuffer decoded;
    UrlDecodeBytes(text, decoded);
    text.Clear();
    text.AppendBytes(decoded.GetData(), int(decoded.GetSize()));
}

bool SplitUrl(const char* url, torvane::StringBuffer& host, int& port, torvane::StringBuffer& user,
    torvane::StringBuffer& password, torvane::StringBuffer& path, torvane::StringBuffer& query,
    torvane::StringBuffer& fragment)
{
    host.Clear();
    user.Clear();
    password.Clear();
    path.Clear();
    query.Clear();
    fragment.Clear();
    port = 80;
    if (!url)
        return false;

    std::string rest(url);
    for (char& c : rest) {
        if (c == '\\')
            c = '/';
    }
    if (StartsWithNoCase(rest, "http://")) {
        rest.erase(0, 7);
    } else if (StartsWithNoCase(rest, "https://")) {
        rest.erase(0, 8);
        port = 443;
    } else if (StartsWithNoCase(rest, "file:///")) {
        rest.erase(0, 8);
    } else if (StartsWithNoCase(rest, "ftp://")) {
        rest.erase(0, 6);
    }

    // User information must come before the path: an '@' inside the path or the query is data.
    std::size_t at = rest.find('@');
    std::size_t firstSlash = rest.find('/');
    std::size_t firstQuestion = rest.find('?');
    if (at != std::string::npos && firstSlash != std::string::npos && at < firstSlash
        && (firstQuestion == std::string::npos || firstQuestion > at)) {
        std::string userInfo = rest.substr(0, at);
        rest.erase(0, at + 1);
        std::size_t colon = userInfo.find(':');
        if (colon != std::string::npos) {
            SetText(user, userInfo.substr(0, colon));
            SetText(password, userInfo.substr(colon + 1));
        }
    }

    std::size_t colon = rest.find(':');
    std::size_t slash = rest.find('/');
    std::size_t question = rest.find('?');
    bool driveLetter = colon == 1;
    bool portSeparator = colon != std::string::npos && !driveLetter && !(slash != std::string::npos && slash < colon);
    std::string hostText;
    if (portSeparator) {
        hostText = rest.substr(0, colon);
        int number = 0;
        if (std::sscanf(rest.c_str() + colon + 1, "%d", &number) == 1)
            port = number;
    } else if (!driveLetter) {
        std::size_t end = slash != std::string::npos ? slash : question;
        hostText = rest.substr(0, end);
    }

    std::string pathText;
    std::string queryText;
    std::string fragmentText;
    bool hasQuery = false;
    if (slash == std::string::npos) {
        pathText = "/";
        if (question != std::string::npos) {
            queryText = rest.substr(question + 1);
            hasQuery = true;
        }
    } else {
        std::size_t pathQuestion = rest.find('?', slash);
        pathText = rest.substr(slash, pathQuestion == std::string::npos ? std::string::npos : pathQuestion - slash);
        if (pathQuestion != std::string::npos) {
            queryText = rest.substr(pathQuestion + 1);
            hasQuery = true;
        }
    }
    std::string& withFragment = hasQuery ? queryText : pathText;
    std::size_t hash = withFragment.rfind('#');
    if (hash != std::string::npos) {
        fragmentText = withFragment.substr(hash + 1);
        withFragment.erase(hash);
    }

    SetText(host, CleanHost(AsciiLowerCopy(hostText)));
    SetText(path, TrimWhitespace(pathText));
    SetText(query, queryText);
    SetText(fragment, fragmentText);
    return true;
}

bool GetUrlHost(const char* url, torvane::StringBuffer& host)
{
    torvane::StringBuffer user, password, path, query, fragment;
    int port = 0;
    return SplitUrl(url, host, port, user, password, path, query, fragment);
}

void CopyUrlText(const char* url, torvane::StringBuffer& out)
{
    out.Clear();
    if (url)
        out.Append(url);
}

void GetBaseDomain(const torvane::StringBuffer& host, torvane::StringBuffer& out)
{
    out.Clear();
    std::string cleaned = CleanHost(std::string(host.GetText(), std::size_t(host.GetLength())));
    std::vector<std::string> labels;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = cleaned.find('.', start);
        labels.push_back(cleaned.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    if (cleaned.find('.') == std::string::npos || labels.size() < 2) {
        SetText(out, cleaned);
        return;
    }
    std::size_t n = labels.size();
    const std::string& l1 = labels[n - 1];
    const std::string& l2 = labels[n - 2];
    std::string l3 = n >= 3 ? labels[n - 3] : std::string();
    std::string lastTwo = l2 + "." + l1;
    std::string lastThree = l3 + "." + lastTwo;

    if (n == 2 || IsOneOf(l1, { "com", "org", "edu", "net", "mil", "biz", "info", "coop", "name", "aero", "museum" })) {
        bool hostedBlog = n == 3 && IsOneOf(l1, { "com", "net" })
            && IsOneOf(l2, { "blogspot", "typepad", "blogs", "weblogs", "tripod", "f2s", "geocities", "wordpress",
                "lockergnome" });
        SetText(out, hostedBlog ? lastThree : lastTwo);
        return;
    }
    if (l1 == "us") {
        if (IsTwoLetters(l2) || l2 == "dni" || l2 == "fed") {
            std::string withoutWww = cleaned;
            std::size_t www = withoutWww.find("www.");
            if (www != std::string::npos)
                withoutWww.erase(www, 4);
            SetText(out, withoutWww);
        } else {
            SetText(out, lastTwo);
        }
        return;
    }
    bool secondLevel = IsOneOf(l2, { "co", "com", "edu", "org", "net" }) || (l2 == "gov" && IsTwoLetters(l1));
    SetText(out, secondLevel && !l3.empty() ? lastThree : lastTwo);
}
