#pragma once
// Pieces shared by the image action tests: targets over bitmaps or files, pictures whose pixels
// tell where they came from, and pixel comparisons.

#include "EngineTestSupport.h"

#include "engine/ActionDialogs.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/Imaging.h"
#include "resources/MessageBox.h"

#include <algorithm>
#include <cstring>

#include <memory>

namespace enginetest {

template <typename T> RefPtr<T> Adopt(T* object) { return RefPtr<T>::Adopt(object); }

inline RefPtr<CImageFileTarget> TargetWith(std::unique_ptr<ImageBitmap> bitmap)
{
    auto target = Adopt(new CImageFileTarget(u"/nowhere/picture.png"));
    target->SetBitmap(std::move(bitmap));
    return target;
}

// A picture whose every pixel differs from its neighbours: red follows x, green y, blue both.
inline std::unique_ptr<ImageBitmap> Gradient(int width, int height, int bitsPerPixel = 24)
{
    auto bitmap = MakeBitmap(width, height, 0, bitsPerPixel);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(*bitmap, x, y, RGB((x * 7) & 255, (y * 5) & 255, (x + y * 3) & 255));
    return bitmap;
}

inline std::unique_ptr<ImageBitmap> CopyOf(const ImageBitmap& bitmap)
{
    auto copy = std::make_unique<ImageBitmap>();
    EXPECT_EQ(CopyBitmap(copy.get(), &bitmap), IMAGING_SUCCESS);
    return copy;
}

// Equal size, depth and every byte of every row's pixels.
inline ::testing::AssertionResult SamePixels(const ImageBitmap& a, const ImageBitmap& b)
{
    if (a.width != b.width || a.height != b.height || a.bitsPerPixel != b.bitsPerPixel)
        return ::testing::AssertionFailure() << a.width << "x" << a.height << "x" << a.bitsPerPixel << " vs "
                                             << b.width << "x" << b.height << "x" << b.bitsPerPixel;
    const std::size_t rowBytes = std::size_t(a.width) * a.BytesPerPixel();
    for (LONG y = 0; y < a.height; ++y) {
        if (std::memcmp(a.Row(y), b.Row(y), rowBytes) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    }
    return ::testing::AssertionSuccess();
}

inline BYTE AlphaAt(const ImageBitmap& bitmap, int x, int y) { return bitmap.Row(y)[std::size_t(x) * 4 + 3]; }

// The smallest rectangle holding every pixel that differs between two equal-sized pictures;
// empty (all zero) when none does.
inline RECT ChangedArea(const ImageBitmap& before, const ImageBitmap& after)
{
    RECT area { 0, 0, 0, 0 };
    bool any = false;
    for (int y = 0; y < before.height; ++y) {
        for (int x = 0; x < before.width; ++x) {
            if (PixelAt(before, x, y) == PixelAt(after, x, y))
                continue;
            if (!any)
                area = RECT { x, y, x + 1, y + 1 };
            area.left = std::min<LONG>(area.left, x);
            area.top = std::min<LONG>(area.top, y);
            area.right = std::max<LONG>(area.right, x + 1);
            area.bottom = std::max<LONG>(area.bottom, y + 1);
            any = true;
        }
    }
    return area;
}

inline void SavePng(const fs::path& path, const ImageBitmap& bitmap)
{
    ASSERT_EQ(SaveImageFile(path.string(), &bitmap, IMAGE_FORMAT_PNG, 0, 0), IMAGING_SUCCESS) << path;
}

// Dialogs that accept and hand back values the test chose.
class AcceptingDialogs : public ActionPropertyDialogs {
public:
    int RunBrightnessDialog(BrightnessDialogValues& values) override
    {
        seenBrightness = values;
        values = brightness;
        return IDOK;
    }
    int RunContrastDialog(ContrastDialogValues& values) override
    {
        seenContrast = values;
        values = contrast;
        return IDOK;
    }
    int RunSharpenDialog(SharpenDialogValues& values) override
    {
        seenSharpen = values;
        values = sharpen;
        return IDOK;
    }
    int RunBorderDialog(BorderDialogValues& values) override
    {
        seenBorder = values;
        values = border;
        return IDOK;
    }
    int RunCropDialog(CropDialogValues& values) override
    {
        seenCrop = values;
        values = crop;
        return IDOK;
    }
    int RunFrameDialog(FrameDialogValues& values) override
    {
        seenFrame = values;
        values = frame;
        return IDOK;
    }
    int RunRoundRectFrameDialog(RoundRectFrameDialogValues& values) override
    {
        seenRoundRect = values;
        values = roundRect;
        return IDOK;
    }
    int RunShadowDialog(ShadowDialogValues& values) override
    {
        seenShadow = values;
        values = shadow;
        return IDOK;
    }
    int RunWatermarkDialog(WatermarkDialogValues& values) override
    {
        seenWatermark = values;
        values = watermark;
        return IDOK;
    }

    BrightnessDialogValues brightness, seenBrightness;
    ContrastDialogValues contrast, seenContrast;
    SharpenDialogValues sharpen, seenSharpen;
    BorderDialogValues border, seenBorder;
    CropDialogValues crop, seenCrop;
    FrameDialogValues frame, seenFrame;
    RoundRectFrameDialogValues roundRect, seenRoundRect;
    ShadowDialogValues shadow, seenShadow;
    WatermarkDialogValues watermark, seenWatermark;
};

// Installs dialogs for one scope.
class InstalledDialogs {
public:
    explicit InstalledDialogs(ActionPropertyDialogs* dialogs)
        : m_previous(SetActionPropertyDialogs(dialogs))
    {
    }
    ~InstalledDialogs() { SetActionPropertyDialogs(m_previous); }
    InstalledDialogs(const InstalledDialogs&) = delete;
    InstalledDialogs& operator=(const InstalledDialogs&) = delete;

private:
    ActionPropertyDialogs* m_previous;
};

inline std::string PropertyText(CAction& action, std::u16string_view name)
{
    std::u16string value;
    if (!action.GetPropertyString(name, value))
        return "<missing>";
    return N(value);
}

}
