#include "toolkit/commandbars/LayoutStore.h"

#include "platform/base/Unicode.h"
#include "platform/framework/WinApp.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/drawing/SystemHelpers.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/FrameWnd.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/DialogBar.h"
#include "toolkit/commandbars/DockBar.h"
#include "toolkit/commandbars/DockContext.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/PopupTracking.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"
#include "toolkit/controls/persist/ProfileSection.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr BYTE kTag[4] = { 0x5A, 0x49, 0x50, 0x21 };

// Inflates a whole blob; null unless the stream ends exactly at the announced length.
BYTE* Inflate(const BYTE* bytes, DWORD length, DWORD& inflatedLength)
{
    const DWORD announced = DWORD(bytes[4]) | DWORD(bytes[5]) << 8 | DWORD(bytes[6]) << 16 | DWORD(bytes[7]) << 24;
    if (announced == 0 || announced > CJQWZipMemFile::kMaxInflatedBytes)
        return nullptr;
    auto* out = static_cast<BYTE*>(std::malloc(announced));
    if (!out)
        return nullptr;
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK) {
        std::free(out);
        return nullptr;
    }
    stream.next_in = const_cast<BYTE*>(bytes + 8);
    stream.avail_in = length - 8;
    stream.next_out = out;
    stream.avail_out = announced;
    const int result = inflate(&stream, Z_FINISH);
    const bool complete = result == Z_STREAM_END && stream.total_out == announced;
    inflateEnd(&stream);
    if (!complete) {
        std::free(out);
        return nullptr;
    }
    inflatedLength = announced;
    return out;
}

int ProfileInt(const CString& section, const WCHAR* key, int defaultValue)
{
    CWinApp* app = AfxGetApp();
    return app ? int(app->GetProfileInt(section, key, defaultValue)) : defaultValue;
}

CString Section(const CString& profile, const char* suffix, int index = -1)
{
    std::string tail = suffix;
    if (index >= 0)
        tail += std::to_string(index);
    return profile + CString(Utf8ToUtf16(tail).c_str());
}

int Scale(int value, int now, int saved)
{
    return int((long long)value * now / saved);
}

} // namespace

BOOL CJQWZipMemFile::IsCompressedBlob(const BYTE* bytes, DWORD length)
{
    return bytes && length >= 12 && std::memcmp(bytes, kTag, 4) == 0;
}

CJQWZipMemFile::CJQWZipMemFile(const BYTE* bytes, DWORD length)
    : CMemFile(1024)
{
    AttachBlob(const_cast<BYTE*>(bytes), length, FALSE);
}

BOOL CJQWZipMemFile::AttachBlob(BYTE* bytes, DWORD length, BOOL takeOwnership)
{
    if (!IsCompressedBlob(bytes, length)) {
        Attach(bytes, UINT(length), 0);
        SetAutoDelete(takeOwnership != FALSE);
        return TRUE;
    }
    DWORD inflatedLength = 0;
    BYTE* inflated = Inflate(bytes, length, inflatedLength);
    if (takeOwnership)
        std::free(bytes);
    // A damaged blob gives an empty file: the layout's controls half is skipped.
    Attach(inflated, inflated ? UINT(inflatedLength) : 0, 0);
    SetAutoDelete(true);
    return inflated != nullptr;
}

BOOL CJQWZipMemFile::LoadFromFile(const WCHAR* path)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary | CFile::shareDenyNone))
        return FALSE;
    const ULONGLONG size = file.GetLength();
    if (size > kMaxInflatedBytes)
        return FALSE;
    auto* buffer = static_cast<BYTE*>(std::malloc(std::max<std::size_t>(std::size_t(size), 1)));
    if (!buffer)
        return FALSE;
    UINT read = 0;
    try {
        read = file.Read(buffer, UINT(size));
    } catch (CFileException* error) {
        // A file that opens but cannot be read is skipped like one that does not open.
        error->Delete();
        std::free(buffer);
        return FALSE;
    }
    return AttachBlob(buffer, read, TRUE);
}

CJQWDockState::CJQWDockState()
    : m_sizeScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))
{
}

