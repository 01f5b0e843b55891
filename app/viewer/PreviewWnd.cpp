#include "app/viewer/PreviewWnd.h"

#include "app/viewer/ImagePainting.h"

#include "platform/base/File.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/gdi/Gdi.h"
#include "platform/imaging/ImageFile.h"
#include "platform/user/Cursors.h"
#include "toolkit/controls/ListCtrl.h"
#include "toolkit/drawing/ColorManager.h"

#include "AppViewerResources.h"

namespace {

bool FileExists(const CString& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.GetString());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

IMPLEMENT_DYNAMIC(CPreviewWnd, CWnd)

BEGIN_MESSAGE_MAP(CPreviewWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CPreviewWnd::CPreviewWnd()
{
    // Keeps the stock picture linked into every program that uses the window.
    static const void* volatile table = &AppViewerResources;
    (void)table;
}

CPreviewWnd::~CPreviewWnd()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CPreviewWnd::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    LPCWSTR className = AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW));
    return CWnd::Create(className, u"", style | WS_CHILD, rect, parent, id);
}

BOOL CPreviewWnd::SetImagePath(const CString& path)
{
    m_picture.reset();
    m_strPath = path;
    BOOL result = FALSE;
    if (!path.IsEmpty() && FileExists(path)) {
        auto picture = std::make_unique<ImageBitmap>();
        if (LoadImageFile(std::u16string(path.GetString()), picture.get(), 32) == IMAGING_SUCCESS) {
            m_picture = std::move(picture);
            result = TRUE;
        }
    } else if (HBITMAP stock = ::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDB_PREVIEW_STOCK))) {
        auto picture = std::make_unique<ImageBitmap>();
        HDC dc = ::GetDC(m_hWnd);
        if (ImageBitmapFromDeviceBitmap(dc, stock, picture.get())) {
            m_picture = std::move(picture);
            result = TRUE;
        }
        ::ReleaseDC(m_hWnd, dc);
        ::DeleteObject(stock);
    }
    if (m_hWnd)
        Invalidate(TRUE);
    return result;
}

BOOL CPreviewWnd::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void CPreviewWnd::OnPaint()
{
    CPaintDC paint(this);
    CRect client;
    GetClientRect(&client);
    const COLORREF back = GetColorManager() ? GetColorManager()->GetColor(15) : ::GetSysColor(COLOR_BTNFACE);
    CJQMemDC dc(&paint, client, back, back);
    CDC* target = dc.IsValid() ? static_cast<CDC*>(&dc) : static_cast<CDC*>(&paint);

    target->FillSolidRect(&client, RGB(255, 255, 255));
    if (m_picture && m_picture->IsAllocated()) {
        const LONG width = m_picture->VisibleWidth();
        const LONG height = m_picture->VisibleHeight();
        const LONG left = client.Width() / 2 - width / 2;
        const LONG top = client.Height() / 2 - height / 2;
        const RECT dest { left, top, left + width, top + height };
        PaintImageBitmap(target->GetSafeHdc(), dest, *m_picture, SRCCOPY);
    }
    target->Draw3dRect(&client, kPreviewFrame, kPreviewFrame);
}
