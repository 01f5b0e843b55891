#pragma once
// The toolkit's store of command icons: a command id owns an icon set, a set holds one icon per
// width, an icon holds the images of one picture for each state (normal, faded, shadow, hot,
// checked, pressed, disabled and a generated disabled image).

#include "platform/framework/CmdTarget.h"
#include "platform/framework/Collections.h"
#include "platform/framework/Geometry.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/ImageList.h"
#include "platform/base/Modules.h"

class CArchive;
class COleDataObject;
class CJQWImageManager;
class CJQWPropExchange;
class CJQWImageManagerIconSet;

enum JQWImageState { jqwImageNormal = 0, jqwImageDisabled = 1, jqwImageHot = 2, jqwImageChecked = 3, jqwImagePressed = 4 };

// One image: an icon, or a 32-bit bitmap whose colours are not premultiplied, with a cache of
// the premultiplied form.
class CJQWIconImageHandle {
public:
    CJQWIconImageHandle() = default;
    // Neither of these owns what it is given.
    explicit CJQWIconImageHandle(HICON icon) : m_icon(icon), m_owns(FALSE) { }
    explicit CJQWIconImageHandle(HBITMAP alphaBitmap) : m_alphaBitmap(alphaBitmap), m_owns(FALSE) { }
    // A reference to the same icon and bitmap, without the cache and without owning them.
    CJQWIconImageHandle(const CJQWIconImageHandle& other)
        : m_icon(other.m_icon), m_alphaBitmap(other.m_alphaBitmap), m_owns(FALSE)
    {
    }
    CJQWIconImageHandle& operator=(const CJQWIconImageHandle&) = delete;
    ~CJQWIconImageHandle() { Clear(); }

    void Clear();
    void SetIcon(HICON icon);
    void SetBitmap(HBITMAP alphaBitmap);
    void SetBitmapCopy(HBITMAP bitmap);
    void CopyFrom(const CJQWIconImageHandle& other);
    CSize GetExtent() const;
    BOOL EnsurePremultiplied();

    BOOL IsEmpty() const { return !m_icon && !m_alphaBitmap; }
    BOOL IsAlpha() const { return m_alphaBitmap != nullptr; }
    HICON GetIcon() const { return m_icon; }
    HBITMAP GetBitmap() const { return m_alphaBitmap; }
    HBITMAP GetPremultipliedBitmap() const { return m_premultiplied; }

    // From the current resource module: an icon of a group whose entry is exactly cx x cy, or
    // the icon resource of the id itself.
    BOOL LoadIconResource(UINT id, int cx, int cy, BOOL fromGroup);

private:
    HICON m_icon = nullptr;
    HBITMAP m_alphaBitmap = nullptr;
    HBITMAP m_premultiplied = nullptr;
    BOOL m_owns = TRUE;
};

class CJQWImageManagerIcon : public CCmdTarget {
public:
    CJQWImageManagerIcon(UINT id, int width, int height, CJQWImageManagerIconSet* set = nullptr);
    ~CJQWImageManagerIcon() override;

    const CJQWIconImageHandle& GetNormalImage() const { return m_images[kNormal]; }
    CJQWIconImageHandle& GetHotImage();
    CJQWIconImageHandle& GetCheckedImage();
    CJQWIconImageHandle& GetPressedImage();
    CJQWIconImageHandle& GetDisabledImage(BOOL generate = TRUE);
    CJQWIconImageHandle& GetFadedImage();
    CJQWIconImageHandle& GetShadowImage();
    CJQWIconImageHandle& GetImageForState(int state);
    BOOL HasDisabledImage() const;
    BOOL IsAlphaIcon() const { return m_images[kNormal].IsAlpha(); }

    BOOL SetNormalImage(const CJQWIconImageHandle& image);
    BOOL SetHotImage(const CJQWIconImageHandle& image) { return SetImage(kHot, image); }
    BOOL SetCheckedImage(const CJQWIconImageHandle& image) { return SetImage(kChecked, image); }
    BOOL SetPressedImage(const CJQWIconImageHandle& image) { return SetImage(kPressed, image); }
    BOOL SetDisabledImage(const CJQWIconImageHandle& image) { return SetImage(kDisabled, image); }
    void ClearGeneratedImages();

    // cx 0: the icon's width; cy 0: cx * height / width.
    BOOL Draw(HDC dc, int x, int y, CJQWIconImageHandle& image, int cx = 0, int cy = 0);
    BOOL DrawNormalImage(HDC dc, int x, int y) { return Draw(dc, x, y, m_images[kNormal]); }
    void DrawMonochrome(HDC dc, POINT point, CJQWIconImageHandle& image, SIZE size, COLORREF color);

    // The computed images.
    void CreateFadedIcon();
    void CreateShadowIcon();
    // -1 for either colour gives grey; otherwise a tint from `second` (dark) to `first` (light).
    void BuildDerivedIcon(COLORREF first = COLORREF(-1), COLORREF second = COLORREF(-1));

    CSize GetExtent() const { return CSize(m_width, m_height); }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    UINT GetID() const { return m_id; }
    CJQWImageManager* GetImageManager() const;
    CJQWImageManagerIconSet* GetIconSet() const { return m_set; }

    // Height, schema, then the normal, disabled, hot, checked and pressed images.
    void Serialize(CArchive& archive) override;
    static void SerializeImage(CJQWIconImageHandle& image, CArchive& archive);