void CJQWDockState::Load(const CString& profile)
{
    const CString summary = Section(profile, "-Summary");
    const int bars = ProfileInt(summary, u"Bars", 0);
    m_sizeSavedScreen = CSize(ProfileInt(summary, u"ScreenCX", 0), ProfileInt(summary, u"ScreenCY", 0));
    m_bScaling = m_sizeSavedScreen.cx != 0 && m_sizeSavedScreen.cy != 0 && m_sizeSavedScreen != m_sizeScreen;
    for (int i = 0; i < std::min(bars, kMaxBars); ++i) {
        const CString section = Section(profile, "-Bar", i);
        auto info = std::make_unique<CJQWToolBarInfo>();
        info->nBarID = UINT(ProfileInt(section, u"BarID", 0));
        info->bVisible = ProfileInt(section, u"Visible", TRUE);
        info->bFloating = ProfileInt(section, u"Floating", FALSE);
        info->pointPos = AdjustPoint(CPoint(ProfileInt(section, u"XPos", -1), ProfileInt(section, u"YPos", -1)));
        info->nMRUWidth = ProfileInt(section, u"MRUWidth", 0x7FFF);
        info->uMRUDockID = UINT(ProfileInt(section, u"MRUDockID", 0));
        info->rectMRUDockPos = AdjustRect(CRect(ProfileInt(section, u"MRUDockLeftPos", 0),
            ProfileInt(section, u"MRUDockTopPos", 0), ProfileInt(section, u"MRUDockRightPos", 0),
            ProfileInt(section, u"MRUDockBottomPos", 0)));
        info->ptMRUFloatPos
            = AdjustPoint(CPoint(ProfileInt(section, u"MRUFloatXPos", 0), ProfileInt(section, u"MRUFloatYPos", 0)));
        info->bDialogBar = ProfileInt(section, u"DialogBar", FALSE);
        if (info->bDialogBar) {
            CSize& docked = info->szDialogBarDockingClient;
            CSize& floating = info->szDialogBarFloatingClient;
            docked.cx = ProfileInt(section, u"DialogBarDockingClientCx", docked.cx);
            docked.cy = ProfileInt(section, u"DialogBarDockingClientCy", docked.cy);
            floating.cx = ProfileInt(section, u"DialogBarFloatingClientCx", floating.cx);
            floating.cy = ProfileInt(section, u"DialogBarFloatingClientCy", floating.cy);
        }
        m_arrBarInfo.push_back(std::move(info));
    }
}

std::vector<UINT> CJQWDockState::LoadDockBarRow(const CString& profile, int index) const
{
    const CString section = Section(profile, "-DockBar", index);
    const int count = std::min(ProfileInt(section, u"Bars", 0), kMaxBars);
    std::vector<UINT> row;
    if (count <= 1)
        return row;
    for (int j = 0; j < count; ++j)
        row.push_back(UINT(ProfileInt(section, Utf8ToUtf16("Bar#" + std::to_string(j)).c_str(), 0)));
    return row;
}

CPoint CJQWDockState::AdjustPoint(CPoint point) const
{
    if (m_bScaling) {
        point.x = Scale(point.x, m_sizeScreen.cx, m_sizeSavedScreen.cx);
        point.y = Scale(point.y, m_sizeScreen.cy, m_sizeSavedScreen.cy);
    }
    const CRect work = GetMultiMonitor().WorkAreaAtPoint(point);
    point.x = std::min<LONG>(point.x, work.right - GetSystemMetrics(SM_CXICON));
    point.y = std::min<LONG>(point.y, work.bottom - GetSystemMetrics(SM_CYICON));
    // Nor left of or above the work area: a bar there could not be reached at all.
    point.x = std::max<LONG>(point.x, work.left);
    point.y = std::max<LONG>(point.y, work.top);
    return point;
}

CRect CJQWDockState::AdjustRect(CRect rect) const
{
    if (m_bScaling) {
        const CPoint scaled(Scale(rect.left, m_sizeScreen.cx, m_sizeSavedScreen.cx),
            Scale(rect.top, m_sizeScreen.cy, m_sizeSavedScreen.cy));
        rect.OffsetRect(scaled.x - rect.left, scaled.y - rect.top);
    }
    const CRect work = GetMultiMonitor().WorkAreaOfRect(rect);
    if (rect.left > work.right)
        rect.OffsetRect(work.right - rect.left, 0);
    if (rect.top > work.bottom)
        rect.OffsetRect(0, work.bottom - rect.top);
    return rect;
}

