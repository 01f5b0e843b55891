#pragma once
// The class library's drag and drop inside the process: a data source that offers memory blocks
// and starts a drag once the pointer leaves a start rectangle, and a drop target a window
// registers, whose callbacks see the data, the keys and the point in the window's coordinates.

#include "platform/framework/OleDataObject.h"
#include "platform/framework/Wnd.h"
#include "platform/shell/DragDrop.h"

using DROPEFFECT = DWORD;
using SCODE = HRESULT;

class COleDropSource : public IDropSource {
public:
    virtual ~COleDropSource() = default;
    // Waits, with the mouse captured, until the pointer leaves `startRect` (screen coordinates):
    // TRUE then; FALSE when the button is released first or Esc is pressed.
    virtual BOOL OnBeginDrag(CWnd* window, const RECT& startRect);
    // Esc or another button cancels; releasing the left button drops.
    SCODE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    // The default cursors.
    SCODE GiveFeedback(DROPEFFECT effect) override;
};

class COleDataSource : public CCmdTarget {
public:
    COleDataSource() = default;
    ~COleDataSource() override = default;
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // Takes the block; it is freed with the source (or by Empty).
    void CacheGlobalData(CLIPFORMAT format, HGLOBAL block);
    void Empty() { m_data.Clear(); }
    IDataObject* GetDataObject() { return &m_data; }

    // `startRect` (screen coordinates; null: the pointer's own pixel) must be left before the
    // drag starts. DROPEFFECT_NONE when it never starts or is cancelled; the target's effect
    // after a drop.
    DROPEFFECT DoDragDrop(DWORD effects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
        const RECT* startRect = nullptr, COleDropSource* source = nullptr);

private:
    DataObject m_data;
};

class COleDropTarget : public CCmdTarget {
public:
    COleDropTarget();
    ~COleDropTarget() override;
    COleDropTarget(const COleDropTarget&) = delete;
    COleDropTarget& operator=(const COleDropTarget&) = delete;

    BOOL Register(CWnd* window);
    void Revoke();

    // Points are the window's client coordinates.
    virtual DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point);
    virtual DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point);
    virtual void OnDragLeave(CWnd* window);
    virtual BOOL OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT effect, CPoint point);
    // (DROPEFFECT)-1: not handled, OnDrop decides.
    virtual DROPEFFECT OnDropEx(CWnd* window, COleDataObject* data, DROPEFFECT defaultEffect, DROPEFFECT allowed,
        CPoint point);
    virtual DROPEFFECT OnDragScroll(CWnd* window, DWORD keyState, CPoint point);

    CWnd* GetWindow() const { return m_window; }

private:
    struct Adapter final : IDropTarget {
        COleDropTarget* owner = nullptr;
        HRESULT DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
        HRESULT DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
        HRESULT DragLeave() override;
        HRESULT Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    };
    CPoint ClientPoint(POINTL point) const;

    Adapter m_adapter;
    CWnd* m_window = nullptr;
    HWND m_registered = nullptr;
    COleDataObject m_data;
    DROPEFFECT m_lastEffect = DROPEFFECT_NONE;
    DWORD m_allowed = DROPEFFECT_NONE;
};
