// The rich-text tip body: the bytes as text (one character each, Latin-1) read as RTF or plain
// text, measured and drawn on a small memory surface at several widths.
#include "toolkit/commandbars/RichRender.h"

#include "platform/framework/DC.h"
#include "platform/gdi/Gdi.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i < size; ++i) text += char16_t(data[i]);
    std::vector<JQW_RICH_RUN> runs;
    JQWParseRichText(text, runs, 4096);

    std::vector<uint32_t> pixels(64 * 48, 0xFFFFFF);
    GdiPixelBuffer view{ reinterpret_cast<BYTE*>(pixels.data()), 64, 48, 64 * 4, GdiPixelFormat::Bgra32 };
    HDC surface = CreateSurfaceDC(view);
    CDC dc;
    dc.Attach(surface);
    CJQWRichRender render;
    render.SetText(CString(text.c_str(), int(text.size())));
    for (int width : { 1, 50, 300 }) {
        render.GetTextExtent(&dc, width);
        render.Draw(&dc, CRect(0, 0, 64, 48));
    }
    dc.Detach();
    DeleteDC(surface);
    return 0;
}
