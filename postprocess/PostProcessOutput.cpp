#include "postprocess/PostProcessOutput.h"

#include "engine/Action.h"
#include "engine/ActionTarget.h"
#include "engine/ToTvString.h"
#include "platform/base/Directory.h"
#include "resources/StringTable.h"

namespace {
bool isSeparator(char16_t c) { return c == u'/' || c == u'\\'; }
}

std::u16string WithTrailingSeparator(std::u16string_view path)
{
    std::u16string text(path);
    if (text.empty() || !isSeparator(text.back()))
        text += u'/';
    return text;
}

std::u16string WithoutTrailingSeparator(std::u16string_view path)
{
    std::u16string text(path);
    while (text.size() > 1 && isSeparator(text.back()))
        text.pop_back();
    return text;
}

std::u16string SingleLineText(std::u16string_view text)
{
    std::u16string line;
    bool pendingBlank = false;
    for (char16_t c : text) {
        bool blank = c == u'\r' || c == u'\n' || c == u' ' || c == u'\t';
        if (blank) {
            pendingBlank = !line.empty();
            continue;
        }
        if (pendingBlank)
            line += u' ';
        pendingBlank = false;
        line += c;
    }
    return line;
}

std::string ToAnsiText(std::u16string_view text)
{
    ToTvString converted(text);
    const char* ansi = converted.GetString();
    return ansi ? std::string(ansi) : std::string();
}

PostProcessOutput SelectPostProcessOutput(const CPostProcessAction& action)
{
    PostProcessOutput output;
    std::u16string previous = action.GetPreviousOutputPath();
    if (!previous.empty()) {
        DWORD attributes = GetFileAttributesW(previous.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            output.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PostProcessOutput::PREVIOUS_FOLDER
                                                                   : PostProcessOutput::PREVIOUS_FILE;
            output.path = previous;
            return output;
        }
    }
    output.kind = PostProcessOutput::COLLECTED_FILES;
    for (CFileTarget* target : action.GetCollected())
        output.files.push_back(target->GetOutputOrSourcePath());
    return output;
}

int CollectFolderFiles(std::u16string_view folder, std::vector<std::u16string>& files)
{
    std::u16string base = WithTrailingSeparator(folder);
    std::u16string pattern = base + u"*.*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return int(files.size());
    do {
        std::u16string_view name(found.cFileName);
        if (name == u"." || name == u"..")
            continue;
        std::u16string path = base + std::u16string(name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (IsDirectoryToDescend(found.dwFileAttributes))
                CollectFolderFiles(path, files);
        } else {
            files.push_back(std::move(path));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return int(files.size());
}

bool AppendValidationProblems(std::initializer_list<ValidationCheck> checks, std::vector<std::u16string>& problems)
{
    bool valid = true;
    for (const ValidationCheck& check : checks) {
        if (check.failed) {
            problems.push_back(LoadStringText(check.text));
            valid = false;
        }
    }
    return valid;
}
