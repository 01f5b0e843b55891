#pragma once
// A small picture window of the property dialogs: one image file centred at its own size, or
// the stock picture when there is no file. The owner dialog creates it (usually in the place of
// a static) and gives it a path:
//
//     m_preview.Create(WS_CHILD | WS_VISIBLE, rect, this, IDC_PREVIEW);
//     m_preview.SetImagePath(path);

#include "platform/framework/Wnd.h"

#include <memory>

struct ImageBitmap;

constexpr UINT IDB_PREVIEW_STOCK = 278;
constexpr COLORREF kPreviewFrame = RGB(125, 125, 125);

class CPreviewWnd : public CWnd {
    DECLARE_DYNAMIC(CPreviewWnd)
    DECLARE_MESSAGE_MAP()
public:
    CPreviewWnd();
    ~CPreviewWnd() override;

    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // Shows the file (loaded at 32 bits per pixel); an empty path or a missing file shows the
    // stock picture. FALSE when the file exists but cannot be loaded (nothing is shown then) or
    // the stock picture cannot be made.
    BOOL SetImagePath(const CString& path);
    const CString& GetImagePath() const { return m_strPath; }
    const ImageBitmap* GetPicture() const { return m_picture.get(); }

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* dc);

private:
    CString m_strPath;
    std::unique_ptr<ImageBitmap> m_picture;
};
