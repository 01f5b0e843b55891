#include "toolkit/commandbars/ShortcutManager.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/framework/WinApp.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <vector>

namespace {

struct KeyName {
    UINT key;
    const char16_t* name;
};

// Keys whose names do not come from the keyboard layout; digits and letters are added in front.
constexpr KeyName kKeyNames[] = {
    { 0x01, u"Left Button" }, { 0x02, u"Right Button" }, { 0x03, u"Ctrl+Break" }, { 0x04, u"Middle Button" },
    { 0x08, u"Backspace" }, { 0x09, u"Tab" }, { 0x0C, u"Clear" }, { 0x0D, u"Enter" }, { 0x10, u"Shift" },
    { 0x11, u"Ctrl" }, { 0x12, u"Alt" }, { 0x13, u"Pause" }, { 0x14, u"Caps Lock" }, { 0x1B, u"Esc" },
    { 0x20, u"Space" }, { 0x21, u"Page Up" }, { 0x22, u"Page Down" }, { 0x23, u"End" }, { 0x24, u"Home" },
    { 0x25, u"Left Arrow" }, { 0x26, u"Up Arrow" }, { 0x27, u"Right Arrow" }, { 0x28, u"Down Arrow" },
    { 0x29, u"Select" }, { 0x2A, u"Print" }, { 0x2B, u"Execute" }, { 0x2C, u"Snapshot" }, { 0x2D, u"Ins" },
    { 0x2E, u"Del" }, { 0x2F, u"Help" }, { 0x5B, u"Left Windows" }, { 0x5C, u"Right Windows" },
    { 0x5D, u"Application" }, { 0x6A, u"Num *" }, { 0x6B, u"Num +" }, { 0x6C, u"Separator" }, { 0x6D, u"Num -" },
    { 0x6E, u"Num ." }, { 0x6F, u"Num /" }, { 0x70, u"F1" }, { 0x71, u"F2" }, { 0x72, u"F3" }, { 0x73, u"F4" },
    { 0x74, u"F5" }, { 0x75, u"F6" }, { 0x76, u"F7" }, { 0x77, u"F8" }, { 0x78, u"F9" }, { 0x79, u"F10" },
    { 0x7A, u"F11" }, { 0x7B, u"F12" }, { 0x60, u"Num 0" }, { 0x61, u"Num 1" }, { 0x62, u"Num 2" },
    { 0x63, u"Num 3" }, { 0x64, u"Num 4" }, { 0x65, u"Num 5" }, { 0x66, u"Num 6" }, { 0x67, u"Num 7" },
    { 0x68, u"Num 8" }, { 0x69, u"Num 9" }, { 0x90, u"Num Lock" }, { 0x91, u"Scrl Lock" }, { 0xF6, u"Attn" },
    { 0xF7, u"Crsel" }, { 0xF8, u"Exsel" }, { 0xF9, u"Ereof" }, { 0xFA, u"Play" }, { 0xFB, u"Zoom" },
    { 0xFC, u"No Name" }, { 0xFD, u"Pa1" }, { 0xFE, u"Oem Clear" },
};

std::vector<ACCEL> Entries(HACCEL table)
{
    std::vector<ACCEL> entries(std::size_t(table ? CopyAcceleratorTableW(table, nullptr, 0) : 0));
    if (!entries.empty())
        CopyAcceleratorTableW(table, entries.data(), int(entries.size()));
    return entries;
}

HACCEL CopyTable(HACCEL table)
{
    const std::vector<ACCEL> entries = Entries(table);
    return entries.empty() ? nullptr : CreateAcceleratorTableW(entries.data(), int(entries.size()));
}

void Destroy(HACCEL& table)
{
    if (table)
        DestroyAcceleratorTable(table);
    table = nullptr;
}

} // namespace

// ---- CKeyHelper ---------------------------------------------------------------------------------

int CJQWShortcutManager::CKeyHelper::GetPriority() const
{
    if (m_pAccel->fVirt & FCONTROL)
        return 3;
    if (m_pAccel->fVirt & FALT)
        return 2;
    if (m_pAccel->fVirt & FSHIFT)
        return 1;
    return 4;
}

