#include "engine/actions/ActionImageFrame.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "engine/ProgramFolder.h"
#include "engine/ResultCodes.h"
#include "platform/base/Directory.h"
#include "platform/base/TextCase.h"
#include "platform/imaging/ImageCompose.h"
#include "platform/imaging/ImageFile.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <climits>

namespace {

enum FramePart : short {
    PART_TOP_LEFT = 1,
    PART_TOP_RIGHT = 2,
    PART_BOTTOM_RIGHT = 3,
    PART_BOTTOM_LEFT = 4,
    PART_LEFT = 5,
    PART_TOP = 6,
    PART_RIGHT = 7,
    PART_BOTTOM = 8,
};

const char16_t* framePartFileName(short partNumber)
{
    switch (partNumber) {
    case PART_TOP_LEFT: return u"topleft.jpg";
    case PART_TOP_RIGHT: return u"topright.jpg";
    case PART_BOTTOM_RIGHT: return u"bottomright.jpg";
    case PART_BOTTOM_LEFT: return u"bottomleft.jpg";
    case PART_LEFT: return u"left.jpg";
    case PART_TOP: return u"top.jpg";
    case PART_RIGHT: return u"right.jpg";
    case PART_BOTTOM: return u"bottom.jpg";
    default: return nullptr;
    }
}

enum class EntryKind { Folder, File };

bool isEntryOfKind(const std::u16string& path, EntryKind kind)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == (kind == EntryKind::Folder);
}

// The name on disk of the entry `name` of `folder` (ending in '/'), matched without case as
// frame types and their parts are named by users; empty when there is none. A name is one path
// step: separators, "." and ".." never reach outside the folder.
std::u16string findEntry(const std::u16string& folder, std::u16string_view name, EntryKind kind)
{
    if (name.empty() || name == u"." || name == u".." || name.find_first_of(u"/\\") != std::u16string_view::npos)
        return std::u16string();
    std::u16string exact = folder + std::u16string(name);
    if (isEntryOfKind(exact, kind))
        return std::u16string(name);
    WIN32_FIND_DATAW found;
    std::u16string pattern = folder + u"*";
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::u16string();
    std::u16string match;
    do {
        std::u16string_view entry(found.cFileName);
        if (EqualsNoCase(entry, name) && isEntryOfKind(folder + std::u16string(entry), kind)) {
            match = entry;
            break;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return match;
}

LONG widthOf(const std::unique_ptr<ImageBitmap>& part) { return part->VisibleWidth(); }
LONG heightOf(const std::unique_ptr<ImageBitmap>& part) { return part->VisibleHeight(); }

}

std::u16string GetFramesFolder() { return GetProgramFolder() + u"frames/"; }

void ListFrameTypes(std::vector<std::u16string>& types)
{
    WIN32_FIND_DATAW found;
    std::u16string pattern = GetFramesFolder() + u"*";
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::u16string_view name(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != u"." && name != u"..")
            types.emplace_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

CActionImageFrame::CActionImageFrame() { SetPropertyString(u"frametype", u"matte"); }

std::u16string CActionImageFrame::GetName() const { return LoadStringText(282); }
std::u16string CActionImageFrame::GetDescription() const { return LoadStringText(281); }

bool CActionImageFrame::ShowPropertyDialog(int, HWND)
{
    FrameDialogValues values;
    GetPropertyString(u"frametype", values.frameType);
    if (GetActionPropertyDialogs().RunFrameDialog(values) != IDOK)
        return false;
    SetPropertyString(u"frametype", values.frameType);
    return true;
}

std::unique_ptr<ImageBitmap> CActionImageFrame::LoadFramePart(short partNumber)
{
    const char16_t* fileName = framePartFileName(partNumber);
    if (!fileName)
        return nullptr;
    std::u16string frameType;
    GetPropertyString(u"frametype", frameType);
    std::u16string framesFolder = GetFramesFolder();
    std::u16string typeName = findEntry(framesFolder, frameType, EntryKind::Folder);
    if (typeName.empty())
        return nullptr;
    std::u16string typeFolder = framesFolder + typeName + u"/";
    std::u16string partName = findEntry(typeFolder, fileName, EntryKind::File);
    if (partName.empty())
        return nullptr;
    auto part = std::make_unique<ImageBitmap>();
    if (LoadImageFile(typeFolder + partName, part.get(), 32, IMAGING_COLOR_ORDER_BGR, IMAGING_LOAD_FLAGS) != IMAGING_SUCCESS)
        return nullptr;
    return part;
}

int CActionImageFrame::Process(CActionTarget* target)
{
    CImageFileTarget* image = nullptr;
    ImageBitmap* source = nullptr;
    if (int code = GetImageTarget(target, image, source))
        return code;

    std::unique_ptr<ImageBitmap> parts[9];
    for (short number : { PART_TOP_LEFT, PART_TOP_RIGHT, PART_BOTTOM_LEFT, PART_BOTTOM_RIGHT, PART_LEFT, PART_RIGHT,
                          PART_TOP, PART_BOTTOM }) {
        parts[number] = LoadFramePart(number);
        if (!parts[number])
            return RESULT_FRAME_PART_MISSING;
    }
    const auto& topLeft = parts[PART_TOP_LEFT];
    const auto& topRight = parts[PART_TOP_RIGHT];
    const auto& bottomRight = parts[PART_BOTTOM_RIGHT];
    const auto& bottomLeft = parts[PART_BOTTOM_LEFT];
    const auto& left = parts[PART_LEFT];
    const auto& top = parts[PART_TOP];
    const auto& right = parts[PART_RIGHT];
    const auto& bottom = parts[PART_BOTTOM];

    bool sizesFit = heightOf(top) == heightOf(topLeft) && heightOf(top) == heightOf(topRight)
        && widthOf(topLeft) == widthOf(left) && widthOf(bottomLeft) == widthOf(topLeft)
        && widthOf(topRight) == widthOf(right) && widthOf(topRight) == widthOf(bottomRight)
        && heightOf(bottom) == heightOf(bottomLeft) && heightOf(bottom) == heightOf(bottomRight);
    if (!sizesFit)
        return RESULT_FRAME_PART_SIZES_DIFFER;

    long long width = (long long)source->VisibleWidth() + widthOf(left) + widthOf(right);
    long long height = (long long)source->VisibleHeight() + heightOf(top) + heightOf(bottom);
    auto canvas = std::make_unique<ImageBitmap>();
    int result = IMAGING_ERROR_TOO_LARGE;
    if (width <= INT_MAX && height <= INT_MAX)
        result = CreateBitmap(canvas.get(), int(width), int(height), source->bitsPerPixel, source->colorOrder, nullptr,
                              source->viewPerspective);
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to create the framed bitmap: %d", GetName(), result);
        return RESULT_IMAGE_OPERATION_FAILED;
    }

    result = DrawImageFrame(canvas.get(), *source,
        ImageFrameParts { .topLeft = topLeft.get(), .top = top.get(), .topRight = topRight.get(), .left = left.get(),
            .right = right.get(), .bottomLeft = bottomLeft.get(), .bottom = bottom.get(),
            .bottomRight = bottomRight.get() });
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to draw the frame around the bitmap: %d", GetName(), result);
        return RESULT_IMAGE_OPERATION_FAILED;
    }
    image->SetBitmap(std::move(canvas));
    return RESULT_SUCCESS;
}
