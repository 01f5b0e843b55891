#pragma once
// Command targets: a reference count for the objects handed out through interfaces, and routing of
// commands and command-UI updates through message maps built from captureless lambdas, so every
// handler's signature is checked by the compiler.

#include "platform/framework/Object.h"
#include "platform/user/Messages.h"

class CCmdTarget;
class CCmdUI;

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

// The user-interface state of one command, as its update handler sets it.
class CCmdUI {
public:
    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE) { m_bEnabled = bOn; m_bEnableChanged = TRUE; }
    virtual void SetCheck(int nCheck = 1) { m_nCheck = nCheck; }
    virtual void SetRadio(BOOL bOn = TRUE) { m_nCheck = bOn ? 1 : 0; }
    virtual void SetText(const WCHAR*) { }
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    UINT m_nID = 0;
    UINT m_nIndex = 0;
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

    // Finds the entry of the most derived map that answers the message, code and id.
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT nMessage, UINT nCode, UINT nID);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    long m_dwRef = 1;
};
