#include "engine/actions/ActionSaveFile.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "engine/TextHelpers.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

namespace {
constexpr int kDefaultQuality = 0xFFFF;

bool isSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// The folder part of a path (with its last separator) and the file name without extension.
void splitSourcePath(std::u16string_view path, std::u16string& folder, std::u16string& baseName)
{
    std::size_t nameStart = 0;
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isSeparator(path[i - 1])) {
            nameStart = i;
            break;
        }
    }
    folder = path.substr(0, nameStart);
    std::u16string_view name = path.substr(nameStart);
    std::size_t dot = name.rfind(u'.');
    baseName = name.substr(0, dot);
}

void appendNumber(std::u16string& out, int value, bool known) { out += IntToString(known ? value : -1); }
}

CActionSaveFile::CActionSaveFile()
{
    SetPropertyString(u"filenametemplate", FormatString(u"%s_%s-%s-%s at %s-%s", u"%o", u"%m", u"%d", u"%y", u"%h", u"%i"));
    SetPropertyString(u"destfolder", u"");
    SetPropertyInt(u"destfiletype", IMAGE_TYPE_ORIGINAL);
    SetPropertyInt(u"compressionquality", kDefaultQuality);
}

std::u16string CActionSaveFile::GetName() const { return LoadStringText(125); }
std::u16string CActionSaveFile::GetDescription() const { return LoadStringText(257); }

bool CActionSaveFile::ShowPropertyDialog(int targetKind, HWND)
{
    SaveFileDialogValues values;
    GetPropertyString(u"filenametemplate", values.fileNameTemplate);
    GetPropertyString(u"destfolder", values.destinationFolder);
    GetPropertyInt(u"destfiletype", values.fileType);
    GetPropertyInt(u"compressionquality", values.quality);
    if (values.quality == kDefaultQuality)
        values.quality = 0;
    if (targetKind == TARGET_TYPE_IMAGE_FILE) {
        RefPtr<CImageFileTarget> kind = RefPtr<CImageFileTarget>::Adopt(new CImageFileTarget);
        kind->GetSupportedTypes(values.offeredTypes);
    }
    if (GetActionPropertyDialogs().RunSaveFileDialog(values) != IDOK)
        return false;
    SetPropertyString(u"filenametemplate", values.fileNameTemplate);
    SetPropertyString(u"destfolder", values.destinationFolder);
    SetPropertyInt(u"destfiletype", values.fileType);
    SetPropertyInt(u"compressionquality", values.quality);
    return true;
}

int CActionSaveFile::Process(CActionTarget* target)
{
    std::u16string folder;
    std::u16string nameTemplate;
    int type = 0;
    int quality = 0;
    GetPropertyString(u"destfolder", folder);
    GetPropertyString(u"filenametemplate", nameTemplate);
    GetPropertyInt(u"destfiletype", type);
    GetPropertyInt(u"compressionquality", quality);

    auto* file = dynamic_cast<CFileTarget*>(target);
    if (!file)
        return RESULT_ACTION_NOT_COMPATIBLE;
    if (type == IMAGE_TYPE_ORIGINAL)
        type = file->GetOriginalType();
    if (type == IMAGE_TYPE_UNKNOWN)
        return RESULT_INVALID_FILE;

    std::u16string sourceFolder;
    std::u16string baseName;
    splitSourcePath(file->GetSourcePath(), sourceFolder, baseName);
    if (folder.empty())
        folder = sourceFolder;

    SYSTEMTIME now;
    GetLocalTime(&now);
    std::u16string path = folder;
    // A source given without a folder is saved beside it, in the current folder.
    if (!path.empty() && !isSeparator(path.back()))
        path += u'/';
    path += ExpandFileNameTemplate(nameTemplate, baseName, &now, target->GetIndex());
    std::u16string extension = ImageTypeExtension(type);
    if (!extension.empty())
        path += u"." + extension;

    CActionStack* stack = GetStack();
    if (stack && stack->IsPreview())
        return RESULT_SUCCESS;
    // Two inputs of one run named alike ("%o" over photos of two folders) would otherwise leave
    // only the later one; a file from an earlier run is replaced as always.
    std::u16string earlier;
    if (stack && stack->IsOutputTaken(path, file->GetSourcePath(), earlier)) {
        LogError(u"%s: %s is not saved: %s, made from %s in this run, has that name", GetName(), file->GetSourcePath(),
            path, earlier);
        return RESULT_FILE_SAVE_FAILED;
    }
    int result = file->SaveAs(path, type, quality);
    if (result == RESULT_SUCCESS && stack)
        stack->NoteOutput(path, file->GetSourcePath());
    return result;
}

std::u16string ExpandFileNameTemplate(std::u16string_view nameTemplate, std::u16string_view originalName,
    const SYSTEMTIME* localTime, int batchIndex)
{
    const bool known = localTime != nullptr;
    SYSTEMTIME time;
    if (known)
        time = *localTime;
    std::u16string out;
    out.reserve(nameTemplate.size() + originalName.size());
    for (std::size_t i = 0; i < nameTemplate.size(); ++i) {
        char16_t c = nameTemplate[i];
        if (c != u'%' || i + 1 == nameTemplate.size()) {
            out += c;
            continue;
        }
        switch (nameTemplate[i + 1]) {
        case u'o': out += originalName; break;
        case u'd': appendNumber(out, time.wDay, known); break;
        case u'm': appendNumber(out, time.wMonth, known); break;
        case u'y': appendNumber(out, time.wYear, known); break;
        case u'i': appendNumber(out, time.wMinute, known); break;
        case u'h': appendNumber(out, time.wHour, known); break;
        case u's': appendNumber(out, time.wSecond, known); break;
        case u'b': out += IntToString(batchIndex); break;
        default:
            // Not a token: the '%' stays, and the next character may start one.
            out += c;
            continue;
        }
        ++i;
    }
    return out;
}
