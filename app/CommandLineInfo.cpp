#include "app/CommandLineInfo.h"

#include "engine/ActionTarget.h"
#include "engine/ImageFileWalk.h"
#include "engine/ResultCodes.h"
#include "engine/LogFile.h"
#include "platform/base/Path.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"

#include <cstdio>

namespace {

bool pathExists(const std::u16string& path) { return !path.empty() && PathFileExistsW(path.c_str()); }

int addImageFile(const std::u16string& path, const ImageFileInfo&, void* context)
{
    auto* info = static_cast<CVornaltCommandLineInfo*>(context);
    if (!info)
        return 0;
    return info->AddTargetFile(path) ? 1 : 0;
}

// A file named like a picture that is none would otherwise vanish from the run without a word,
// where "-f" would have failed it.
void noteSkippedFile(const std::u16string& path, void*)
{
    if (ImageTypeFromExtension(path) != IMAGE_TYPE_UNKNOWN)
        LogWarning(u"CLI: Skipped %s: not a picture", path);
}

void logUnknownParameter(CVornaltCommandLineInfo& info, const std::u16string& text)
{
    LogError(u"Unknown parameter given on command-line: %s", text);
    std::fprintf(stderr, "vornalt: unknown parameter given on command-line: %s\n", EscapeLogValue(Utf16ToUtf8(text)).c_str());
    ++info.m_unknownParameters;
}

} // namespace

void CVornaltCommandLineInfo::ParseParam(const std::u16string& param, bool isSwitch, bool)
{
    if (isSwitch)
        ParseSwitch(param);
    else
        ParsePlainParam(param);
}

void CVornaltCommandLineInfo::ParseSwitch(const std::u16string& name)
{
    // An unknown switch ("--verbose") leaves the one in force as it was: the paths after it are
    // still the files or the stack they were meant to be.
    if (name != u"f" && name != u"s" && name != u"d") {
        logUnknownParameter(*this, name);
        return;
    }
    m_strLastSwitch = name;
}

bool CVornaltCommandLineInfo::AddTargetFile(const std::u16string& path)
{
    // The engine still reads '\' as a folder separator in places: such a photo would be left
    // out of an e-mail or saved over another one.
    if (path.find(u'\\') != std::u16string::npos) {
        RefuseInput(path, u"its path holds a backslash, which is not handled yet");
        return false;
    }
    m_targetFiles.push_back(path);
    return true;
}

void CVornaltCommandLineInfo::RefuseInput(const std::u16string& path, const char16_t* reason)
{
    LogError(u"CLI: Input refused: %s: %s", path, reason);
    std::fprintf(stderr, "vornalt: input refused: %s: %s\n", EscapeLogValue(Utf16ToUtf8(path)).c_str(),
        Utf16ToUtf8(reason).c_str());
    ++m_refusedInputs;
}

void CVornaltCommandLineInfo::ParsePlainParam(const std::u16string& param)
{
    const bool exists = pathExists(param);
    const bool addsFiles = EqualsNoCase(m_strLastSwitch, u"f");
    if (addsFiles || EqualsNoCase(m_strLastSwitch, u"d")) {
        // The platform's file functions take '\' for a separator too: say why such a file
        // is refused before anything looks for it.
        if (addsFiles && param.find(u'\\') != std::u16string::npos) {
            AddTargetFile(param);
            return;
        }
        // A misspelt input would otherwise make a run that does nothing and says nothing.
        if (!exists) {
            LogError(u"CLI: Input not found: %s", param);
            std::fprintf(stderr, "vornalt: input not found: %s\n", EscapeLogValue(Utf16ToUtf8(param)).c_str());
            ++m_missingInputs;
            return;
        }
        if (addsFiles) {
            AddTargetFile(param);
            return;
        }
        int rejected = 0;
        WalkImageFiles(param, rejected, addImageFile, this, noteSkippedFile);
        return;
    }
    // Kept even when missing: the run then says the stack could not be opened and fails,
    // rather than silently turning a batch job into a window.
    if (EqualsNoCase(m_strLastSwitch, u"s")) {
        m_strStackFile = param;
        m_bShowMainWindow = 0;
        return;
    }
    if (!exists) {
        logUnknownParameter(*this, param);
        return;
    }
    m_strStackFile = param;
    m_bShowMainWindow = 1;
}

bool IsCommandLineSwitch(const std::u16string& argument, std::u16string_view switchInForce)
{
    if (argument.empty())
        return false;
    if (argument[0] == u'-')
        return true;
    if (argument[0] != u'/')
        return false;
    // After "f" or "d" a missing "/a.jpg" is a missing input; only a switch we know ends the list.
    if (EqualsNoCase(switchInForce, u"f") || EqualsNoCase(switchInForce, u"d"))
        return argument == u"/f" || argument == u"/s" || argument == u"/d";
    // Switch names hold no '/': "/home/me/gone.stack" is a path even when it names nothing.
    return argument.find(u'/', 1) == std::u16string::npos && !pathExists(argument);
}

void ParseCommandLine(CVornaltCommandLineInfo& info, const std::vector<std::u16string>& arguments)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::u16string& argument = arguments[i];
        bool isLast = i + 1 == arguments.size();
        if (IsCommandLineSwitch(argument, info.m_strLastSwitch))
            info.ParseParam(argument.substr(1), true, isLast);
        else
            info.ParseParam(argument, false, isLast);
    }
}