CString CJQWShortcutManager::CKeyHelper::KeyName(UINT key) const
{
    if (m_pManager)
        return m_pManager->FormatKeyName(key);
    CJQWShortcutManager names(nullptr);
    return names.FormatKeyName(key);
}

CString CJQWShortcutManager::CKeyHelper::Format() const
{
    CString text;
    const ACCEL& a = *m_pAccel;
    if (a.key != 0x03) { // "Ctrl+Break" carries its modifier already
        if (a.fVirt & FCONTROL)
            text += KeyName(0x11) + u"+";
        if (a.fVirt & FSHIFT)
            text += KeyName(0x10) + u"+";
        if (a.fVirt & FALT)
            text += KeyName(0x12) + u"+";
    }
    if (a.key == 0) {
        if (!text.IsEmpty())
            text = text.Left(text.GetLength() - 1);
        return text;
    }
    if (a.fVirt & FVIRTKEY)
        text += KeyName(a.key);
    else if (a.key != 0x1B && a.key != 0x09)
        text += CString(WCHAR(a.key), 1);
    return text;
}

// ---- CKeyAssign ---------------------------------------------------------------------------------

void CJQWShortcutManager::CKeyAssign::ResetKey()
{
    m_accel = ACCEL {};
    m_bKeyCaptured = FALSE;
    if (m_hWnd)
        SetWindowText(u"");
}

BOOL CJQWShortcutManager::CKeyAssign::PreTranslateMessage(MSG* msg)
{
    switch (msg->message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus();
        return TRUE;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        break;
    default:
        return CWnd::PreTranslateMessage(msg);
    }
    const bool down = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
    const UINT key = UINT(msg->wParam);
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (key == VK_TAB && !ctrl && !alt) {
        // Dialog navigation keeps working.
        if (!m_bKeyCaptured)
            ResetKey();
        return FALSE;
    }
    if (down && !(msg->lParam & (1L << 30)))
        ResetKey(); // a new press starts a new capture
    if (!m_bKeyCaptured) {
        m_accel.fVirt = BYTE((m_accel.fVirt & ~(FSHIFT | FCONTROL | FALT)) | (shift ? FSHIFT : 0)
                             | (ctrl ? FCONTROL : 0) | (alt ? FALT : 0));
        if (down && key != VK_SHIFT && key != VK_CONTROL && key != VK_MENU) {
            m_accel.key = WORD(key);
            m_accel.fVirt |= FVIRTKEY;
            m_bKeyCaptured = TRUE;
        }
    }
    if (!m_pManager || m_pManager->IsKeyAllowed(&m_accel, 0))
        SetWindowText(m_keyHelper.Format());
    else
        ResetKey();
    return TRUE;
}

// ---- CJQWShortcutManager --------------------------------------------------------------------------

CJQWShortcutManager::CJQWShortcutManager(CJQWCommandBars* commandBars)
    : m_pCommandBars(commandBars)
{
    for (UINT c = 0x30; c <= 0x39; ++c)
        m_keyNames[c] = CString(WCHAR(c), 1);
    for (UINT c = 0x41; c <= 0x5A; ++c)
        m_keyNames[c] = CString(WCHAR(c), 1);
    for (const KeyName& k : kKeyNames)
        m_keyNames[k.key] = k.name;
}

CJQWShortcutManager::~CJQWShortcutManager()
{
    Destroy(m_hAccelTable);
    Destroy(m_hDefaultTable);
}

void CJQWShortcutManager::LoadAcceleratorResource(UINT resourceId)
{
    Destroy(m_hAccelTable);
    Destroy(m_hDefaultTable);
    HINSTANCE resources = AfxGetResourceHandle();
    if (!resources)
        return;
    HACCEL loaded = LoadAcceleratorsW(resources, MAKEINTRESOURCEW(resourceId));
    if (!loaded)
        return;
    m_hDefaultTable = CopyTable(loaded);
    m_hAccelTable = CopyTable(loaded);
    DestroyAcceleratorTable(loaded);
}

