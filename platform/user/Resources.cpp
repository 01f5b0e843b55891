#include "platform/user/Resources.h"

#include "platform/user/Cursors.h"

#include "platform/base/File.h"
#include "platform/base/FileHandle.h"
#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <tuple>
#include <vector>

using platform::resources::ResourceEntry;
using platform::resources::ResourceKind;
using platform::resources::ResourceTable;

namespace {

// Types and names as lookup keys: "#<number>" for integers, upper case for texts.
std::u16string KeyOf(const char16_t* text, WORD id)
{
    if (!text) {
        std::string digits = std::to_string(id);
        return u"#" + std::u16string(digits.begin(), digits.end());
    }
    return AsciiUpperCopy(text);
}

std::u16string KeyOf(LPCWSTR name)
{
    if (IS_INTRESOURCE(name))
        return KeyOf(nullptr, WORD(reinterpret_cast<ULONG_PTR>(name)));
    if (name[0] == u'#' && name[1]) {
        unsigned long value = 0;
        const char16_t* p = name + 1;
        while (*p >= u'0' && *p <= u'9' && value <= 0xFFFF)
            value = value * 10 + unsigned(*p++ - u'0');
        if (!*p && value <= 0xFFFF)
            return KeyOf(nullptr, WORD(value));
    }
    return KeyOf(name, 0);
}

using Key = std::tuple<std::u16string, std::u16string, WORD>;

struct ModuleResources {
    std::vector<const ResourceTable*> tables;
    std::map<Key, const ResourceEntry*> index;
};

struct Registry {
    std::mutex mutex;
    ModuleResources program;
    std::map<HMODULE, ModuleResources> named;
    std::set<const ResourceEntry*> entries;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

std::string Describe(const ResourceEntry& e)
{
    auto narrow = [](const std::u16string& s) {
        std::string out;
        for (char16_t c : s)
            out += c < 0x80 ? char(c) : '?';
        return out;
    };
    return "type " + narrow(KeyOf(e.typeName, e.typeId)) + " name " + narrow(KeyOf(e.name, e.nameId)) + " language "
        + std::to_string(e.language);
}

bool AddTable(Registry& registry, ModuleResources& module, const ResourceTable& table, std::string* message)
{
    for (std::size_t i = 0; i < table.count; ++i) {
        const ResourceEntry& e = table.entries[i];
        Key key { KeyOf(e.typeName, e.typeId), KeyOf(e.name, e.nameId), e.language };
        auto found = module.index.find(key);
        if (found == module.index.end())
            continue;
        const char* other = "?";
        for (const ResourceTable* t : module.tables)
            if (found->second >= t->entries && found->second < t->entries + t->count)
                other = t->origin;
        if (message)
            *message = "resource " + Describe(e) + " is in both " + other + " and " + table.origin;
        return false;
    }
    module.tables.push_back(&table);
    for (std::size_t i = 0; i < table.count; ++i) {
        const ResourceEntry& e = table.entries[i];
        module.index.emplace(Key { KeyOf(e.typeName, e.typeId), KeyOf(e.name, e.nameId), e.language }, &e);
        registry.entries.insert(&e);
    }
    return true;
}

// The program's module answers to a null handle and to its own handle.
ModuleResources* Resolve(Registry& registry, HMODULE module)
{
    if (!module || module == GetModuleHandleW(nullptr))
        return &registry.program;
    auto found = registry.named.find(module);
    return found == registry.named.end() ? nullptr : &found->second;
}

// The entry for (type, name) in `language`; language 0 means 1033, then neutral, then the first.
const ResourceEntry* Find(HMODULE module, const std::u16string& type, const std::u16string& name, WORD language, bool anyLanguage)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    ModuleResources* resources = Resolve(registry, module);
    if (!resources) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    auto first = resources->index.lower_bound(Key { type, name, 0 });
    auto last = resources->index.upper_bound(Key { type, name, 0xFFFF });
    if (first == last) {
        bool typeKnown = false;
        auto t = resources->index.lower_bound(Key { type, u"", 0 });
        typeKnown = t != resources->index.end() && std::get<0>(t->first) == type;
        SetLastError(typeKnown ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    if (!anyLanguage) {
        auto exact = resources->index.find(Key { type, name, language });
        if (exact != resources->index.end())
            return exact->second;
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    for (WORD preferred : { WORD(1033), WORD(0) }) {
        auto hit = resources->index.find(Key { type, name, preferred });
        if (hit != resources->index.end())
            return hit->second;
    }
    return first->second;
}

const ResourceEntry* Valid(HRSRC handle)
{
    auto* entry = reinterpret_cast<const ResourceEntry*>(handle);
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.entries.count(entry) ? entry : nullptr;
}

const ResourceEntry* FindTyped(HMODULE module, LPCWSTR name, WORD type, ResourceKind kind)
{
    if (!name && type != 6) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const ResourceEntry* e = Find(module, KeyOf(nullptr, type), KeyOf(name), 0, true);
    return e && e->kind == kind ? e : nullptr;
}

// ---- pictures

std::uint32_t Read32(const BYTE* p) { return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24); }
WORD Read16(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }

// A checked view of a packed DIB: header, colour table and rows (`rows` of them).
struct Dib {
    std::vector<DWORD> info; // aligned copy of the header and colour table, as a BITMAPINFO
    const BYTE* bits = nullptr;
    int width = 0, height = 0, depth = 0;
    std::size_t stride = 0;
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

// `rows` is the number of rows the bits hold (twice the image for icons); `separateBits`
// points at the rows when they do not follow the colour table (bitmap files).
bool ParseDib(const BYTE* data, std::size_t size, Dib& dib, bool icon, const BYTE* separateBits = nullptr, std::size_t bitsSize = 0)
{
    if (size < 40)
        return false;
    std::uint32_t headerSize = Read32(data);
    if (headerSize < 40 || headerSize > size)
        return false;
    std::int32_t width = std::int32_t(Read32(data + 4));
    std::int32_t height = std::int32_t(Read32(data + 8));
    WORD depth = Read16(data + 14);
    std::uint32_t compression = Read32(data + 16);
    std::uint32_t used = Read32(data + 32);
    if (width <= 0 || width > 16384 || height == 0 || height < -16384 || height > 16384)
        return false;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return false;
    std::size_t colours = 0;
    if (depth <= 8) {
        if (used > (1u << depth))
            return false;
        colours = used ? used : (1u << depth);
    }
    std::size_t masks = 0;
    if (compression == 3) { // BI_BITFIELDS
        if (depth != 16 && depth != 32)
            return false;
        masks = headerSize == 40 ? 3 : 0;
    } else if (compression != 0) {
        return false;
    }
    if (icon && (height < 0 || height % 2))
        return false;
    int rows = height < 0 ? -height : height;
    std::size_t stride = ((std::size_t(width) * depth + 31) / 32) * 4;
    std::size_t tableBytes = (colours + masks) * 4;
    if (headerSize + tableBytes > size)
        return false;
    std::size_t needed = stride * std::size_t(rows);
    if (icon) {
        // Colour rows of half the height, then the AND mask.
        std::size_t maskStride = ((std::size_t(width) + 31) / 32) * 4;
        needed = stride * std::size_t(rows / 2) + maskStride * std::size_t(rows / 2);
    }
    const BYTE* bits = separateBits ? separateBits : data + headerSize + tableBytes;
    std::size_t available = separateBits ? bitsSize : size - headerSize - tableBytes;
    if (needed > available)
        return false;
    dib.info.assign((40 + tableBytes + 3) / 4 + 1, 0);
    auto* out = reinterpret_cast<BYTE*>(dib.info.data());
    std::memcpy(out, data, 40);
    std::memcpy(out + 40, data + headerSize, tableBytes);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(out);
    header->biSize = 40;
    header->biClrUsed = DWORD(colours);
    header->biSizeImage = 0;
    dib.bits = bits;
    dib.width = width;
    dib.height = icon ? rows / 2 : height;
    if (icon)
        header->biHeight = dib.height;
    dib.depth = depth;
    dib.stride = stride;
    return true;
}

HBITMAP BitmapFromDib(const Dib& dib, bool section)
{
    const BITMAPINFO* info = dib.Info();
    const std::size_t rows = std::size_t(dib.height < 0 ? -dib.height : dib.height);
    if (section) {
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap && bits)
            std::memcpy(bits, dib.bits, dib.stride * rows);
        return bitmap;
    }
    return CreateDIBitmap(nullptr, &info->bmiHeader, CBM_INIT, dib.bits, info, DIB_RGB_COLORS);
}

HICON IconFromImage(const BYTE* data, std::size_t size, bool icon, int cx, int cy)
{
    DWORD hotX = 0, hotY = 0;
    if (!icon) {
        if (size < 4)
            return nullptr;
        hotX = Read16(data);
        hotY = Read16(data + 2);
        data += 4;
        size -= 4;
    }
    Dib dib;
    if (!ParseDib(data, size, dib, true))
        return nullptr;
    HBITMAP color = BitmapFromDib(dib, true);
    // The AND mask as a 1-bit DIB: 1 is transparent.
    std::vector<DWORD> maskInfo(12, 0);
    auto* mi = reinterpret_cast<BITMAPINFO*>(maskInfo.data());
    mi->bmiHeader.biSize = 40;
    mi->bmiHeader.biWidth = dib.width;
    mi->bmiHeader.biHeight = dib.height;
    mi->bmiHeader.biPlanes = 1;
    mi->bmiHeader.biBitCount = 1;
    mi->bmiHeader.biClrUsed = 2;
    RGBQUAD* palette = mi->bmiColors;
    palette[1].rgbBlue = palette[1].rgbGreen = palette[1].rgbRed = 255;
    void* maskBits = nullptr;
    HBITMAP mask = CreateDIBSection(nullptr, mi, DIB_RGB_COLORS, &maskBits, nullptr, 0);
    const std::size_t maskStride = ((std::size_t(dib.width) + 31) / 32) * 4;
    if (mask && maskBits)
        std::memcpy(maskBits, dib.bits + dib.stride * std::size_t(dib.height), maskStride * std::size_t(dib.height));
    HICON result = nullptr;
    if (color && mask) {
        ICONINFO ii { icon ? TRUE : FALSE, hotX, hotY, mask, color };
        result = CreateIconIndirect(&ii);
    }
    if (color)
        DeleteObject(color);
    if (mask)
        DeleteObject(mask);
    if (result && ((cx && cx != dib.width) || (cy && cy != dib.height))) {
        HICON scaled = static_cast<HICON>(CopyImage(result, icon ? IMAGE_ICON : IMAGE_CURSOR, cx, cy, 0));
        DestroyIcon(result);
        result = scaled;
    }
    return result;
}

void DefaultSize(bool icon, int& cx, int& cy, UINT flags, int firstWidth, int firstHeight)
{
    if (cx && cy)
        return;
    if (flags & LR_DEFAULTSIZE) {
        if (!cx)
            cx = GetSystemMetrics(icon ? SM_CXICON : SM_CXCURSOR);
        if (!cy)
            cy = GetSystemMetrics(icon ? SM_CYICON : SM_CYCURSOR);
    } else {
        if (!cx)
            cx = firstWidth;
        if (!cy)
            cy = firstHeight;
    }
}

// Index of the best entry among `sizes` (width, height, depth) for cx by cy.
int BestEntry(const std::vector<std::tuple<int, int, int>>& sizes, int cx, int cy)
{
    int best = -1;
    long bestScore = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        auto [w, h, depth] = sizes[i];
        long distance = std::labs(long(w) - cx) + std::labs(long(h) - cy);
        // Exact first, then larger pictures (shrunk) before smaller ones (blown up), deeper colour on ties.
        long score = distance * 4 + ((w < cx || h < cy) ? 2 : 0);
        score = score * 64 - depth;
        if (best < 0 || score < bestScore) {
            best = int(i);
            bestScore = score;
        }
    }
    return best;
}

int LookupInDirectory(const BYTE* directory, std::size_t size, bool icon, int cx, int cy, UINT flags)
{
    if (!directory || size < 6 || Read16(directory) != 0 || Read16(directory + 2) != (icon ? 1 : 2))
        return 0;
    std::size_t count = Read16(directory + 4);
    if (count == 0 || 6 + count * 14 > size)
        return 0;
    std::vector<std::tuple<int, int, int>> sizes;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* e = directory + 6 + i * 14;
        int w = icon ? (e[0] ? e[0] : 256) : Read16(e);
        int h = icon ? (e[1] ? e[1] : 256) : Read16(e + 2) / 2;
        sizes.emplace_back(w, h, Read16(e + 6));
    }
    DefaultSize(icon, cx, cy, flags, std::get<0>(sizes[0]), std::get<1>(sizes[0]));
    int best = BestEntry(sizes, cx, cy);
    return Read16(directory + 6 + std::size_t(best) * 14 + 12);
}

// Pictures stay far below 64 MiB; a larger file is refused rather than read.
std::vector<BYTE> ReadWholeFile(LPCWSTR path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::vector<BYTE> bytes;
    LARGE_INTEGER size {};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= (64 << 20)) {
        bytes.resize(std::size_t(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) || read != bytes.size())
            bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

HANDLE LoadImageFromFile(LPCWSTR path, UINT type, int cx, int cy, UINT flags)
{
    std::vector<BYTE> file = ReadWholeFile(path);
    if (file.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (type == IMAGE_BITMAP) {
        if (file.size() < 14 || file[0] != 'B' || file[1] != 'M')
            return nullptr;
        std::uint32_t offset = Read32(file.data() + 10);
        if (offset < 14 + 40 || offset > file.size())
            return nullptr;
        Dib dib;
        if (!ParseDib(file.data() + 14, offset - 14, dib, false, file.data() + offset, file.size() - offset))
            return nullptr;
        HBITMAP bitmap = BitmapFromDib(dib, (flags & LR_CREATEDIBSECTION) != 0);
        if (bitmap && ((cx && cx != dib.width) || (cy && cy != std::abs(dib.height)))) {
            HANDLE scaled = CopyImage(bitmap, IMAGE_BITMAP, cx, cy, LR_COPYDELETEORG | (flags & LR_CREATEDIBSECTION));
            return scaled;
        }
        return bitmap;
    }
    const bool icon = type == IMAGE_ICON;
    // An icon or cursor file: a 6-byte directory and 16-byte entries pointing into the file.
    if (file.size() < 6 || Read16(file.data()) != 0 || Read16(file.data() + 2) != (icon ? 1 : 2))
        return nullptr;
    std::size_t count = Read16(file.data() + 4);
    if (count == 0 || 6 + count * 16 > file.size())
        return nullptr;
    std::vector<std::tuple<int, int, int>> sizes;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* e = file.data() + 6 + i * 16;
        sizes.emplace_back(e[0] ? e[0] : 256, e[1] ? e[1] : 256, icon ? Read16(e + 6) : 0);
    }
    DefaultSize(icon, cx, cy, flags, std::get<0>(sizes[0]), std::get<1>(sizes[0]));
    int best = BestEntry(sizes, cx, cy);
    const BYTE* e = file.data() + 6 + std::size_t(best) * 16;
    std::uint32_t bytes = Read32(e + 8);
    std::uint32_t offset = Read32(e + 12);
    if (offset > file.size() || bytes > file.size() - offset)
        return nullptr;
    std::vector<BYTE> image;
    if (!icon) {
        // The entry's planes and bit-count fields hold the hot spot.
        image = { e[4], e[5], e[6], e[7] };
    }
    image.insert(image.end(), file.begin() + offset, file.begin() + offset + bytes);
    return IconFromImage(image.data(), image.size(), icon, cx, cy);
}

} // namespace

// ---- registration

namespace platform::resources {

bool RegisterProgramTable(const ResourceTable& table, char* message, std::size_t messageSize)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::string text;
    bool ok = AddTable(registry, registry.program, table, &text);
    if (!ok && message && messageSize)
        std::snprintf(message, messageSize, "%s", text.c_str());
    return ok;
}

bool RegisterProgramTableAtStartup(const ResourceTable& table)
{
    char message[512];
    if (RegisterProgramTable(table, message, sizeof message))
        return true;
    std::fprintf(stderr, "vornalt: %s\n", message);
    std::exit(3);
}

bool RegisterModuleTable(HMODULE module, const ResourceTable& table, std::string* message)
{
    if (!module)
        return false;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return AddTable(registry, registry.named[module], table, message);
}

void ForgetModule(HMODULE module)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.named.find(module);
    if (found == registry.named.end())
        return;
    for (auto& [key, entry] : found->second.index)
        registry.entries.erase(entry);
    registry.named.erase(found);
}

} // namespace platform::resources

