#pragma once
// Command targets: a reference count for the objects handed out through interfaces, and routing of
// commands and command-UI updates through message maps built from captureless lambdas, so every
// handler's signature is checked by the compiler.

#include "platform/base/Com.h"
#include "platform/framework/Object.h"
#include "platform/user/Messages.h"

class CCmdTarget;
class CCmdUI;
class CMenu;
class CWnd;

constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;

// What a handler sees of the message it answers.
struct AFX_MSGCALL {
    UINT nID = 0;
    void* pExtra = nullptr;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
};

// Returns FALSE when the handler declined (the _EX forms), so routing goes on.
using AFX_MSGTHUNK = BOOL (*)(CCmdTarget* target, AFX_MSGCALL& call);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    AFX_MSGTHUNK pfn; // null ends the table
    // A registered message's number is known only at run time: the entry reads it from here.
    const UINT* pnRegistered = nullptr;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Filled by the handler query, which finds a handler without running it.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget = nullptr;
    const AFX_MSGMAP_ENTRY* pEntry = nullptr;
};

// The user-interface state of one command, as its update handler sets it. The state is kept, and
// shown on the menu item (m_pMenu, m_nIndex) or the window (m_pOther) the update is for.
class CCmdUI {
public:
    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1); // 0 clear, 1 checked, 2 indeterminate
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(const WCHAR* text);
    void ContinueRouting() { m_bContinueRouting = TRUE; }
    // Asks `target` for the update handler of m_nID; without one, and with `disableIfNoHandler`,
    // disables the item unless a command handler exists (the query runs no handler). TRUE when an
    // update handler answered.
    BOOL DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    UINT m_nIndexMax = 0;
    CMenu* m_pMenu = nullptr;
    CMenu* m_pSubMenu = nullptr;
    CWnd* m_pOther = nullptr;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
    BOOL m_bEnabled = TRUE;
    int m_nCheck = 0;
};

#define DECLARE_MESSAGE_MAP()                                                                                        \
protected:                                                                                                           \
    static const AFX_MSGMAP* GetThisMessageMap();                                                                    \
    const AFX_MSGMAP* GetMessageMap() const override;                                                                \
                                                                                                                     \
public:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                       \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }                                \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                                  \
    {                                                                                                                \
        using ThisClass = theClass;                                                                                  \
        using TheBaseClass = baseClass;                                                                              \
        static constexpr AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                            \
            { 0, 0, 0, 0, nullptr }                                                                                  \
        };                                                                                                           \
        static constexpr AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] };          \
        return &messageMap;                                                                                          \
    }

#define ON_COMMAND(id, memberFxn)                                                                                    \
    { WM_COMMAND, UINT(CN_COMMAND), UINT(id), UINT(id),                                                              \
        [](CCmdTarget* t, AFX_MSGCALL&) -> BOOL { (static_cast<ThisClass*>(t)->*(memberFxn))(); return TRUE; } },

// Handler: BOOL (UINT id); FALSE lets the command go on to the next target.
#define ON_COMMAND_EX(id, memberFxn)                                                                                 \
    { WM_COMMAND, UINT(CN_COMMAND), UINT(id), UINT(id),                                                              \
        [](CCmdTarget* t, AFX_MSGCALL& c) -> BOOL { return (static_cast<ThisClass*>(t)->*(memberFxn))(c.nID); } },

#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                                      \
    { WM_COMMAND, UINT(CN_COMMAND), UINT(id), UINT(idLast),                                                          \
        [](CCmdTarget* t, AFX_MSGCALL& c) -> BOOL { (static_cast<ThisClass*>(t)->*(memberFxn))(c.nID); return TRUE; } },

#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn)                                                                   \
    { WM_COMMAND, UINT(CN_COMMAND), UINT(id), UINT(idLast),                                                          \
        [](CCmdTarget* t, AFX_MSGCALL& c) -> BOOL { return (static_cast<ThisClass*>(t)->*(memberFxn))(c.nID); } },

#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                                          \
    { WM_COMMAND, UINT(CN_UPDATE_COMMAND_UI), UINT(id), UINT(id),                                                    \
        [](CCmdTarget* t, AFX_MSGCALL& c) -> BOOL {                                                                  \
            (static_cast<ThisClass*>(t)->*(memberFxn))(static_cast<CCmdUI*>(c.pExtra));                              \
            return TRUE;                                                                                             \
        } },

#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                                                            \
    { WM_COMMAND, UINT(CN_UPDATE_COMMAND_UI), UINT(id), UINT(idLast),                                                \
        [](CCmdTarget* t, AFX_MSGCALL& c) -> BOOL {                                                                  \
            (static_cast<ThisClass*>(t)->*(memberFxn))(static_cast<CCmdUI*>(c.pExtra));                              \
            return TRUE;                                                                                             \
        } },

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // nCode is CN_COMMAND, CN_UPDATE_COMMAND_UI (pExtra is the CCmdUI), or a notification code with
    // the message in its high word. With pHandlerInfo the handler is only looked up.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // Starts at 1 for the creator; reaching 0 calls OnFinalRelease.
    DWORD InternalAddRef();
    DWORD InternalRelease();
    virtual void OnFinalRelease();

    // What the object's COM interfaces use: one reference count, and the interface map below.
    DWORD ExternalAddRef() { return InternalAddRef(); }
    DWORD ExternalRelease() { return InternalRelease(); }
    HRESULT ExternalQueryInterface(REFIID iid, void** object);

    // Finds the entry of the most derived map that answers the message, code and id.
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT nMessage, UINT nCode, UINT nID);
    virtual const AFX_MSGMAP* GetMessageMap() const;

protected:
    // The interface map: this object's interface for `iid` (IID_IUnknown included), or null.
    virtual IUnknown* GetInterface(REFIID iid);

public:
    static const AFX_MSGMAP* GetThisMessageMap();

protected:
    long m_dwRef = 1;
};
