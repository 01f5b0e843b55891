#include "toolkit/drawing/images/ImageManager.h"

#include "platform/framework/Exceptions.h"
#include "platform/framework/File.h"
#include "platform/framework/OleDataObject.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"
#include "toolkit/drawing/images/AlphaBitmaps.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr const WCHAR* kCheckSum = u"CJQWImageManagerIcons";
constexpr LONG kIconSchema = 23;
// Toolbar images are small: a stored header asking for more is not an icon.
constexpr LONG kMaxSide = 4096;
constexpr DWORD kMaxHeaderBytes = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);

void WritePart(CArchive& archive, HBITMAP bitmap)
{
    BitmapBits bits;
    if (!bitmap || !ReadBitmapBits(bitmap, &bits)) {
        archive.WriteCount(0);
        return;
    }
    archive.WriteCount(bits.header.size());
    archive.Write(bits.header.data(), UINT(bits.header.size()));
    archive.WriteCount(bits.pixels.size());
    archive.Write(bits.pixels.data(), UINT(bits.pixels.size()));
}

// `count` bytes from the archive, read in steps so that a count the stream does not carry costs
// no more memory than the bytes that are there.
std::vector<BYTE> ReadBytes(CArchive& archive, std::size_t count)
{
    constexpr std::size_t kStep = 1 << 16;
    std::vector<BYTE> bytes;
    while (bytes.size() < count) {
        const std::size_t have = bytes.size();
        const std::size_t step = std::min(count - have, std::max(have, kStep));
        bytes.resize(have + step);
        if (archive.Read(bytes.data() + have, UINT(step)) != step)
            AfxThrowArchiveException(CArchiveException::endOfFile);
    }
    return bytes;
}

// One stored bitmap, or null when the part is absent. A header that no bitmap could have, or
// pixels that do not fill the picture it declares, make a damaged stream.
HBITMAP ReadPart(CArchive& archive)
{
    const DWORD_PTR headerBytes = archive.ReadCount();
    if (headerBytes == 0)
        return nullptr;
    if (headerBytes < sizeof(BITMAPINFOHEADER) || headerBytes > kMaxHeaderBytes)
        AfxThrowArchiveException(CArchiveException::badIndex);
    std::vector<BYTE> header(kMaxHeaderBytes, 0);
    if (archive.Read(header.data(), UINT(headerBytes)) != headerBytes)
        AfxThrowArchiveException(CArchiveException::endOfFile);
    auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
    BITMAPINFOHEADER& h = info->bmiHeader;
    const DWORD_PTR pixelBytes = archive.ReadCount();
    // In 64 bits: the most negative height has no 32-bit opposite.
    const LONGLONG height = h.biHeight < 0 ? -LONGLONG(h.biHeight) : LONGLONG(h.biHeight);
    const WORD bits = h.biBitCount;
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biWidth > kMaxSide || height <= 0 ||
        height > kMaxSide || h.biCompression != BI_RGB ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        AfxThrowArchiveException(CArchiveException::badIndex);
    const DWORD stride = ((DWORD(h.biWidth) * bits + 31) / 32) * 4;
    const DWORD imageBytes = stride * DWORD(height);
    // The writer stores every row; a picture is only as large as the pixels the stream carries.
    if (pixelBytes != imageBytes)
        AfxThrowArchiveException(CArchiveException::badIndex);
    const std::vector<BYTE> pixels = ReadBytes(archive, std::size_t(pixelBytes));
    h.biSizeImage = imageBytes;
    void* target = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &target, nullptr, 0);
    if (bitmap && target)
        std::memcpy(target, pixels.data(), pixels.size());
    return bitmap;
}

// An opened child section, released with the scope (also when a read throws).
struct Section {
    CJQWPropExchange* exchange;
    ~Section() { exchange->InternalRelease(); }
};

struct Enumerator {
    CJQWPropExchangeEnumerator* enumerator;
    ~Enumerator() { delete enumerator; }
    CJQWPropExchangeEnumerator* operator->() const { return enumerator; }
};

} // namespace

void CJQWImageManagerIcon::SerializeImage(CJQWIconImageHandle& image, CArchive& archive)
{
    if (archive.IsStoring()) {
        if (image.IsAlpha()) {
            WritePart(archive, image.GetBitmap());
            archive.WriteCount(0);
            return;
        }
        const IconBitmaps parts(image.GetIcon());
        if (!parts.valid) {
            archive.WriteCount(0);
            archive.WriteCount(0);
            return;
        }
        WritePart(archive, parts.info.hbmColor);
        WritePart(archive, parts.info.hbmMask);
        return;
    }
    image.Clear();
    HBITMAP color = ReadPart(archive);
    HBITMAP mask = nullptr;
    try {
        mask = ReadPart(archive);
    } catch (...) {
        if (color)
            DeleteObject(color);
        throw;
    }
    if (color && !mask) {
        image.SetBitmap(color);
        return;
    }
    if (color && mask) {
        BITMAP size {};
        GetObjectW(color, sizeof size, &size);
        if (HIMAGELIST list = ImageList_Create(size.bmWidth, std::abs(size.bmHeight), ILC_COLOR24 | ILC_MASK, 0, 1)) {
            if (ImageList_Add(list, color, mask) >= 0)
                image.SetIcon(ImageList_GetIcon(list, 0, ILD_NORMAL));
            ImageList_Destroy(list);
        }
    }
    if (color)
        DeleteObject(color);
    if (mask)
        DeleteObject(mask);
}

