// The modules callers bind gdi's functions from by name.

#include "platform/base/Modules.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemModel.h"

#include <mutex>

namespace {

constexpr LONG E_FAIL_VALUE = LONG(0x80004005);

// The theme module is present but inactive.
BOOL IsThemeActiveExport() { return FALSE; }
BOOL IsAppThemedExport() { return FALSE; }
void* OpenThemeDataExport(void*, const WCHAR*) { return nullptr; }
LONG GetCurrentThemeNameExport(WCHAR*, int, WCHAR*, int, WCHAR*, int) { return E_FAIL_VALUE; }
LONG CloseThemeDataExport(void*) { return E_FAIL_VALUE; }

} // namespace

namespace gdi_detail {

void RegisterModules()
{
    static std::once_flag once;
    std::call_once(once, [] {
        using platform::modules::AddDefault;
        using platform::modules::Export;
        AddDefault(u"GDI32.DLL", { { "GetLayout", Export(&GetLayout) }, { "SetLayout", Export(&SetLayout) } });
        AddDefault(u"msimg32.dll", { { "AlphaBlend", Export(&AlphaBlend) }, { "GradientFill", Export(&GradientFill) },
                                       { "TransparentBlt", Export(&TransparentBlt) } });
        AddDefault(u"COMCTL32.DLL", { { "DllGetVersion", Export(&ComCtlDllGetVersion) },
                                        { "ImageList_Create", Export(&ImageList_Create) },
                                        { "ImageList_Destroy", Export(&ImageList_Destroy) },
                                        { "ImageList_Add", Export(&ImageList_Add) },
                                        { "ImageList_AddMasked", Export(&ImageList_AddMasked) },
                                        { "ImageList_Draw", Export(&ImageList_Draw) },
                                        { "ImageList_DrawEx", Export(&ImageList_DrawEx) },
                                        { "ImageList_GetIcon", Export(&ImageList_GetIcon) },
                                        { "ImageList_GetImageCount", Export(&ImageList_GetImageCount) } });
        AddDefault(u"UxTheme.dll", { { "IsThemeActive", Export(&IsThemeActiveExport) },
                                       { "IsAppThemed", Export(&IsAppThemedExport) },
                                       { "OpenThemeData", Export(&OpenThemeDataExport) },
                                       { "CloseThemeData", Export(&CloseThemeDataExport) },
                                       { "GetCurrentThemeName", Export(&GetCurrentThemeNameExport) } });
    });
}

} // namespace gdi_detail
