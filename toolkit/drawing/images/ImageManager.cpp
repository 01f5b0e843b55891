#include "toolkit/drawing/images/ImageManager.h"

#include "toolkit/drawing/SystemHelpers.h"
#include "toolkit/drawing/images/AlphaBitmaps.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace {
template <class K, class AK, class V, class AV, class F>
void ForEachValue(const CMap<K, AK, V, AV>& map, F visit)
{
    POSITION pos = map.GetStartPosition();
    while (pos) {
        K key;
        V value;
        map.GetNextAssoc(pos, key, value);
        visit(value);
    }
}
} // namespace

// ---- one image ----

void CJQWIconImageHandle::Clear()
{
    if (m_owns) {
        if (m_icon)
            DestroyIcon(m_icon);
        if (m_alphaBitmap)
            DeleteObject(m_alphaBitmap);
    }
    if (m_premultiplied)
        DeleteObject(m_premultiplied);
    m_icon = nullptr;
    m_alphaBitmap = nullptr;
    m_premultiplied = nullptr;
}

void CJQWIconImageHandle::SetIcon(HICON icon)
{
    Clear();
    m_icon = icon;
    m_owns = TRUE;
}

void CJQWIconImageHandle::SetBitmap(HBITMAP alphaBitmap)
{
    Clear();
    m_alphaBitmap = alphaBitmap;
    m_owns = TRUE;
}

void CJQWIconImageHandle::SetBitmapCopy(HBITMAP bitmap)
{
    SetBitmap(bitmap ? CopyAlphaBitmap(bitmap) : nullptr);
}

void CJQWIconImageHandle::CopyFrom(const CJQWIconImageHandle& other)
{
    if (&other == this)
        return;
    Clear();
    m_owns = TRUE;
    m_icon = other.m_icon ? CopyIcon(other.m_icon) : nullptr;
    m_alphaBitmap = other.m_alphaBitmap ? CopyAlphaBitmap(other.m_alphaBitmap) : nullptr;
}

CSize CJQWIconImageHandle::GetExtent() const
{
    if (m_icon)
        return CSize(GetIconExtent(m_icon));
    if (m_alphaBitmap) {
        BITMAP info {};
        if (GetObjectW(m_alphaBitmap, sizeof info, &info))
            return CSize(info.bmWidth, std::abs(info.bmHeight));
    }
    return CSize(0, 0);
}

BOOL CJQWIconImageHandle::EnsurePremultiplied()
{
    if (m_premultiplied)
        return TRUE;
    if (m_alphaBitmap) {
        m_premultiplied = CreatePremultipliedBitmap(m_alphaBitmap);
    } else if (m_icon) {
        const IconBitmaps parts(m_icon);
        if (parts.info.hbmColor)
            m_premultiplied = CreatePremultipliedBitmap(parts.info.hbmColor);
    }
    return m_premultiplied != nullptr;
}

// ---- an icon ----

CJQWImageManagerIcon::CJQWImageManagerIcon(UINT id, int width, int height, CJQWImageManagerIconSet* set)
    : m_id(id), m_width(width), m_height(height), m_set(set)
{
}

CJQWImageManagerIcon::~CJQWImageManagerIcon() = default;

CJQWIconImageHandle& CJQWImageManagerIcon::GetHotImage()
{
    return m_images[kHot].IsEmpty() ? m_images[kNormal] : m_images[kHot];
}

CJQWIconImageHandle& CJQWImageManagerIcon::GetCheckedImage()
{
    return m_images[kChecked].IsEmpty() ? GetHotImage() : m_images[kChecked];
}

CJQWIconImageHandle& CJQWImageManagerIcon::GetPressedImage()
{
    return m_images[kPressed].IsEmpty() ? GetHotImage() : m_images[kPressed];
}

CJQWIconImageHandle& CJQWImageManagerIcon::GetDisabledImage(BOOL generate)
{
    if (!m_images[kDisabled].IsEmpty())
        return m_images[kDisabled];
    if (m_images[kGeneratedDisabled].IsEmpty() && generate)
        BuildDerivedIcon();
    return m_images[kGeneratedDisabled];
}

CJQWIconImageHandle& CJQWImageManagerIcon::GetFadedImage()
{
    if (m_images[kFaded].IsEmpty())
        CreateFadedIcon();
    return m_images[kFaded];
}

CJQWIconImageHandle& CJQWImageManagerIcon::GetShadowImage()
{
    if (m_images[kShadow].IsEmpty())
        CreateShadowIcon();
    return m_images[kShadow];
}

CJQWIconImageHandle& CJQWImageManagerIcon::GetImageForState(int state)
{
    switch (state) {
    case jqwImageDisabled: return GetDisabledImage(TRUE);
    case jqwImageHot: return GetHotImage();
    case jqwImageChecked: return GetCheckedImage();
    case jqwImagePressed: return GetPressedImage();
    default: return m_images[kNormal];
    }
}

