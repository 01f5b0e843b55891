#include "platform/framework/CmdTarget.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static constexpr AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, nullptr } };
    static constexpr AFX_MSGMAP messageMap = { nullptr, &entries[0] };
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* map, UINT nMessage, UINT nCode, UINT nID)
{
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry)
            if ((entry->pnRegistered ? *entry->pnRegistered : entry->nMessage) == nMessage && entry->nCode == nCode
                && nID >= entry->nID && nID <= entry->nLastID)
                return entry;
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    UINT message = WM_COMMAND;
    UINT code = UINT(nCode);
    if (nCode != CN_UPDATE_COMMAND_UI) {
        message = HIWORD(UINT(nCode));
        code = LOWORD(UINT(nCode));
        if (message == 0)
            message = WM_COMMAND;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), message, code, nID);
    if (!entry)
        return FALSE;
    if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pEntry = entry;
        return TRUE;
    }
    AFX_MSGCALL call;
    call.nID = nID;
    call.pExtra = pExtra;
    if (nCode == CN_UPDATE_COMMAND_UI) {
        auto* cmdUI = static_cast<CCmdUI*>(pExtra);
        cmdUI->m_bContinueRouting = FALSE;
        entry->pfn(this, call);
        return !cmdUI->m_bContinueRouting;
    }
    return entry->pfn(this, call);
}

DWORD CCmdTarget::InternalAddRef() { return DWORD(++m_dwRef); }

DWORD CCmdTarget::InternalRelease()
{
    if (m_dwRef == 0)
        return 0; // released too often: never delete twice
    long remaining = --m_dwRef;
    if (remaining == 0)
        OnFinalRelease();
    return DWORD(remaining);
}

void CCmdTarget::OnFinalRelease() { delete this; }

IUnknown* CCmdTarget::GetInterface(REFIID) { return nullptr; }

HRESULT CCmdTarget::ExternalQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    IUnknown* found = GetInterface(iid);
    *object = found;
    if (!found)
        return E_NOINTERFACE;
    found->AddRef();
    return S_OK;
}
