#include "engine/ActionTarget.h"

#include "engine/Action.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"
#include "platform/imaging/ImageFile.h"

#include <algorithm>
#include <exception>
#include <system_error>

#include <sys/stat.h>

namespace {
bool isSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// Where the file-name part of a path starts: after the last separator, or after a drive colon.
std::size_t fileNameStart(std::u16string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (isSeparator(path[i - 1]))
            return i;
    if (path.size() >= 2 && path[1] == u':' && AsciiIsAlpha(path[0]))
        return 2;
    return 0;
}

// What tells one state of a file from another: device, inode, size and change time. Empty when
// the file cannot be looked at.
std::string sourceFileStamp(const std::u16string& path)
{
    struct stat info {};
    if (::stat(Utf16ToUtf8(path).c_str(), &info) != 0)
        return std::string();
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + ":" +
           std::to_string(info.st_ctim.tv_sec) + "." + std::to_string(info.st_ctim.tv_nsec);
}

struct SaveFormat {
    int format;
    int bitsPerPixel;
    int quality;
};

// The imaging layer's format, depth and quality factor for an output type; false for a type
// that cannot be written.
bool chooseSaveFormat(int imageType, const ImageBitmap& bitmap, int quality, SaveFormat& out)
{
    switch (imageType) {
    case IMAGE_TYPE_JPEG:
        out = { IMAGE_FORMAT_JPEG, std::min(bitmap.bitsPerPixel, 24), (quality == 0 || quality == 0xFFFF) ? 2 : quality };
        return true;
    case IMAGE_TYPE_PNG:
        out = { IMAGE_FORMAT_PNG, bitmap.bitsPerPixel, quality == 0xFFFF ? 0 : quality };
        return true;
    case IMAGE_TYPE_GIF:
        out = { IMAGE_FORMAT_GIF, 8, 2 };
        return true;
    case IMAGE_TYPE_BMP:
        out = { IMAGE_FORMAT_BMP, bitmap.bitsPerPixel, 2 };
        return true;
    default:
        return false;
    }
}
}

int CFileTarget::SaveAs(std::u16string_view path, int, int)
{
    SetOutputPath(path);
    return RESULT_SUCCESS;
}

std::u16string CFileTarget::GetDisplayName() const
{
    return m_sourcePath.substr(fileNameStart(m_sourcePath));
}

int CFileTarget::GetSupportedTypes(std::vector<int>& types) const
{
    if (types.empty())
        types.push_back(IMAGE_TYPE_UNKNOWN);
    return int(types.size());
}

CImageFileTarget::CImageFileTarget(std::u16string_view sourcePath)
{
    SetSourcePath(sourcePath);
    SetOriginalType(ImageTypeFromExtension(sourcePath));
}

int CImageFileTarget::GetTargetType() const { return TARGET_TYPE_IMAGE_FILE; }

int CImageFileTarget::GetSupportedTypes(std::vector<int>& types) const
{
    for (int type : { IMAGE_TYPE_BMP, IMAGE_TYPE_JPEG, IMAGE_TYPE_PNG, IMAGE_TYPE_GIF })
        types.push_back(type);
    return int(types.size());
}

ImageBitmap* CImageFileTarget::GetBitmap()
{
    return load(0, 0);
}

ImageBitmap* CImageFileTarget::GetBitmapForSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return load(0, 0);
    return load(width, height);
}

ImageBitmap* CImageFileTarget::load(int width, int height)
{
    if (m_bitmap)
        return m_bitmap.get();
    std::string warning;
    if (auto prefetched = takePrefetched(width, height, warning)) {
        m_bitmap = std::move(prefetched);
    } else {
        auto bitmap = std::make_unique<ImageBitmap>();
        int result = LoadImageFileForSize(GetSourcePath(), bitmap.get(), width, height, 0, IMAGING_COLOR_ORDER_BGR, IMAGING_NO_FLAGS);
        if (result != IMAGING_SUCCESS) {
            LogError(u"Failed to load image %s: %d (%s)", GetSourcePath(), result, GetImagingErrorDetail());
            return nullptr;
        }
        warning = GetImagingWarningDetail();
        m_bitmap = std::move(bitmap);
    }
    // A picture cut short or with bad data is still worked on, as other viewers show it; the
    // user hears what the decoder found.
    if (!warning.empty())
        LogWarning(u"Image %s is damaged; processed as far as it could be read: %s", GetSourcePath(), warning);
    return m_bitmap.get();
}

void CImageFileTarget::ReleaseBitmap()
{
    m_bitmap.reset();
    DropPrefetch();
}