// ---- Loading a layout into the live bars -------------------------------------------------------------

void CJQWCommandBars::LoadLayout(LPCWSTR profileName, BOOL silent)
{
    const CString profile(profileName);
    JQW_COMMANDBARS_EXCHANGE_PARAMS params;
    params.bLoadSilent = silent;
    params.pCommandBars = this;
    CWinApp* app = AfxGetApp();
    if (m_bCustomizable) {
        const CString controls = profile + u"-Controls";
        if (ProfileInt(controls, u"LoadFromFile", 0)) {
            const CString path = app ? app->GetProfileString(controls, u"Controls") : CString();
            CJQWZipMemFile file;
            if (file.LoadFromFile(path))
                LoadFromMemFile(&file, &params);
        } else {
            CJQWPropExchange* section = OpenAppProfileSection(TRUE, controls);
            BYTE* bytes = nullptr;
            DWORD size = 0;
            if (section->ExchangeBinary(u"Controls", &bytes, &size) && bytes) {
                CJQWZipMemFile file(bytes, size);
                LoadFromMemFile(&file, &params);
                file.Close();
            }
            std::free(bytes);
            section->InternalRelease();
        }
    }

    CJQWDockState state;
    state.Load(profile);
    for (int i = 0; i < 4; ++i) {
        CJQWDockBar* dock = GetDockBar(i);
        if (!dock)
            continue;
        const std::vector<UINT> row = state.LoadDockBarRow(profile, i);
        for (int j = 0; j < int(row.size()); ++j) {
            CJQWToolBar* bar = FindToolBar(row[std::size_t(j)]);
            if (bar) {
                if (bar->GetSafeHwnd() && ::GetParent(bar->GetSafeHwnd()) != dock->GetSafeHwnd())
                    ::SetParent(bar->GetSafeHwnd(), dock->GetSafeHwnd());
                if (CJQWDockBar* current = bar->GetDockBar())
                    current->RemoveCommandBar(bar);
                bar->SetDockBar(dock);
                bar->SetBarPosition(dock->GetPosition());
            }
            dock->InsertRowEntry(j, bar);
        }
    }
    if (auto* frame = dynamic_cast<CFrameWnd*>(m_pSite); frame && frame->GetSafeHwnd())
        if (CControlBar* status = frame->GetControlBar(0xE801); status && !ProfileInt(profile, u"StatusBar", 1))
            frame->ShowControlBar(status, FALSE, FALSE);
    for (const auto& info : state.m_arrBarInfo) {
        CJQWToolBar* bar = FindToolBar(info->nBarID);
        info->pBar = bar;
        if (!bar)
            continue;
        if (info->bFloating) {
            bar->CreateToolBarWindow(m_pSite, TRUE);
            if (CJQWDockBar* dock = bar->GetDockBar())
                dock->RemoveCommandBar(bar);
            bar->SetBarPosition(jqwBarFloating);
        } else {
            bar->CreateToolBarWindow(bar->GetDockBar() ? static_cast<CWnd*>(bar->GetDockBar()) : m_pSite, FALSE);
        }
        bar->ApplySavedPlacement(*info);
    }
    RecalcFrameLayout(TRUE);
    m_pOptions->bDirty = FALSE;
}

BOOL CJQWCommandBars::LoadFromMemFile(CMemFile* file, JQW_COMMANDBARS_EXCHANGE_PARAMS* params)
{
    CArchive archive(file, CArchive::load, 4096);
    CJQWPropExchangeArchive exchange(archive);
    exchange.m_pOwner = params;
    CJQWCommandBarList loaded(this);
    BOOL ok = FALSE;
    try {
        exchange.ExchangeSchema();
        ok = LoadBars(&exchange, loaded);
    } catch (CArchiveException* error) {
        error->Delete();
    }
    if (ok)
        MergeLoadedBars(loaded, params->bLoadSilent);
    archive.Close();
    return ok;
}