void CJQWImageManagerIcon::Serialize(CArchive& archive)
{
    LONG schema = kIconSchema;
    if (archive.IsStoring()) {
        archive << LONG(m_height) << schema;
    } else {
        LONG height = 0;
        archive >> height >> schema;
        m_height = height;
        ClearGeneratedImages();
    }
    SerializeImage(m_images[kNormal], archive);
    SerializeImage(m_images[kDisabled], archive);
    SerializeImage(m_images[kHot], archive);
    if (schema > 7)
        SerializeImage(m_images[kChecked], archive);
    if (schema > 16)
        SerializeImage(m_images[kPressed], archive);
}

void CJQWImageManagerIconSet::SetIconAt(int width, CJQWImageManagerIcon* icon)
{
    CJQWImageManagerIcon* previous = nullptr;
    if (m_icons.Lookup(UINT(width), previous) && previous != icon)
        previous->InternalRelease();
    m_icons.SetAt(UINT(width), icon);
}

void CJQWImageManager::ExchangeIconSet(UINT id, CJQWPropExchange* exchange)
{
    NoteUsedId(id);
    CString tag(kCheckSum);
    ExchangeString(exchange, u"CheckSum", tag, kCheckSum);
    Enumerator icons { exchange->CreateEnumerator(u"Icon") };
    if (exchange->IsLoading()) {
        if (tag != kCheckSum)
            AfxThrowArchiveException(CArchiveException::badClass);
        CJQWImageManagerIconSet* set = FindIconSet(id);
        if (set) {
            set->RemoveAll();
        } else {
            set = new CJQWImageManagerIconSet(id, this);
            m_sets.SetAt(id, set);
        }
        DWORD position = icons->Start(0, TRUE);
        while (position) {
            Section section { icons->NextSection(position) };
            LONG width = 16;
            ExchangeLongNoDefault(section.exchange, u"Width", width);
            auto* icon = new CJQWImageManagerIcon(id, width, 15, set);
            set->SetIconAt(width, icon);
            ExchangeSerializedObject(section.exchange, u"Data", icon);
        }
        return;
    }
    CJQWImageManagerIconSet* set = FindIconSet(id);
    DWORD position = icons->Start(set ? DWORD(set->GetIcons().GetCount()) : 0, TRUE);
    if (!set)
        return;
    POSITION pos = set->GetIcons().GetStartPosition();
    while (position && pos) {
        UINT key;
        CJQWImageManagerIcon* icon;
        set->GetIcons().GetNextAssoc(pos, key, icon);
        Section section { icons->NextSection(position) };
        LONG width = LONG(key);
        ExchangeLongNoDefault(section.exchange, u"Width", width);
        ExchangeSerializedObject(section.exchange, u"Data", icon);
    }
}

void CJQWImageManager::ExchangeIconSets(CJQWPropExchange* exchange)
{
    if (exchange->IsLoading())
        RemoveAll();
    Enumerator sets { exchange->CreateEnumerator(u"IconSet") };
    DWORD position = sets->Start(DWORD(m_sets.GetCount()), TRUE);
    if (exchange->IsLoading()) {
        while (position) {
            Section section { sets->NextSection(position) };
            LONG id = 0;
            ExchangeLongNoDefault(section.exchange, u"Id", id);
            ExchangeIconSet(UINT(id), section.exchange);
        }
        return;
    }
    POSITION pos = m_sets.GetStartPosition();
    while (position && pos) {
        UINT key;
        CJQWImageManagerIconSet* set;
        m_sets.GetNextAssoc(pos, key, set);
        Section section { sets->NextSection(position) };
        LONG id = LONG(key);
        ExchangeLongNoDefault(section.exchange, u"Id", id);
        ExchangeIconSet(key, section.exchange);
    }
}

void CJQWImageManager::Serialize(CArchive& archive)
{
    CJQWPropExchangeArchive exchange(archive);
    ExchangeIconSets(&exchange);
}

const UINT CJQWImageManager::m_nClipboardFormat = RegisterClipboardFormatW(u"Pelmar ToolBar Image");

BOOL CJQWImageManager::CopyIconToClipboard(UINT id)
{
    CMemFile file(1024);
    {
        CArchive archive(&file, CArchive::store, 4096);
        CJQWPropExchangeArchive exchange(archive);
        ExchangeIconSet(id, &exchange);
        archive.Flush();
    }
    const auto length = SIZE_T(file.GetLength());
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length);
    if (!block)
        return FALSE;
    file.SeekToBegin();
    file.Read(GlobalLock(block), UINT(length));
    GlobalUnlock(block);
    if (!SetClipboardData(m_nClipboardFormat, block)) {
        GlobalFree(block);
        return FALSE;
    }
    return TRUE;
}

UINT CJQWImageManager::PasteIconFromClipboard(COleDataObject* data)
{
    std::unique_ptr<CFile> file(data ? data->GetFileData(CLIPFORMAT(m_nClipboardFormat)) : nullptr);
    if (!file)
        return 0;
    const UINT id = ++m_lastCustomId;
    try {
        CArchive archive(file.get(), CArchive::load, 4096);
        CJQWPropExchangeArchive exchange(archive);
        ExchangeIconSet(id, &exchange);
    } catch (CArchiveException* error) {
        error->Delete();
        return 0;
    } catch (COleException* error) {
        error->Delete();
        return 0;
    }
    return id;
}
