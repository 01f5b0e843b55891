#pragma once
// Every toolkit text, menu, bitmap, cursor, icon, dialog template and HTML page is loaded here, so
// the toolkit's resources are found in one place. Dialogs, HTML pages and the language detection
// look in the program's own resources first and then in the current resource module; the rest
// comes from the current resource module.

#include "platform/framework/GdiClasses.h"
#include "platform/framework/Menu.h"
#include "platform/framework/String.h"
#include "platform/gdi/Icon.h"
#include "platform/base/Modules.h"
#include "platform/user/Resources.h"

class CJQWResourceManager {
public:
    CJQWResourceManager() = default;
    virtual ~CJQWResourceManager();
    CJQWResourceManager(const CJQWResourceManager&) = delete;
    CJQWResourceManager& operator=(const CJQWResourceManager&) = delete;

    virtual BOOL LoadString(CString& text, UINT id);
    // The menu object takes the loaded menu over (destroying the one it held); FALSE when missing.
    virtual BOOL LoadMenu(CMenu* menu, UINT id);
    virtual BOOL LoadBitmap(CBitmap* bitmap, UINT id);
    virtual HCURSOR LoadCursor(UINT id);
    // The dialog record of ResourceTable.h; null when missing.
    virtual const void* LoadDialogTemplate(UINT id);
    virtual HGLOBAL FindDialogResource(const WCHAR* name);
    // The page's bytes in the ANSI code page, as UTF-16; TRUE when at least one character came.
    virtual BOOL LoadHtml(CString& text, UINT id);
    virtual HICON LoadIconById(UINT id, int cx, int cy);
    virtual HICON LoadIcon(const WCHAR* name, int cx, int cy);
    // The group's entry that best fits cx by cy; null when the group or the entry is missing.
    virtual HICON CreateIconFromGroup(HMODULE module, const WCHAR* name, int cx, int cy);
    virtual void Close();
    virtual WORD GetResourcesLanguage() const { return m_language; }
    // The first language of the program's resources that is neither 0 nor 1033, else 1033.
    virtual WORD UpdateResourcesLanguage();

    // The string shown in a message box of the given type; the box's answer.
    int ShowMessage(UINT id, UINT type);

protected:
    HMODULE m_hResourceDll = nullptr;
    WORD m_language = 1033;

private:
    // In the program's module first, then in the current resource module.
    HGLOBAL LoadFromProgramThenCurrent(const WCHAR* name, const WCHAR* type, DWORD* size);
};

CJQWResourceManager* GetResourceManager();
