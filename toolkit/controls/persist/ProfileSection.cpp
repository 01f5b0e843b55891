#include "toolkit/controls/persist/ProfileSection.h"

#include "platform/framework/WinApp.h"
#include "toolkit/controls/persist/PropExchangeIniFile.h"
#include "toolkit/controls/persist/PropExchangeRegistry.h"

CJQWPropExchange* OpenAppProfileSection(BOOL loading, const WCHAR* section)
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_pszRegistryKey)
        return new CJQWPropExchangeRegistry(loading, nullptr, section);
    auto* ini = new CJQWPropExchangeIniFile(loading, nullptr, section);
    if (app && app->m_pszProfileName)
        ini->AssignFile(app->m_pszProfileName);
    return ini;
}