void CJQWShortcutManager::LoadShortcuts(LPCWSTR profileName)
{
    CWinApp* app = AfxGetApp();
    if (!m_hDefaultTable || !app)
        return;
    BYTE* data = nullptr;
    UINT bytes = 0;
    if (app->GetProfileBinary(profileName, u"Accelerators", &data, &bytes) && data) {
        // Six bytes an entry; a remainder is ignored, and a value without one whole entry is
        // damaged: it must not take every shortcut away.
        const int count = int(bytes / sizeof(ACCEL));
        if (count == 0) {
            delete[] data;
            return;
        }
        std::vector<ACCEL> entries;
        entries.resize(std::size_t(count));
        if (count > 0)
            std::memcpy(entries.data(), data, entries.size() * sizeof(ACCEL));
        SetCurrentTable(entries.data(), count);
    }
    delete[] data;
}

void CJQWShortcutManager::ResetAccelerators()
{
    Destroy(m_hAccelTable);
    m_hAccelTable = CopyTable(m_hDefaultTable);
}

void CJQWShortcutManager::SetCurrentTable(const ACCEL* entries, int count)
{
    Destroy(m_hAccelTable);
    m_hAccelTable = CreateAcceleratorTableW(entries, count);
}

BOOL CJQWShortcutManager::TranslateAccelerator(HWND window, MSG* msg)
{
    if (m_nDisableShortcuts >= 1 || !m_hAccelTable)
        return FALSE;
    return TranslateAcceleratorW(window, m_hAccelTable, msg) != 0;
}

CString CJQWShortcutManager::FormatAccel(const ACCEL* accel, int* priority) const
{
    CKeyHelper helper(accel, this);
    if (priority)
        *priority = helper.GetPriority();
    return helper.Format();
}

CString CJQWShortcutManager::LayoutKeyName(UINT virtualKey) const
{
    if (virtualKey == 0x03)
        return CString();
    const UINT scan = MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, GetKeyboardLayout(0));
    LONG lParam = LONG((scan & 0xFF) << 16) | 1;
    if (virtualKey >= 0x21 && virtualKey <= 0x2F)
        lParam |= 0x1000000;
    WCHAR buffer[50] {};
    if (GetKeyNameTextW(lParam, buffer, 50) <= 0)
        return CString();
    // CTRL becomes Ctrl, PAGE UP becomes Page up.
    std::u16string name(buffer);
    for (char16_t& c : name)
        c = char16_t(std::towlower(wint_t(c)));
    for (char16_t& c : name)
        if (std::iswlower(wint_t(c))) {
            c = char16_t(std::towupper(wint_t(c)));
            break;
        }
    return CString(name.c_str());
}

CString CJQWShortcutManager::FormatKeyName(UINT virtualKey) const
{
    CString name;
    if (m_bUseLayoutNamesFirst)
        name = LayoutKeyName(virtualKey);
    if (name.IsEmpty()) {
        const auto it = m_keyNames.find(virtualKey);
        if (it != m_keyNames.end())
            name = it->second;
    }
    if (name.IsEmpty() && !m_bUseLayoutNamesFirst)
        name = LayoutKeyName(virtualKey);
    return name;
}

BOOL CJQWShortcutManager::IsKeyAllowed(const ACCEL* accel, UINT) const
{
    const bool bareEscape = (accel->fVirt & FVIRTKEY) && accel->key == 0x1B
        && !(accel->fVirt & (FSHIFT | FCONTROL | FALT));
    return !(bareEscape && !m_bAllowEscapeShortcut);
}

