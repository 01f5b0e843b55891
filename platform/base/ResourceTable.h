#pragma once
// The form in which a module's resources are linked into the program: constant tables written
// by the build-time resource compiler. Binary types (bitmaps, icons, cursors, toolbars, HTML,
// custom types) keep the platform's byte layouts; strings, menus, dialogs and accelerator tables
// are typed records that only this layer reads.

#include "platform/base/Types.h"

#include <cstddef>

namespace platform::resources {

enum class ResourceKind : BYTE { Bytes, String, Menu, Dialog, Accelerators };

// Tags at the head of the typed records, so a consumer can tell a typed table from raw bytes.
constexpr DWORD kMenuTag = 0x554E454D;   // "MENU"
constexpr DWORD kDialogTag = 0x474C4744; // "DGLG"
constexpr DWORD kAccelTag = 0x4C434341;  // "ACCL"

// A menu as one flat list in pre-order. A popup's items follow it; the last item of each level
// carries kMenuItemEnd. `flags` are the MF_ flags of the item.
constexpr UINT kMenuItemEnd = 0x80000000;
struct ResMenuItem {
    UINT flags;
    UINT id;
    const char16_t* text; // empty for separators
};
struct ResMenu {
    DWORD tag;
    std::size_t count;
    const ResMenuItem* items;
};

struct ResDialogControl {
    const char16_t* className; // a class name ("Button", "Edit", ...)
    const char16_t* text;      // "" when the control has a numeric text (`textId`)
    WORD textId;               // resource id given as the text (icon controls), else 0
    bool hasTextId;
    UINT id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy; // dialog units
    DWORD helpId;
};
struct ResDialog {
    DWORD tag;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy; // dialog units
    const char16_t* caption;
    const char16_t* menu;      // "" for none
    const char16_t* className; // "" for the dialog class
    WORD pointSize;            // 0 when the dialog names no font
    const char16_t* faceName;
    std::size_t count;
    const ResDialogControl* controls;
};

// Accelerator records: six bytes each, as stored in settings.
#pragma pack(push, 2)
struct ResAccel {
    BYTE fVirt;
    BYTE pad;
    WORD key;
    WORD cmd;
};
#pragma pack(pop)
static_assert(sizeof(ResAccel) == 6);
struct ResAccelTable {
    DWORD tag;
    std::size_t count;
    const ResAccel* entries;
};

// One resource. A type or name is an integer when its text is null.
struct ResourceEntry {
    const char16_t* typeName;
    WORD typeId;
    const char16_t* name;
    WORD nameId;
    WORD language;
    ResourceKind kind;
    const void* data; // bytes, a char16_t string, or one of the typed records above
    DWORD size;       // bytes; code units for strings
};

struct ResourceTable {
    const char* origin; // the script it came from, for messages
    std::size_t count;
    const ResourceEntry* entries;
};

// Adds a table to the program's own module. False, with a message naming both tables and the
// resource, when a resource of the same type, name and language is already there.
bool RegisterProgramTable(const ResourceTable& table, char* message = nullptr, std::size_t messageSize = 0);

} // namespace platform::resources

namespace platform::resources {
// For tables registered by a static initializer: a duplicate stops the program with a message.
bool RegisterProgramTableAtStartup(const ResourceTable& table);
}
