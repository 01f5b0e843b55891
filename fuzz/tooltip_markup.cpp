// Tooltip markup: a style sheet (the bytes before a first 0x01, if any) and a tip text, measured
// with and without wrapping and drawn on a small memory surface, at its measured size and wider
// (tables grow to their rectangle), with links tracked and animations stepped. Bytes are read as
// Latin-1.
#include "tooltips/RichHtmlDrawer.h"

#include "platform/gdi/Gdi.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HtmlText sheet, text;
    size_t split = 0;
    while (split < size && data[split] != 1) ++split;
    if (split < size) {
        for (size_t i = 0; i < split; ++i) sheet += char16_t(data[i]);
        ++split;
    } else {
        split = 0;
    }
    for (size_t i = split; i < size; ++i) text += char16_t(data[i]);

    std::vector<uint32_t> pixels(64 * 48, 0xFFFFFF);
    GdiPixelBuffer view{ reinterpret_cast<BYTE*>(pixels.data()), 64, 48, 64 * 4, GdiPixelFormat::Bgra32 };
    HDC dc = CreateSurfaceDC(view);
    for (int width : { 0, 212, 7 }) {
        CRichHtmlDrawer drawer;
        drawer.LoadStyleSheet(sheet);
        drawer.m_nMaxWidth = width;
        SIZE measured;
        drawer.MeasureHtml(dc, text, &measured);
        drawer.DrawMeasuredHtml(RECT{ 0, 0, measured.cx, measured.cy }, dc);
        drawer.HitTestLink(POINT{ 3, 3 });
        drawer.TrackLinkUnderCursor(POINT{ 3, 3 });
        drawer.StepAnimations();
        drawer.DrawMeasuredHtml(RECT{ 2, 2, measured.cx + 40, measured.cy + 9 }, dc);
    }
    DeleteDC(dc);
    return 0;
}
