// The modules callers bind gdi's functions from by name.

#include "platform/base/Modules.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/SystemModel.h"
#include "platform/gdi/UxTheme.h"

#include <mutex>

namespace {

constexpr HRESULT E_FAIL_VALUE = HRESULT(0x80004005);

// The theme module is present but inactive. Callers call these through pointers of the module's
// declared types, so they must have exactly those types (Export<...> below refuses any other).
BOOL IsThemeActiveExport() { return FALSE; }
BOOL IsAppThemedExport() { return FALSE; }
HTHEME OpenThemeDataExport(HWND, const WCHAR*) { return nullptr; }
HRESULT GetCurrentThemeNameExport(WCHAR*, int, WCHAR*, int, WCHAR*, int) { return E_FAIL_VALUE; }
HRESULT CloseThemeDataExport(HTHEME) { return E_FAIL_VALUE; }

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
        AddDefault(u"UxTheme.dll", { { "IsThemeActive", Export<IsThemeActiveFunction>(&IsThemeActiveExport) },
                                       { "IsAppThemed", Export<IsAppThemedFunction>(&IsAppThemedExport) },
                                       { "OpenThemeData", Export<OpenThemeDataFunction>(&OpenThemeDataExport) },
                                       { "CloseThemeData", Export<CloseThemeDataFunction>(&CloseThemeDataExport) },
                                       { "GetCurrentThemeName", Export<GetCurrentThemeNameFunction>(&GetCurrentThemeNameExport) } });
    });
}

} // namespace gdi_detail
