#include "components/foundation/Charset.h"

#include "components/foundation/CharsetNames.h"
#include "platform/base/CodePage.h"
#include "platform/base/TextCase.h"

#include <cstring>

void Charset::CopyFrom(const Charset& other)
{
    m_codePage = other.m_codePage;
    m_name.SetBuffer(other.m_name);
}

void Charset::Clear()
{
    m_codePage = 0;
    m_name.Clear();
}

void Charset::SetByCodePage(int codePage)
{
    if (CharsetNameFromCodePage(codePage, m_name))
        m_codePage = codePage;
    else
        m_codePage = 0;
    m_name.ShrinkToFit();
}

void Charset::SetByName(const char* name)
{
    if (!name)
        return;
    if (std::strcmp(name, "default") == 0 || std::strcmp(name, "x-user-defined") == 0) {
        Clear();
        return;
    }
    if (_stricmp(name, "ansi") == 0) {
        SetByCodePage(int(GetACP()));
        return;
    }
    if (_stricmp(name, "oem") == 0) {
        SetByCodePage(int(GetOEMCP()));
        return;
    }
    int codePage = CodePageFromCharsetName(name);
    if (codePage == 0) {
        Clear();
        return;
    }
    m_codePage = codePage;
    CharsetNameFromCodePage(codePage, m_name);
}