    BOOL m_composite = FALSE;

private:
    friend class CJQWImageManagerIconSet;
    enum Slot { kNormal, kFaded, kShadow, kHot, kChecked, kPressed, kDisabled, kGeneratedDisabled, kSlots };
    BOOL SetImage(Slot slot, const CJQWIconImageHandle& image);

    UINT m_id;
    int m_width;
    int m_height;
    CJQWIconImageHandle m_images[kSlots];
    CJQWImageManagerIconSet* m_set;
};

class CJQWImageManagerIconSet : public CCmdTarget {
public:
    CJQWImageManagerIconSet(UINT id, CJQWImageManager* manager);
    ~CJQWImageManagerIconSet() override;

    // Enters an icon under a width, releasing one entered there before.
    void SetIconAt(int width, CJQWImageManagerIcon* icon);

    // Exact width; 0 the narrowest, 1 the widest; with `nearest` the closest width.
    CJQWImageManagerIcon* GetIcon(int width, BOOL nearest = TRUE) const;
    CJQWImageManagerIcon* GetOrCreateIcon(int width);
    BOOL SetIcon(const CJQWIconImageHandle& image, int width);
    BOOL SetHotIcon(const CJQWIconImageHandle& image, int width);
    BOOL SetCheckedIcon(const CJQWIconImageHandle& image, int width);
    BOOL SetPressedIcon(const CJQWIconImageHandle& image, int width);
    BOOL SetDisabledIcon(const CJQWIconImageHandle& image, int width);
    void RefreshAll();
    void RemoveAll();

    UINT GetID() const { return m_id; }
    CJQWImageManager* GetImageManager() const { return m_manager; }
    const CMap<UINT, UINT, CJQWImageManagerIcon*, CJQWImageManagerIcon*>& GetIcons() const { return m_icons; }

private:
    CMap<UINT, UINT, CJQWImageManagerIcon*, CJQWImageManagerIcon*> m_icons;
    UINT m_id;
    CJQWImageManager* m_manager;
};

class CJQWImageManager : public CCmdTarget {
public:
    CJQWImageManager();
    ~CJQWImageManager() override;

    CJQWImageManagerIcon* GetImage(UINT id, int width = 0) const;
    BOOL HasIcon(UINT id, int width = 0) const;
    CJQWImageManagerIconSet* FindIconSet(UINT id) const;
    BOOL SetIcon(const CJQWIconImageHandle& image, UINT id, CSize size = CSize(0, 0), int state = jqwImageNormal);
    UINT AddCustomIcon(const CJQWIconImageHandle& image);
    void RemoveAll();
    void RefreshAll();

    BOOL SetIconsFromImageList(HIMAGELIST list, const UINT* ids, int count, CSize size, int state = jqwImageNormal);
    BOOL SetIconsFromBitmap(HBITMAP bitmap, const UINT* ids, int count, CSize size, int state, BOOL alpha);
    // From the current resource module.
    BOOL SetIconsFromResource(UINT bitmapId, const UINT* ids, int count, CSize size, int state = jqwImageNormal);
    // The toolbar's buttons (separators left out) from the bitmap of the same id.
    BOOL SetIconsFromToolBar(UINT toolbarId, int state = jqwImageNormal);
    BOOL AlphaBlit(HDC dc, const CRect& destination, HDC source, const CRect& sourceRect);
    BOOL TransparentBlit(HDC dc, const CRect& destination, HDC source, const CRect& sourceRect, COLORREF transparent);

    // Raises the last custom id so that `id` is never handed out.
    void NoteUsedId(UINT id);

    // The icon set of one command, or all of them, through the settings exchange.
    void ExchangeIconSet(UINT id, CJQWPropExchange* exchange);
    void ExchangeIconSets(CJQWPropExchange* exchange);
    void Serialize(CArchive& archive) override;

    // One icon set as a block of the registered format. The caller has opened and emptied the
    // clipboard and closes it; FALSE when nothing was put there.
    BOOL CopyIconToClipboard(UINT id);
    // The set under the next custom id, which is returned; 0 when the data holds no readable set.
    UINT PasteIconFromClipboard(COleDataObject* data);
    // "Pelmar ToolBar Image", registered at start-up.
    static const UINT m_nClipboardFormat;

    COLORREF m_maskColor = COLORREF(-1);
    // 1 mirrors icons always, 2 when the target DC lays out right to left.
    int m_rtlMode = 2;

    const CMap<UINT, UINT, CJQWImageManagerIconSet*, CJQWImageManagerIconSet*>& GetIconSets() const { return m_sets; }

private:
    CMap<UINT, UINT, CJQWImageManagerIconSet*, CJQWImageManagerIconSet*> m_sets;
    UINT m_lastCustomId = 0x10AAA;
    HMODULE m_msimg32 = nullptr;
    BOOL (*m_alphaBlend)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION) = nullptr;
    BOOL (*m_transparentBlt)(HDC, int, int, int, int, HDC, int, int, int, int, UINT) = nullptr;

    BOOL SoftwareAlphaBlit(HDC dc, const CRect& destination, HDC source, const CRect& sourceRect);
    BOOL SoftwareTransparentBlit(HDC dc, const CRect& destination, HDC source, const CRect& sourceRect,
                                 COLORREF transparent);
};

CJQWImageManager* GetImageManager();

// Colour arithmetic of the computed images.
COLORREF LightenColor(COLORREF color, double factor);
void BlendColorPercent(COLORREF& color, COLORREF other, int percent);
void SubtractColor(COLORREF& color, COLORREF other);