// ---- finding and loading

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    if (!name || !type) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(Find(module, KeyOf(type), KeyOf(name), 0, true)));
}

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language)
{
    if (!name || !type) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(
        const_cast<ResourceEntry*>(Find(module, KeyOf(type), KeyOf(name), language, language == LANG_NEUTRAL)));
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    const ResourceEntry* e = Valid(resource);
    if (!e) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return const_cast<void*>(e->data);
}

void* LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    const ResourceEntry* e = Valid(resource);
    if (!e)
        return 0;
    return e->kind == ResourceKind::String ? e->size * 2 : e->size;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

namespace {

// Snapshot of a module's entries in enumeration order, so callbacks run without the lock.
std::vector<const ResourceEntry*> Snapshot(HMODULE module)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    ModuleResources* resources = Resolve(registry, module);
    std::vector<const ResourceEntry*> out;
    if (!resources)
        return out;
    for (const ResourceTable* t : resources->tables)
        for (std::size_t i = 0; i < t->count; ++i)
            out.push_back(&t->entries[i]);
    return out;
}

LPWSTR Pass(const ResourceEntry& e, bool type, std::u16string& storage)
{
    const char16_t* text = type ? e.typeName : e.name;
    if (!text)
        return const_cast<LPWSTR>(MAKEINTRESOURCEW(type ? e.typeId : e.nameId));
    storage = text;
    return storage.data();
}

} // namespace