BOOL CJQWShortcutManager::GetShortcutText(UINT commandId, CString& text) const
{
    HACCEL table = m_hAccelTable;
    if (!table && !m_hDefaultTable && m_pCommandBars) {
        CWnd* site = m_pCommandBars->GetSite();
        if (site && site->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            table = static_cast<CFrameWnd*>(site)->m_hAccelTable;
    }
    if (!table)
        return FALSE;
    CString best;
    int bestPriority = 0;
    bool callersTextFound = false;
    bool any = false;
    for (const ACCEL& accel : Entries(table)) {
        if (accel.cmd != commandId)
            continue;
        any = true;
        int priority = 0;
        const CString formatted = FormatAccel(&accel, &priority);
        if (formatted == text)
            callersTextFound = true;
        if (best.IsEmpty() || bestPriority < priority) {
            best = formatted;
            bestPriority = priority;
        }
    }
    if (!any) {
        text.Empty();
        return FALSE;
    }
    if (!callersTextFound)
        text = best;
    return TRUE;
}

BOOL CJQWShortcutManager::KeyMatchesChar(WCHAR character, UINT virtualKey)
{
    if (MapVirtualKeyW(virtualKey, MAPVK_VK_TO_CHAR) == 0)
        return FALSE;
    const WCHAR upper = WCHAR(std::towupper(wint_t(character)));
    if (character == virtualKey || upper == virtualKey)
        return TRUE;
    HKL layouts[16] {};
    const int count = GetKeyboardLayoutList(16, layouts);
    if (count < 2)
        return FALSE;
    BYTE state[256] {};
    GetKeyboardState(state);
    for (int i = 0; i < count; ++i) {
        const UINT scan = MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layouts[i]);
        for (bool shifted : { false, true }) {
            const BYTE saved = state[VK_SHIFT];
            if (shifted)
                state[VK_SHIFT] = 0x81;
            WCHAR produced[4] {};
            const int n = ToUnicodeEx(virtualKey, scan, state, produced, 4, 0, layouts[i]);
            state[VK_SHIFT] = saved;
            if (n > 0 && (produced[0] == character || WCHAR(std::towupper(wint_t(produced[0]))) == upper))
                return TRUE;
        }
    }
    return FALSE;
}

void CJQWShortcutManager::DoPropExchange(CJQWPropExchange* exchange)
{
    std::vector<ACCEL> entries = exchange->IsStoring() ? Entries(m_hAccelTable) : std::vector<ACCEL>();
    if (exchange->IsKindOf(RUNTIME_CLASS(CJQWPropExchangeArchive))) {
        DWORD count = DWORD(entries.size());
        if (exchange->IsStoring()) {
            exchange->StoreCount(count);
            exchange->StoreRawBytes(u"Data", reinterpret_cast<const BYTE*>(entries.data()), count * sizeof(ACCEL));
            return;
        }
        count = DWORD(exchange->LoadCount());
        // A count beyond what any keyboard could bind is a damaged stream, not a table.
        if (count > 0xFFFF)
            return;
        entries.resize(count);
        const DWORD wanted = count * DWORD(sizeof(ACCEL));
        if (exchange->LoadRawBytes(u"Data", reinterpret_cast<BYTE*>(entries.data()), wanted) != wanted)
            return;
        SetCurrentTable(entries.data(), int(count));
        return;
    }
    CJQWPropExchangeEnumerator* enumerator = exchange->CreateEnumerator(u"Accel");
    DWORD position = enumerator->Start(DWORD(entries.size()), TRUE);
    if (exchange->IsLoading())
        entries.resize(std::min<DWORD>(enumerator->GetCount(), 0xFFFF));
    for (std::size_t i = 0; position && i < entries.size(); ++i) {
        CJQWPropExchange* section = enumerator->NextSection(position);
        short id = short(entries[i].cmd);
        short key = short(entries[i].key);
        ExchangeShort(section, u"Id", id, 0);
        ExchangeByte(section, u"virt", entries[i].fVirt, 0);
        ExchangeShort(section, u"key", key, 0);
        entries[i].cmd = WORD(id);
        entries[i].key = WORD(key);
        section->InternalRelease();
    }
    delete enumerator;
    if (exchange->IsLoading())
        SetCurrentTable(entries.data(), int(entries.size()));
}