bool CImageFileTarget::GetSourceSize(long& width, long& height)
{
    if (!m_bitmap) {
        ImageFileInfo info;
        if (GetImageFileInfo(GetSourcePath(), &info) == IMAGING_SUCCESS && info.format == IMAGE_FORMAT_JPEG &&
            info.width > 0 && info.height > 0) {
            width = info.width;
            height = info.height;
            return true;
        }
    }
    ImageBitmap* bitmap = GetBitmap();
    if (!bitmap)
        return false;
    width = bitmap->VisibleWidth();
    height = bitmap->VisibleHeight();
    return true;
}

void CImageFileTarget::Prefetch(LoadSizeRule rule)
{
    if (m_bitmap || m_prefetch.valid())
        return;
    std::u16string path = GetSourcePath();
    auto loadAhead = [path = std::move(path), rule = std::move(rule)] {
        PrefetchedBitmap out;
        out.fileStamp = sourceFileStamp(path);
        ImageFileInfo info;
        out.jpeg = GetImageFileInfo(path, &info) == IMAGING_SUCCESS && info.format == IMAGE_FORMAT_JPEG;
        if (rule && out.jpeg && info.width > 0 && info.height > 0) {
            int width = 0, height = 0;
            if (rule(info.width, info.height, width, height) && width > 0 && height > 0) {
                out.width = width;
                out.height = height;
            }
        }
        auto bitmap = std::make_unique<ImageBitmap>();
        if (LoadImageFileForSize(path, bitmap.get(), out.width, out.height, 0, IMAGING_COLOR_ORDER_BGR, IMAGING_NO_FLAGS) ==
                IMAGING_SUCCESS &&
            !out.fileStamp.empty() && sourceFileStamp(path) == out.fileStamp) {
            out.bitmap = std::move(bitmap);
            out.warning = GetImagingWarningDetail();
        }
        return out;
    };
    try {
        m_prefetch = std::async(std::launch::async, std::move(loadAhead));
    } catch (const std::system_error&) {
        // No thread to be had: the bitmap is loaded when it is asked for.
    }
}

std::unique_ptr<ImageBitmap> CImageFileTarget::takePrefetched(int width, int height, std::string& warning)
{
    if (!m_prefetch.valid())
        return nullptr;
    PrefetchedBitmap prefetched;
    try {
        prefetched = m_prefetch.get();
    } catch (const std::exception&) {
        return nullptr;  // out of memory on the loading thread: load here as usual
    }
    // A JPEG decode is only what this request would have given when it was made for the same size.
    const bool sameRequest = prefetched.width == width && prefetched.height == height;
    if (!sameRequest && prefetched.jpeg)
        return nullptr;
    // An earlier target of the batch may have written over this one's source since (a save
    // into the source folder); then the file is read again, as it would have been without the prefetch.
    if (sourceFileStamp(GetSourcePath()) != prefetched.fileStamp)
        return nullptr;
    if (prefetched.bitmap)
        warning = prefetched.warning;
    return std::move(prefetched.bitmap);
}

int CImageFileTarget::SaveAs(std::u16string_view path, int imageType, int quality)
{
    ImageBitmap* bitmap = GetBitmap();
    if (!bitmap)
        return RESULT_INTERNAL_ERROR;
    SaveFormat save;
    if (!chooseSaveFormat(imageType, *bitmap, quality, save))
        return RESULT_INVALID_FILE_TYPE;
    std::u16string target(path);
    int result = SaveImageFile(target, bitmap, save.format, save.bitsPerPixel, save.quality, IMAGING_SAVE_FLAGS);
    if (result != IMAGING_SUCCESS) {
        LogError(u"Failed to save image %s: %d (%s)", target, result, GetImagingErrorDetail());
        return RESULT_FILE_SAVE_FAILED;
    }
    SetOutputPath(target);
    return RESULT_SUCCESS;
}

int ImageTypeFromExtension(std::u16string_view path)
{
    std::u16string_view name = path.substr(fileNameStart(path));
    std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return IMAGE_TYPE_UNKNOWN;
    std::u16string_view extension = name.substr(dot);
    if (EqualsNoCase(extension, u".jpg") || EqualsNoCase(extension, u".jpeg"))
        return IMAGE_TYPE_JPEG;
    if (EqualsNoCase(extension, u".bmp"))
        return IMAGE_TYPE_BMP;
    if (EqualsNoCase(extension, u".png"))
        return IMAGE_TYPE_PNG;
    if (EqualsNoCase(extension, u".gif"))
        return IMAGE_TYPE_GIF;
    return IMAGE_TYPE_UNKNOWN;
}
