#pragma once
// Property sheets of the class library over the property-sheet window. A CPropertyPage is a
// dialog made by the sheet when first shown (from its template id, name, or an in-memory
// template in m_psp with PSP_DLGINDIRECT); its object takes the window over before its first
// message. PSN_SETACTIVE, PSN_KILLACTIVE (UpdateData(TRUE)), PSN_APPLY (OnApply -> OnOK),
// PSN_RESET (OnReset -> OnCancel) and PSN_QUERYCANCEL reach the page's virtual functions.
//
// CPropertySheet::DoModal creates the sheet modeless with its owner disabled and runs the class
// library's modal loop until the sheet ends; it returns IDOK or IDCANCEL. Create makes a
// modeless sheet. The sheet's PreTranslateMessage gives keys and mouse messages to the sheet
// (Ctrl+Tab, tab mnemonics, then the dialog manager).

#include "platform/controls/PropertySheet.h"
#include "platform/framework/Dialog.h"

#include <vector>

class CPropertySheet;

class CPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CPropertyPage)
public:
    CPropertyPage() { Construct(0u, 0); }
    explicit CPropertyPage(UINT templateId, UINT captionId = 0) { Construct(templateId, captionId); }
    explicit CPropertyPage(LPCWSTR templateName, UINT captionId = 0) { Construct(templateName, captionId); }
    void Construct(UINT templateId, UINT captionId = 0);
    void Construct(LPCWSTR templateName, UINT captionId = 0);
    // A page from an in-memory template.
    void ConstructIndirect(const void* dialogTemplate, LPCWSTR caption = nullptr);

    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    virtual BOOL OnApply();
    virtual void OnReset();
    virtual BOOL OnQueryCancel();
    void OnOK() override { }
    void OnCancel() override { }
    // Enables the sheet's Apply button (or disables it when no page is changed).
    void SetModified(BOOL changed = TRUE);
    CPropertySheet* GetSheet() const;

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL PreTranslateMessage(MSG*) override { return FALSE; } // the sheet does it

    PROPSHEETPAGEW m_psp {};

private:
    std::u16string m_caption;
    bool m_firstSetActive = true;
    static UINT PageCallback(HWND, UINT message, PROPSHEETPAGEW* page);
};

class CPropertySheet : public CWnd {
    DECLARE_DYNAMIC(CPropertySheet)
public:
    CPropertySheet() = default;
    explicit CPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
    explicit CPropertySheet(LPCWSTR caption, CWnd* parent = nullptr, UINT selectPage = 0);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* page);
    void RemovePage(int index);
    int GetPageCount() const { return int(m_pages.size()); }
    CPropertyPage* GetPage(int index) const { return m_pages.at(std::size_t(index)); }
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    int GetPageIndex(CPropertyPage* page) const;
    BOOL SetActivePage(int index);
    BOOL SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
    CWnd* GetTabControl() const { return CWnd::FromHandle(HWND(::SendMessage(m_hWnd, PSM_GETTABCONTROL, 0, 0))); }
    void SetTitle(LPCWSTR title, UINT style = 0);

    virtual INT_PTR DoModal();
    // Modeless; WS_VISIBLE in `style` (the default) shows it at once.
    virtual BOOL Create(CWnd* parent = nullptr, DWORD style = DWORD(-1), DWORD exStyle = 0);
    void EndDialog(int result);
    void PressButton(int button) { ::SendMessage(m_hWnd, PSM_PRESSBUTTON, WPARAM(button), 0); }

    BOOL ContinueModal() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    PROPSHEETHEADERW m_psh {};
    CWnd* m_pParentWnd = nullptr;

private:
    HWND CreateSheet(CWnd* parent, bool show);
    std::vector<CPropertyPage*> m_pages;
    std::vector<HPROPSHEETPAGE> m_handles;
    std::u16string m_caption;
    UINT m_startPage = 0;
};
