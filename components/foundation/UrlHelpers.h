#pragma once
// Small stateless helpers on URLs and host names for the HTTP client, the cookie store, the request
// body builder and the MIME code. All of them work on 8-bit text.

#include <string>
#include <string_view>

class DataBuffer;
namespace torvane {
class StringBuffer;
}

// Resolves `relative` against `base` (RFC 3986, section 5). A relative URL that starts with "http:"
// or "https:", or an empty base, gives `relative` unchanged. Spaces, control and non-ASCII bytes
// of the result are written as %XX. False, with `out` emptied, when the base is no absolute URL or
// the result would exceed 1,998 bytes.
bool CombineUrl(const torvane::StringBuffer& base, const torvane::StringBuffer& relative, torvane::StringBuffer& out);

// Appends the bytes encoded for a form: ASCII letters and digits unchanged, space as '+', every
// other byte as '%' and two upper-case hexadecimal digits.
void UrlEncodeBytes(const DataBuffer& in, torvane::StringBuffer& out);
inline void UrlEncodeForm(const DataBuffer& in, torvane::StringBuffer& out) { UrlEncodeBytes(in, out); }
// Appends the decoded bytes: '+' is a space, '%' and two hexadecimal digits a byte; a '%' with
// fewer than two characters after it ends the text; a '%' not followed by two hexadecimal digits
// stays a '%'.
std::string UrlDecode(std::string_view text);
void UrlDecodeBytes(const torvane::StringBuffer& in, DataBuffer& out);
void UrlDecodeInPlace(torvane::StringBuffer& text);

// Splits an http, https, file or ftp URL ('\' read as '/'). The port is 80, or 443 for https,
// unless the URL names one; the path is "/" when the URL has none. The host is lower-cased and
// cut at the first ':', '%', '&', '?', '=' or space. False only for a null URL.
bool SplitUrl(const char* url, torvane::StringBuffer& host, int& port, torvane::StringBuffer& user,
    torvane::StringBuffer& password, torvane::StringBuffer& path, torvane::StringBuffer& query,
    torvane::StringBuffer& fragment);
bool GetUrlHost(const char* url, torvane::StringBuffer& host);
inline bool GetUrlDomain(const char* url, torvane::StringBuffer& host) { return GetUrlHost(url, host); }
void CopyUrlText(const char* url, torvane::StringBuffer& out);

// The domain under which cookies of `host` are filed ("news.site.co.uk" gives "site.co.uk").
// Labels are compared with case.
void GetBaseDomain(const torvane::StringBuffer& host, torvane::StringBuffer& out);