BOOL EnumResourceTypesW(HMODULE module, ENUMRESTYPEPROCW proc, LONG_PTR param)
{
    std::set<std::u16string> seen;
    for (const ResourceEntry* e : Snapshot(module)) {
        if (!seen.insert(KeyOf(e->typeName, e->typeId)).second)
            continue;
        std::u16string storage;
        if (!proc(module, Pass(*e, true, storage), param))
            return FALSE;
    }
    return TRUE;
}

BOOL EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW proc, LONG_PTR param)
{
    std::u16string typeKey = KeyOf(type);
    std::set<std::u16string> seen;
    for (const ResourceEntry* e : Snapshot(module)) {
        if (KeyOf(e->typeName, e->typeId) != typeKey || !seen.insert(KeyOf(e->name, e->nameId)).second)
            continue;
        std::u16string storage;
        if (!proc(module, type, Pass(*e, false, storage), param))
            return FALSE;
    }
    return TRUE;
}

BOOL EnumResourceLanguagesW(HMODULE module, LPCWSTR type, LPCWSTR name, ENUMRESLANGPROCW proc, LONG_PTR param)
{
    std::u16string typeKey = KeyOf(type), nameKey = KeyOf(name);
    for (const ResourceEntry* e : Snapshot(module)) {
        if (KeyOf(e->typeName, e->typeId) != typeKey || KeyOf(e->name, e->nameId) != nameKey)
            continue;
        if (!proc(module, type, name, e->language, param))
            return FALSE;
    }
    return TRUE;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax)
{
    if (!buffer)
        return 0;
    const ResourceEntry* e = id <= 0xFFFF ? Find(instance, KeyOf(nullptr, 6), KeyOf(nullptr, WORD(id)), 0, true) : nullptr;
    const char16_t* text = e && e->kind == ResourceKind::String ? static_cast<const char16_t*>(e->data) : nullptr;
    std::size_t length = text ? e->size : 0;
    if (bufferMax == 0) {
        *reinterpret_cast<const WCHAR**>(buffer) = text;
        return int(length);
    }
    if (bufferMax < 0)
        return 0;
    std::size_t count = std::min(length, std::size_t(bufferMax - 1));
    if (count)
        std::copy_n(text, count, buffer);
    buffer[count] = 0;
    return int(count);
}

