// Gallery templates: a theme folder may come from anywhere. A template is read, its placeholders
// filled and the page written; every link the pages make of a file name stays a plain link.
#include "fuzz/FuzzTemp.h"
#include "platform/base/Unicode.h"
#include "postprocess/GalleryPages.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzTempFile("templ.thumbnail.html", data, size);
    const std::u16string text = ReadTemplateFile(Utf8ToUtf16(path));
    const std::u16string name = Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), size));

    // Values that bring placeholders of their own: only later keys may chain.
    PlaceholderMap values {
        { u"image_link", u"images/" + EncodeLinkName(name) },
        { u"image_name", EscapeHtml(name) },
        { u"thumb_link", u"%%image_name%%" + name },
    };
    ReplacePlaceholders(text, values);
    ReplacePlaceholders(name, values);

    for (char16_t c : EncodeLinkName(name)) {
        bool plain = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-'
            || c == u'.' || c == u'_' || c == u'~' || c == u'%';
        if (!plain) {
            std::fprintf(stderr, "invariant: an encoded link holds U+%04X\n", unsigned(c));
            std::abort();
        }
    }
    for (char16_t c : EscapeHtml(name)) {
        if (c == u'<' || c == u'>' || c == u'"' || c == u'\'') {
            std::fprintf(stderr, "invariant: escaped text holds '%c'\n", char(c));
            std::abort();
        }
    }
    const int pages = size ? data[0] % 40 + 1 : 1;
    BuildPager(pages, size > 1 ? data[1] % pages + 1 : 1);
    return 0;
}