BOOL CJQWImageManagerIcon::HasDisabledImage() const
{
    return !m_images[kDisabled].IsEmpty() || !m_images[kGeneratedDisabled].IsEmpty();
}

BOOL CJQWImageManagerIcon::SetNormalImage(const CJQWIconImageHandle& image)
{
    // The image may be one of this icon's own.
    CJQWIconImageHandle copy;
    copy.CopyFrom(image);
    for (CJQWIconImageHandle& slot : m_images)
        slot.Clear();
    m_images[kNormal].CopyFrom(copy);
    const CSize extent = copy.GetExtent();
    m_width = extent.cx;
    m_height = extent.cy;
    if (m_set)
        m_set->RefreshAll();
    return TRUE;
}

BOOL CJQWImageManagerIcon::SetImage(Slot slot, const CJQWIconImageHandle& image)
{
    CJQWIconImageHandle copy;
    copy.CopyFrom(image);
    ClearGeneratedImages();
    m_images[slot].CopyFrom(copy);
    return TRUE;
}

void CJQWImageManagerIcon::ClearGeneratedImages()
{
    m_images[kFaded].Clear();
    m_images[kShadow].Clear();
    m_images[kGeneratedDisabled].Clear();
}

CJQWImageManager* CJQWImageManagerIcon::GetImageManager() const
{
    return m_set ? m_set->GetImageManager() : ::GetImageManager();
}

BOOL CJQWImageManagerIcon::Draw(HDC dc, int x, int y, CJQWIconImageHandle& image, int cx, int cy)
{
    // A width of 0 gives no size to draw at.
    if (m_width == 0)
        return FALSE;
    if (cx == 0)
        cx = m_width;
    if (cy == 0)
        cy = int(unsigned(cx) * unsigned(m_height) / unsigned(m_width));
    if (image.IsEmpty())
        return TRUE;
    if (image.IsAlpha()) {
        if (!image.EnsurePremultiplied())
            return FALSE;
        if (y < 0 && cy == m_height) {
            // Only the rows below the top edge.
            if (m_height + y <= 0)
                return TRUE;
            return AlphaBlendBitmap(dc, image.GetPremultipliedBitmap(), x, 0, cx, m_height + y, 0, -y, m_width,
                                    m_height + y);
        }
        return AlphaBlendBitmap(dc, image.GetPremultipliedBitmap(), x, y, cx, cy, 0, 0, m_width, m_height);
    }
    const int rtl = GetImageManager()->m_rtlMode;
    if (rtl == 1 || (rtl == 2 && (GetLayout(dc) & LAYOUT_RTL))) {
        x += cx;
        cx = -cx;
    }
    if (m_composite)
        return DrawThroughAlphaSurface(dc, x, y, cx, cy, image.GetIcon());
    return DrawIconEx(dc, x, y, image.GetIcon(), cx, cy, 0, nullptr, DI_NORMAL);
}

// ---- an icon set ----

CJQWImageManagerIconSet::CJQWImageManagerIconSet(UINT id, CJQWImageManager* manager) : m_id(id), m_manager(manager)
{
}

CJQWImageManagerIconSet::~CJQWImageManagerIconSet()
{
    RemoveAll();
}

CJQWImageManagerIcon* CJQWImageManagerIconSet::GetIcon(int width, BOOL nearest) const
{
    if (m_icons.IsEmpty())
        return nullptr;
    CJQWImageManagerIcon* found = nullptr;
    if (width != 0 && width != 1) {
        if (m_icons.Lookup(UINT(width), found))
            return found;
        if (!nearest)
            return nullptr;
    }
    int best = 0;
    POSITION pos = m_icons.GetStartPosition();
    while (pos) {
        UINT key;
        CJQWImageManagerIcon* icon;
        m_icons.GetNextAssoc(pos, key, icon);
        const int candidate = int(key);
        bool better;
        if (width == 0)
            better = !found || candidate < best;
        else if (width == 1)
            better = !found || candidate > best;
        else
            // In 64 bits: widths read from a stored layout may be anything.
            better = !found || std::llabs(LONGLONG(candidate) - width) < std::llabs(LONGLONG(best) - width);
        if (better) {
            found = icon;
            best = candidate;
        }
    }
    return found;
}

CJQWImageManagerIcon* CJQWImageManagerIconSet::GetOrCreateIcon(int width)
{
    CJQWImageManagerIcon* icon = nullptr;
    if (!m_icons.Lookup(UINT(width), icon)) {
        icon = new CJQWImageManagerIcon(m_id, width, 15, this);
        m_icons.SetAt(UINT(width), icon);
    }
    return icon;
}

