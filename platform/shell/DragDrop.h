#pragma once
// Drag and drop inside the process. A window registers a drop target; DoDragDrop runs a capture
// loop in which the target under the pointer (the window there or its nearest registered
// ancestor) is told of the drag entering, moving, leaving and dropping. Esc cancels, releasing the
// button drops. The data are memory blocks that never leave the process: another program can
// neither offer nor receive them.

#include "platform/base/GlobalMemory.h"
#include "platform/base/Guid.h"
#include "platform/base/Types.h"
#include "platform/user/Window.h"

#include <map>
#include <vector>

constexpr DWORD DROPEFFECT_NONE = 0;
constexpr DWORD DROPEFFECT_COPY = 1;
constexpr DWORD DROPEFFECT_MOVE = 2;
constexpr DWORD DROPEFFECT_LINK = 4;
constexpr DWORD DROPEFFECT_SCROLL = 0x80000000;

constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;
constexpr HRESULT DRAGDROP_E_NOTREGISTERED = HRESULT(0x80040100u);
constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = HRESULT(0x80040101u);
constexpr HRESULT DRAGDROP_E_INVALIDHWND = HRESULT(0x80040102u);

struct POINTL {
    LONG x;
    LONG y;
};

// What a drag carries: formats (clipboard format ids) offered as memory blocks.
class IDataObject {
public:
    virtual ~IDataObject() = default;
    virtual bool HasFormat(UINT format) const = 0;
    // A new moveable block with a copy of the data, freed by the caller; null when missing.
    virtual HGLOBAL GetData(UINT format) const = 0;
    virtual std::vector<UINT> Formats() const = 0;
};

// A data object over blocks handed to it.
class DataObject final : public IDataObject {
public:
    DataObject() = default;
    ~DataObject() override;
    DataObject(const DataObject&) = delete;
    DataObject& operator=(const DataObject&) = delete;
    // Takes the block (freed with the object, or when the format is set again).
    void SetData(UINT format, HGLOBAL block);
    void Clear();
    bool HasFormat(UINT format) const override;
    HGLOBAL GetData(UINT format) const override;
    std::vector<UINT> Formats() const override;

private:
    std::map<UINT, HGLOBAL> m_blocks;
};

// Points are screen coordinates; `effect` holds the effects the source allows on entry and the
// one the target would give on return.
class IDropTarget {
public:
    virtual HRESULT DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) = 0;
    virtual HRESULT DragOver(DWORD keyState, POINTL point, DWORD* effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) = 0;

protected:
    ~IDropTarget() = default;
};

class IDropSource {
public:
    // S_OK goes on, DRAGDROP_S_DROP drops, DRAGDROP_S_CANCEL cancels.
    virtual HRESULT QueryContinueDrag(BOOL escapePressed, DWORD keyState) = 0;
    // DRAGDROP_S_USEDEFAULTCURSORS lets the loop set the cursor.
    virtual HRESULT GiveFeedback(DWORD effect) = 0;

protected:
    ~IDropSource() = default;
};

// The window keeps the target until RevokeDragDrop (or its destruction); the caller keeps it alive.
HRESULT RegisterDragDrop(HWND window, IDropTarget* target);
HRESULT RevokeDragDrop(HWND window);
// Runs until the drop or the cancel: DRAGDROP_S_DROP with the target's effect (limited to
// `okEffects`), or DRAGDROP_S_CANCEL with DROPEFFECT_NONE. A null source behaves as the default
// one: Esc or another button cancels, releasing the left button drops.
HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect);

namespace platform::shell {
// The registered target of `window` or of its nearest ancestor that has one.
IDropTarget* DropTargetAt(HWND window, HWND* registered = nullptr);
} // namespace platform::shell