void CJQWCommandBars::MergeLoadedBars(CJQWCommandBarList& loaded, BOOL silent)
{
    for (int i = 0; i < loaded.GetCount(); ++i) {
        CJQWCommandBar* bar = loaded.GetAt(i);
        std::vector<CJQWCommandBar*> resolving;
        if (auto* toolBar = dynamic_cast<CJQWToolBar*>(bar)) {
            CJQWToolBar* live = FindToolBar(toolBar->GetBarID());
            toolBar->ResolvePopupBars(loaded, resolving);
            if (live) {
                live->MergeSavedControls(toolBar, silent);
            } else {
                toolBar->InternalAddRef();
                toolBar->SetCommandBars(this);
                toolBar->SetSite(m_pSite);
                if (toolBar->CreateToolBarWindow(m_pSite, FALSE))
                    m_arrBars.push_back(toolBar);
                else
                    toolBar->InternalRelease();
            }
            continue;
        }
        auto* popup = dynamic_cast<CJQWPopupBar*>(bar);
        if (!popup || !popup->IsContextMenu())
            continue;
        popup->ResolvePopupBars(loaded, resolving);
        if (CJQWCommandBar* live = m_pContextMenus->FindCommandBar(popup->GetBarID())) {
            // The live menu takes the loaded controls and keeps its own originals.
            CJQWOriginalControls* originals = live->GetControls()->GetOriginalControls();
            if (originals)
                originals->InternalAddRef();
            CJQWControls* controls = popup->GetControls();
            controls->InternalAddRef();
            popup->SetControls(new CJQWControls);
            live->SetControls(controls);
            controls->SetOriginalControls(originals);
            if (originals)
                originals->InternalRelease();
        } else {
            popup->InternalAddRef();
            m_pContextMenus->Add(popup);
            if (!popup->GetControls()->GetOriginalControls())
                popup->GetControls()->CreateOriginalControls();
        }
    }
}

void CJQWToolBar::MergeSavedControls(CJQWToolBar* loaded, BOOL silent)
{
    CJQWOriginalControls* savedOriginals = loaded->GetControls()->GetOriginalControls();
    CJQWOriginalControls* ownOriginals = m_pControls->GetOriginalControls();
    if (ownOriginals)
        ownOriginals->InternalAddRef();
    if (savedOriginals && ownOriginals && !savedOriginals->Compare(ownOriginals)) {
        // The program's own controls changed since the save.
        BOOL copy = FALSE;
        if (!silent && !savedOriginals->Compare(loaded->GetControls())) {
            CString question;
            question.LoadString(9177);
            CString text;
            text.Format(question.GetString(), m_strTitle.GetString());
            copy = AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDNO;
        }
        if (copy) {
            Copy(loaded, FALSE);
            m_pControls->SetOriginalControls(ownOriginals);
        }
    } else {
        Copy(loaded, FALSE);
        if (!savedOriginals)
            m_pControls->SetOriginalControls(ownOriginals);
    }
    if (ownOriginals)
        ownOriginals->InternalRelease();
    OnRecalcLayout();
}

void CJQWCommandBar::ApplySavedPlacement(const CJQWToolBarInfo& info)
{
    auto* toolBar = dynamic_cast<CJQWToolBar*>(this);
    const BOOL docked = m_barPosition != jqwBarFloating;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (docked)
        flags |= SWP_NOSIZE;
    if (docked && toolBar && !toolBar->GetDockBar())
        flags |= SWP_NOMOVE;
    m_nMRUWidth = info.nMRUWidth;
    if (auto* dialogBar = dynamic_cast<CJQWDialogBar*>(this); dialogBar && info.bDialogBar) {
        dialogBar->m_szDockingClient = info.szDialogBarDockingClient;
        dialogBar->m_szFloatingClient = info.szDialogBarFloatingClient;
    }
    if (CJQWDockContext* context = toolBar ? toolBar->GetDockContext() : nullptr) {
        context->m_uMRUDockPosition = 0;
        for (int i = 0; i < 4; ++i)
            if (CJQWCommandBars::kDockBarIds[i] == info.uMRUDockID)
                context->m_uMRUDockPosition = i;
        context->m_rectMRUDockPos = info.rectMRUDockPos;
        context->m_ptMRUFloatPos = info.ptMRUFloatPos;
    }
    if (m_hWnd)
        SetWindowPos(nullptr, info.pointPos.x, info.pointPos.y, 0, 0,
            flags | (info.bVisible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    m_bVisible = info.bVisible;
    if (!docked)
        OnRecalcLayout();
}
