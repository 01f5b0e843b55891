#pragma once
// String surgery on HTML bodies (not an HTML parser): the html/head/body skeleton, the charset a
// META tag declares, removing META Content-Type tags and inserting a META charset.

#include "components/foundation/StringBuffer.h"

class LogBase;

class HtmlHelp {
public:
    virtual ~HtmlHelp() = default;

    static void EnsureSkeleton(torvane::StringBuffer& html);
    static void InsertMetaCharset(torvane::StringBuffer& html, const char* charsetName);
    // Leaves `out` untouched when no META tag declares a charset.
    static void GetMetaCharset(const char* html, torvane::StringBuffer& out);
    static void GetMetaCharsetOf(const torvane::StringBuffer& html, torvane::StringBuffer& out);
    static void RemoveMetaContentType(torvane::StringBuffer& html);
    static void GetAttributeValue(const char* tag, const char* name, torvane::StringBuffer& out);
    // One tag with single spaces between attributes and every value quoted.
    static void CleanTag(const char* tag, torvane::StringBuffer& out, LogBase* log);
};
