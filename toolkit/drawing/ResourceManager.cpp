#include "toolkit/drawing/ResourceManager.h"

#include "platform/base/CodePage.h"
#include "platform/base/Unicode.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/gdi/GdiConstants.h"
#include "resources/MessageBox.h"

CJQWResourceManager::~CJQWResourceManager()
{
    Close();
}

void CJQWResourceManager::Close()
{
    if (m_hResourceDll)
        FreeLibrary(m_hResourceDll);
    m_hResourceDll = nullptr;
}

BOOL CJQWResourceManager::LoadString(CString& text, UINT id)
{
    const WCHAR* found = nullptr;
    const int length = LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<WCHAR*>(&found), 0);
    if (!found)
        return FALSE;
    text = CString(found, length);
    return TRUE;
}

BOOL CJQWResourceManager::LoadMenu(CMenu* menu, UINT id)
{
    HMENU loaded = LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
    if (!loaded)
        return FALSE;
    return menu->Attach(loaded);
}

BOOL CJQWResourceManager::LoadBitmap(CBitmap* bitmap, UINT id)
{
    HBITMAP loaded = LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
    if (!loaded)
        return FALSE;
    bitmap->DeleteObject();
    return bitmap->Attach(loaded);
}

HCURSOR CJQWResourceManager::LoadCursor(UINT id)
{
    return LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
}

HGLOBAL CJQWResourceManager::LoadFromProgramThenCurrent(const WCHAR* name, const WCHAR* type, DWORD* size)
{
    for (HMODULE module : { AfxGetInstanceHandle(), AfxGetResourceHandle() }) {
        if (HRSRC found = FindResourceW(module, name, type)) {
            if (size)
                *size = SizeofResource(module, found);
            return LoadResource(module, found);
        }
    }
    return nullptr;
}

HGLOBAL CJQWResourceManager::FindDialogResource(const WCHAR* name)
{
    return LoadFromProgramThenCurrent(name, RT_DIALOG, nullptr);
}

const void* CJQWResourceManager::LoadDialogTemplate(UINT id)
{
    HGLOBAL found = FindDialogResource(MAKEINTRESOURCEW(id));
    return found ? LockResource(found) : nullptr;
}

BOOL CJQWResourceManager::LoadHtml(CString& text, UINT id)
{
    DWORD size = 0;
    HGLOBAL found = LoadFromProgramThenCurrent(MAKEINTRESOURCEW(id), RT_HTML, &size);
    const auto* bytes = found ? static_cast<const char*>(LockResource(found)) : nullptr;
    if (!bytes || size == 0)
        return FALSE;
    const std::u16string wide = Utf8ToUtf16(Utf8FromAnsi(std::string_view(bytes, size)));
    if (wide.empty())
        return FALSE;
    text = CString(wide);
    return TRUE;
}

HICON CJQWResourceManager::LoadIconById(UINT id, int cx, int cy)
{
    return LoadIcon(MAKEINTRESOURCEW(id), cx, cy);
}

HICON CJQWResourceManager::LoadIcon(const WCHAR* name, int cx, int cy)
{
    return static_cast<HICON>(LoadImageW(AfxGetResourceHandle(), name, IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
}

HICON CJQWResourceManager::CreateIconFromGroup(HMODULE module, const WCHAR* name, int cx, int cy)
{
    HRSRC group = FindResourceW(module, name, RT_GROUP_ICON);
    const auto* directory = group ? static_cast<const BYTE*>(LockResource(LoadResource(module, group))) : nullptr;
    if (!directory)
        return nullptr;
    const int id = LookupIconIdFromDirectoryEx(directory, TRUE, cx, cy, LR_DEFAULTCOLOR);
    HRSRC entry = id ? FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON) : nullptr;
    const auto* bits = entry ? static_cast<const BYTE*>(LockResource(LoadResource(module, entry))) : nullptr;
    if (!bits)
        return nullptr;
    return CreateIconFromResourceEx(bits, SizeofResource(module, entry), TRUE, 0x30000, cx, cy, LR_DEFAULTCOLOR);
}

namespace {

struct LanguageSearch {
    WORD found = 0;
};

BOOL EnumLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param)
{
    auto* search = reinterpret_cast<LanguageSearch*>(param);
    if (language != 0 && language != 1033) {
        search->found = language;
        return FALSE;
    }
    return TRUE;
}

BOOL EnumName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param)
{
    EnumResourceLanguagesW(module, type, name, EnumLanguage, param);
    return reinterpret_cast<LanguageSearch*>(param)->found == 0;
}

BOOL EnumType(HMODULE module, LPWSTR type, LONG_PTR param)
{
    EnumResourceNamesW(module, type, EnumName, param);
    return reinterpret_cast<LanguageSearch*>(param)->found == 0;
}

} // namespace

WORD CJQWResourceManager::UpdateResourcesLanguage()
{
    LanguageSearch search;
    EnumResourceTypesW(AfxGetInstanceHandle(), EnumType, reinterpret_cast<LONG_PTR>(&search));
    m_language = search.found ? search.found : 1033;
    return m_language;
}

int CJQWResourceManager::ShowMessage(UINT id, UINT type)
{
    CString text;
    LoadString(text, id);
    return AppMessageBox(text, type);
}

CJQWResourceManager* GetResourceManager()
{
    static CJQWResourceManager manager;
    return &manager;
}
