#pragma once
// The HTML pages of a gallery, made from a theme's three templates ("templ.header.html",
// "templ.thumbnail.html", "templ.footer.html"). Placeholders are keys between "%%" marks; text
// that is no known placeholder passes through as it is. Pages are "index.html", "index2.html",
// ... directly in the gallery folder, written as UTF-8 with CR LF line ends.

#include <map>
#include <string>
#include <string_view>
#include <vector>

using PlaceholderMap = std::map<std::u16string, std::u16string>;

// The template's lines, each followed by "\n" (CR LF and LF read alike), and one more "\n" at
// the end; empty text for a file that cannot be read. UTF-8.
std::u16string ReadTemplateFile(std::u16string_view path);

// Replaces every "%%key%%" of the map's keys, keys taken in ascending order, each left to right
// without overlap; values are inserted as they are.
std::u16string ReplacePlaceholders(std::u16string_view text, const PlaceholderMap& values);

// The page file name of page `page` (1-based): "index.html", then "index%d.html".
std::u16string GalleryPageFileName(int page);

// The list of links between `pageCount` pages as seen from `currentPage` (1-based); empty for a
// single page.
std::u16string BuildPager(int pageCount, int currentPage);

// A file name as a link below "images/" or "thumbs/", or any other text as a part of an address:
// every byte of its UTF-8 form other than letters, digits and "-._~" percent-encoded.
std::u16string EncodeLinkName(std::u16string_view name);
// Text safe inside HTML text and attribute values: & < > " ' as character references.
std::u16string EscapeHtml(std::u16string_view text);

struct GalleryPageItem {
    std::u16string sourcePath; // the full-size picture, copied to "images/"
    std::u16string outputPath; // the processed picture, copied to "thumbs/"
};

struct GalleryPageJob {
    std::u16string actionName;      // starts every log line
    std::u16string themeFolder;     // with a trailing separator
    std::u16string destinationFolder; // with a trailing separator
    int pageCount = 0;
    int thumbsPerPage = 0;
    std::vector<GalleryPageItem> items;
    std::u16string title;
    std::u16string description;
    std::u16string createdOn; // empty: the local date and time now
};

// Writes every page; a page that cannot be written is logged and the next one is tried.
// Returns the number of pages written.
int WriteGalleryPages(const GalleryPageJob& job);