BOOL CJQWImageManagerIconSet::SetIcon(const CJQWIconImageHandle& image, int width)
{
    return GetOrCreateIcon(width)->SetNormalImage(image);
}

BOOL CJQWImageManagerIconSet::SetHotIcon(const CJQWIconImageHandle& image, int width)
{
    return GetOrCreateIcon(width)->SetHotImage(image);
}

BOOL CJQWImageManagerIconSet::SetCheckedIcon(const CJQWIconImageHandle& image, int width)
{
    return GetOrCreateIcon(width)->SetCheckedImage(image);
}

BOOL CJQWImageManagerIconSet::SetPressedIcon(const CJQWIconImageHandle& image, int width)
{
    return GetOrCreateIcon(width)->SetPressedImage(image);
}

BOOL CJQWImageManagerIconSet::SetDisabledIcon(const CJQWIconImageHandle& image, int width)
{
    return GetOrCreateIcon(width)->SetDisabledImage(image);
}

void CJQWImageManagerIconSet::RefreshAll()
{
    ForEachValue(m_icons, [](auto* icon) { icon->ClearGeneratedImages(); });
}

void CJQWImageManagerIconSet::RemoveAll()
{
    ForEachValue(m_icons, [](auto* icon) { icon->InternalRelease(); });
    m_icons.RemoveAll();
}

// ---- the manager ----

CJQWImageManager::CJQWImageManager()
{
    m_sets.InitHashTable(127);
    m_msimg32 = LoadLibraryW(u"msimg32.dll");
    if (m_msimg32) {
        m_alphaBlend = reinterpret_cast<decltype(m_alphaBlend)>(GetProcAddress(m_msimg32, "AlphaBlend"));
        m_transparentBlt = reinterpret_cast<decltype(m_transparentBlt)>(GetProcAddress(m_msimg32, "TransparentBlt"));
    }
}

CJQWImageManager::~CJQWImageManager()
{
    RemoveAll();
    if (m_msimg32)
        FreeLibrary(m_msimg32);
}

CJQWImageManagerIconSet* CJQWImageManager::FindIconSet(UINT id) const
{
    CJQWImageManagerIconSet* set = nullptr;
    return m_sets.Lookup(id, set) ? set : nullptr;
}

CJQWImageManagerIcon* CJQWImageManager::GetImage(UINT id, int width) const
{
    CJQWImageManagerIconSet* set = FindIconSet(id);
    return set ? set->GetIcon(width, TRUE) : nullptr;
}

BOOL CJQWImageManager::HasIcon(UINT id, int width) const
{
    CJQWImageManagerIconSet* set = FindIconSet(id);
    return set && set->GetIcon(width, FALSE) != nullptr;
}

BOOL CJQWImageManager::SetIcon(const CJQWIconImageHandle& image, UINT id, CSize size, int state)
{
    if (image.IsEmpty())
        return FALSE;
    if (size.cx == 0 && size.cy == 0)
        size = image.GetExtent();
    if (size.cx == 0 && size.cy == 0)
        return FALSE;
    if (CJQWImageManagerIconSet* set = FindIconSet(id)) {
        switch (state) {
        case jqwImageNormal: set->SetIcon(image, size.cx); break;
        case jqwImageDisabled: set->SetDisabledIcon(image, size.cx); break;
        case jqwImageHot: set->SetHotIcon(image, size.cx); break;
        case jqwImageChecked: set->SetCheckedIcon(image, size.cx); break;
        case jqwImagePressed: set->SetPressedIcon(image, size.cx); break;
        default: break;
        }
        return TRUE;
    }
    if (state != jqwImageNormal)
        return FALSE;
    auto* set = new CJQWImageManagerIconSet(id, this);
    set->SetIcon(image, size.cx);
    m_sets.SetAt(id, set);
    return TRUE;
}

UINT CJQWImageManager::AddCustomIcon(const CJQWIconImageHandle& image)
{
    const UINT id = ++m_lastCustomId;
    auto* set = new CJQWImageManagerIconSet(id, this);
    set->SetIcon(image, image.GetExtent().cx);
    m_sets.SetAt(id, set);
    return id;
}

void CJQWImageManager::NoteUsedId(UINT id)
{
    if (id > m_lastCustomId)
        m_lastCustomId = id;
}

void CJQWImageManager::RemoveAll()
{
    ForEachValue(m_sets, [](auto* set) { set->InternalRelease(); });
    m_sets.RemoveAll();
}

void CJQWImageManager::RefreshAll()
{
    ForEachValue(m_sets, [](auto* set) { set->RefreshAll(); });
}

CJQWImageManager* GetImageManager()
{
    static std::unique_ptr<CJQWImageManager> manager = std::make_unique<CJQWImageManager>();
    return manager.get();
}