HACCEL LoadAcceleratorsW(HINSTANCE instance, LPCWSTR name)
{
    const ResourceEntry* e = FindTyped(instance, name, 9, ResourceKind::Accelerators);
    if (!e)
        return nullptr;
    auto* table = static_cast<const platform::resources::ResAccelTable*>(e->data);
    std::vector<ACCEL> entries;
    for (std::size_t i = 0; i < table->count; ++i)
        entries.push_back(ACCEL { table->entries[i].fVirt, table->entries[i].key, table->entries[i].cmd });
    return CreateAcceleratorTableW(entries.data(), int(entries.size()));
}

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name)
{
    return static_cast<HBITMAP>(LoadImageW(instance, name, IMAGE_BITMAP, 0, 0, 0));
}

HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags)
{
    if (type != IMAGE_BITMAP && type != IMAGE_ICON && type != IMAGE_CURSOR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (cx < 0 || cy < 0 || !name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (flags & LR_LOADFROMFILE)
        return IS_INTRESOURCE(name) ? nullptr : LoadImageFromFile(name, type, cx, cy, flags);
    if (type == IMAGE_BITMAP) {
        const ResourceEntry* e = FindTyped(instance, name, 2, ResourceKind::Bytes);
        Dib dib;
        if (!e || !ParseDib(static_cast<const BYTE*>(e->data), e->size, dib, false)) {
            if (e)
                SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
            return nullptr;
        }
        HBITMAP bitmap = BitmapFromDib(dib, (flags & LR_CREATEDIBSECTION) != 0);
        if (bitmap && ((cx && cx != dib.width) || (cy && cy != std::abs(dib.height))))
            return CopyImage(bitmap, IMAGE_BITMAP, cx, cy, LR_COPYDELETEORG | (flags & LR_CREATEDIBSECTION));
        return bitmap;
    }
    const bool icon = type == IMAGE_ICON;
    const ResourceEntry* group = FindTyped(instance, name, icon ? 14 : 12, ResourceKind::Bytes);
    if (!group)
        return nullptr;
    const BYTE* directory = static_cast<const BYTE*>(group->data);
    int id = LookupInDirectory(directory, group->size, icon, cx, cy, flags);
    if (!id) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const ResourceEntry* image = Find(instance, KeyOf(nullptr, WORD(icon ? 3 : 1)), KeyOf(nullptr, WORD(id)), group->language, false);
    if (!image)
        image = Find(instance, KeyOf(nullptr, WORD(icon ? 3 : 1)), KeyOf(nullptr, WORD(id)), 0, true);
    if (!image)
        return nullptr;
    if (!cx || !cy) {
        // The chosen entry's own size, or the system size with LR_DEFAULTSIZE.
        DefaultSize(icon, cx, cy, flags, 0, 0);
    }
    return IconFromImage(static_cast<const BYTE*>(image->data), image->size, icon, cx, cy);
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name)
{
    return static_cast<HICON>(LoadImageW(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name)
{
    if (!instance)
        if (HCURSOR system = user_detail::SystemCursor(name))
            return system;
    return static_cast<HCURSOR>(LoadImageW(instance, name, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
}

int LookupIconIdFromDirectoryEx(const BYTE* directory, BOOL icon, int cx, int cy, UINT flags)
{
    if (!directory || directory[0] || directory[1])
        return 0;
    std::size_t count = Read16(directory + 4);
    return LookupInDirectory(directory, 6 + count * 14, icon != 0, cx, cy, flags);
}

HICON CreateIconFromResourceEx(const BYTE* bits, DWORD size, BOOL icon, DWORD version, int cx, int cy, UINT)
{
    if (!bits || (version != 0x30000 && version != 0x20000) || cx < 0 || cy < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return IconFromImage(bits, size, icon != 0, cx, cy);
}
