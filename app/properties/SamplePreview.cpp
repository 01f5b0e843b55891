#include "app/properties/SamplePreview.h"

#include "platform/framework/DC.h"
#include "platform/imaging/ImageBitmap.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ImageGeometry.h"

#include <algorithm>
#include <cstring>

BEGIN_MESSAGE_MAP(CSamplePreview, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CSamplePreview::~CSamplePreview()
{
    if (m_picture)
        ::DeleteObject(m_picture);
}

BOOL CSamplePreview::CreateOver(CWnd* parent, int placeholder, UINT id)
{
    RECT area {};
    HWND marker = ::GetDlgItem(parent->GetSafeHwnd(), placeholder);
    ::GetWindowRect(marker, &area);
    ::MapWindowPoints(nullptr, parent->GetSafeHwnd(), reinterpret_cast<POINT*>(&area), 2);
    return CreateEx(WS_EX_CLIENTEDGE, AfxRegisterWndClass(0), u"Preview", WS_CHILD | WS_VISIBLE, area, parent, id);
}

bool CSamplePreview::SetImagePath(const std::u16string& path)
{
    ImageBitmap image;
    if (LoadImageFile(path, &image, 32) != IMAGING_SUCCESS)
        return false;
    RECT client {};
    GetClientRect(&client);
    const int areaWidth = std::max(1, int(client.right - client.left));
    const int areaHeight = std::max(1, int(client.bottom - client.top));
    if (image.width > areaWidth || image.height > areaHeight) {
        // Fit inside, keeping the proportions; never below one pixel.
        const double scale = std::min(double(areaWidth) / image.width, double(areaHeight) / image.height);
        const int width = std::max(1, int(image.width * scale + 0.5));
        const int height = std::max(1, int(image.height * scale + 0.5));
        if (ResizeBitmap(&image, width, height, IMAGING_RESIZE_FLAGS) != IMAGING_SUCCESS)
            return false;
    }
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!picture || !bits)
        return false;
    for (LONG y = 0; y < image.height; ++y)
        std::memcpy(static_cast<BYTE*>(bits) + std::ptrdiff_t(y) * image.width * 4, image.Row(y), size_t(image.width) * 4);
    ::GdiFlush();
    if (m_picture)
        ::DeleteObject(m_picture);
    m_picture = picture;
    m_width = image.width;
    m_height = image.height;
    m_path = path;
    Invalidate();
    return true;
}

void CSamplePreview::OnPaint()
{
    CPaintDC dc(this);
    RECT client {};
    GetClientRect(&client);
    dc.FillSolidRect(&client, RGB(255, 255, 255));
    if (!m_picture)
        return;
    HDC memory = ::CreateCompatibleDC(dc.GetSafeHdc());
    HGDIOBJ old = ::SelectObject(memory, m_picture);
    const int x = (client.right - m_width) / 2;
    const int y = (client.bottom - m_height) / 2;
    ::BitBlt(dc.GetSafeHdc(), x, y, m_width, m_height, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
}
