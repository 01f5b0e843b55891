#pragma once
// The resource compiler's model of one script: symbols and resources, ready to be written out as
// C++ tables.

#include "platform/base/Types.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace rc {

// A script error: the message already names the script and the line.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A type or a name: an integer or a text (kept upper case, as lookups ignore case).
struct ResId {
    bool isText = false;
    WORD id = 0;
    std::u16string text;
    bool operator<(const ResId& o) const
    {
        if (isText != o.isText)
            return !isText;
        return isText ? text < o.text : id < o.id;
    }
    bool operator==(const ResId& o) const { return isText == o.isText && (isText ? text == o.text : id == o.id); }
    std::string Describe() const;
};

enum class Kind { Bytes, String, Menu, Dialog, Accelerators };

struct MenuItem {
    UINT flags = 0;
    UINT id = 0;
    std::u16string text;
};

struct DialogControl {
    std::u16string className;
    std::u16string text;
    bool hasTextId = false;
    WORD textId = 0;
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD helpId = 0;
};

struct Dialog {
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::u16string caption, menu, className, faceName;
    WORD pointSize = 0;
    std::vector<DialogControl> controls;
};

struct Accel {
    BYTE fVirt = 0;
    WORD key = 0;
    WORD cmd = 0;
};

struct Resource {
    ResId type;
    ResId name;
    WORD language = 1033;
    Kind kind = Kind::Bytes;
    int line = 0;
    std::vector<std::uint8_t> bytes;
    std::u16string text;
    std::vector<MenuItem> menu; // pre-order, with kMenuItemEnd on the last of each level
    Dialog dialog;
    std::vector<Accel> accels;
};

struct Script {
    std::string path;
    std::vector<std::pair<std::string, long long>> symbols; // in definition order
    std::vector<Resource> resources;
};

// Reads a file named by the script (a picture or a raw resource); throws on failure.
using FileReader = std::function<std::vector<std::uint8_t>(const std::string& name)>;

// Parses a UTF-8 script. Throws ScriptError on any fault: unknown names, bad syntax, invalid
// UTF-8, duplicate resources, bad pictures.
Script ParseScript(const std::string& path, std::string_view text, const FileReader& readFile);

// The first resource present in more than one script (same type, name and language), described
// with both scripts, or nothing.
std::optional<std::string> FindDuplicate(const std::vector<Script>& scripts);

// C++ output: a header of symbolic ids and the table declaration, and the table itself.
std::string EmitHeader(const Script& script, const std::string& tableName);
std::string EmitSource(const Script& script, const std::string& tableName, const std::string& headerInclude);

// Pictures (Images.cpp). A decoded PNG as 8-bit RGBA rows, top-down.
struct Rgba {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 4
    bool HasTransparency() const;
};
Rgba DecodePng(const std::vector<std::uint8_t>& png, const std::string& what);
// A bitmap resource: BITMAPINFOHEADER, colour table and bottom-up rows at `depth` bits (4, 8, 24
// or 32). Fully transparent pixels take `key` (0x00BBGGRR) below 32 bits.
std::vector<std::uint8_t> MakeBitmapResource(const Rgba& image, int depth, std::optional<COLORREF> key, const std::string& what);
// An icon or cursor image: 32-bit header with doubled height, colour rows, then the AND mask.
std::vector<std::uint8_t> MakeIconImage(const Rgba& image);

constexpr WORD RT_CURSOR_ID = 1, RT_BITMAP_ID = 2, RT_ICON_ID = 3, RT_MENU_ID = 4, RT_DIALOG_ID = 5,
               RT_STRING_ID = 6, RT_ACCELERATOR_ID = 9, RT_GROUP_CURSOR_ID = 12, RT_GROUP_ICON_ID = 14,
               RT_HTML_ID = 23, RT_TOOLBAR_ID = 241;

} // namespace rc
