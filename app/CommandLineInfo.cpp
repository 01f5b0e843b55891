#include "app/CommandLineInfo.h"

#include "engine/ImageFileWalk.h"
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
    info->m_targetFiles.push_back(path);
    return 1;
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
    m_strLastSwitch.clear();
    if (name != u"f" && name != u"s" && name != u"d") {
        logUnknownParameter(*this, name);
        return;
    }
    m_strLastSwitch = name;
}

void CVornaltCommandLineInfo::ParsePlainParam(const std::u16string& param)
{
    const bool exists = pathExists(param);
    const bool addsFiles = EqualsNoCase(m_strLastSwitch, u"f");
    if (addsFiles || EqualsNoCase(m_strLastSwitch, u"d")) {
        // A misspelt input would otherwise make a run that does nothing and says nothing.
        if (!exists) {
            LogError(u"CLI: Input not found: %s", param);
            std::fprintf(stderr, "vornalt: input not found: %s\n", EscapeLogValue(Utf16ToUtf8(param)).c_str());
            ++m_missingInputs;
            return;
        }
        if (addsFiles) {
            m_targetFiles.push_back(param);
            return;
        }
        int rejected = 0;
        WalkImageFiles(param, rejected, addImageFile, this);
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

bool IsCommandLineSwitch(const std::u16string& argument)
{
    if (argument.empty())
        return false;
    if (argument[0] == u'-')
        return true;
    if (argument[0] != u'/')
        return false;
    // Switch names hold no '/': "/home/me/gone.stack" is a path even when it names nothing.
    return argument.find(u'/', 1) == std::u16string::npos && !pathExists(argument);
}

void ParseCommandLine(CVornaltCommandLineInfo& info, const std::vector<std::u16string>& arguments)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::u16string& argument = arguments[i];
        bool isLast = i + 1 == arguments.size();
        if (IsCommandLineSwitch(argument))
            info.ParseParam(argument.substr(1), true, isLast);
        else
            info.ParseParam(argument, false, isLast);
    }
}
