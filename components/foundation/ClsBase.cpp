#include "components/foundation/ClsBase.h"

#include "components/foundation/StringBuffer.h"
#include "components/foundation/XString.h"
#include "platform/base/ProcessInfo.h"

#include <string>

void ClsBase::LogUserAndComponent(int componentCode)
{
    std::string user = GetCurrentUserName();
    if (user.size() > 399)
        user.resize(399);
    m_log.LogData("Username", user.c_str());
    const char* component = "Visual C++ 8.0";
    switch (componentCode) {
    case 1:
        component = ".NET 1.*";
        break;
    case 2:
        component = ".NET 2.0";
        break;
    case 3:
        component = "ActiveX";
        break;
    case 264:
        component = ".NET 2.0 / x64";
        break;
    default:
        break;
    }
    m_log.LogData("Component", component);
}

void ClsBase::RenderLogText(torvane::StringBuffer& out) { m_log.RenderText(out); }

void ClsBase::GetErrorLogText(XString& out, bool crlf)
{
    torvane::StringBuffer text;
    m_log.RenderText(text);
    if (crlf)
        text.ToCrlf();
    out.SetFromUtf8(text.GetText());
}

void ClsBase::BeginPublicCall(const char* callName, int componentCode, bool nested, const char* buildDate)
{
    if (!nested)
        m_log.ClearLog();
    m_log.EnterContext(callName, true);
    if (nested)
        return;
    m_log.LogData("DllDate", buildDate);
    LogUserAndComponent(componentCode);
}
