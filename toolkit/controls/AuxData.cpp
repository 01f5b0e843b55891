#include "toolkit/controls/AuxData.h"

#include "toolkit/controls/persist/RegistryManager.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/DrawHelpers.h"
#include "toolkit/drawing/ResourceManager.h"
#include "toolkit/drawing/SystemHelpers.h"

#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"

#include "ToolkitControlsResources.h"

#include <cstring>

namespace {

bool FaceIs(const LOGFONTW& font, const char16_t* face)
{
    std::u16string a(font.lfFaceName), b(face);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

void SetFace(LOGFONTW& font, const WCHAR* face)
{
    std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    for (int i = 0; i < LF_FACESIZE - 1 && face[i]; ++i)
        font.lfFaceName[i] = face[i];
}

BOOL Make(CFont& font, LOGFONTW description, LONG weight, BYTE underline, LONG escapement, LONG orientation)
{
    description.lfWeight = weight;
    description.lfUnderline = underline;
    description.lfEscapement = escapement;
    description.lfOrientation = orientation;
    return font.CreateFontIndirect(&description);
}

} // namespace

CJQAuxData::CJQAuxData()
{
    // Names the table of texts and cursors, so that every program using this file links it.
    static const void* volatile table = &ToolkitControlsResources;
    (void)table;
    const CJQWOsVersion& os = GetOsVersionInfo();
    bWin95 = os.IsWindows95();
    bWin98 = os.IsWindows98();
    bWinNT4 = os.IsWindowsNT4();
    bWin2K = os.IsWindows2000();
    bWinXP = os.IsWindowsXP();
    const DWORD version = GetComCtlVersion();
    iComCtlVersion = int(version);

    RefreshColorManager();
    CJQWColorManager* colors = GetColorManager();
    COLORREF* const system[] = { &clrBtnFace, &clrBtnShadow, &clr3DDkShadow, &clrBtnHilite, &clr3DLight,
                                 &clrBtnText, &clrGrayText, &clrHighlight, &clrHighlightText, &clrMenu,
                                 &clrMenuText, &clrWindow, &clrWindowFrame, &clrWindowText, &clrActiveCaption,
                                 &clrInActiveCaption, &clrGradActiveCapt, &clrGradInActiveCapt, &clrActiveCaptText,
                                 &clrInactiveCaptText };
    static const int kIndices[] = { 15, 16, 21, 20, 22, 18, 17, 13, 14, 4, 7, 5, 6, 8, 2, 3, 27, 28, 9, 19 };
    for (size_t i = 0; i < std::size(kIndices); ++i)
        *system[i] = colors->GetColor(kIndices[i]);
    for (int i = 0; i < 20; ++i)
        clrToolkit[i] = colors->GetColor(30 + i);

    cxSmIcon = ::GetSystemMetrics(SM_CXSMICON);
    cySmIcon = ::GetSystemMetrics(SM_CYSMICON);
    cxHThumb = ::GetSystemMetrics(SM_CXHTHUMB);
    cyVThumb = ::GetSystemMetrics(SM_CYVTHUMB);
    cyMenuItem = ::GetSystemMetrics(SM_CYMENU);

    LoadCursors();
    RefreshFonts(nullptr, nullptr);
    pstrIniFileName = &CJQRegistryManager::IniFileName();
}

CJQAuxData::~CJQAuxData() { DeleteFonts(); }

void CJQAuxData::LoadCursors()
{
    // Each cursor on its own: one that is missing leaves only its own member empty.
    CJQWResourceManager* resources = GetResourceManager();
    hcurDragNone = resources->LoadCursor(9311);
    hcurDragCopy = resources->LoadCursor(9308);
    hcurDragMove = resources->LoadCursor(9309);
    hcurHand = ::LoadCursorW(nullptr, IDC_HAND);
    if (!hcurHand)
        hcurHand = resources->LoadCursor(9973);
    hcurVSplitBar = resources->LoadCursor(9970);
    hcurHSplitBar = resources->LoadCursor(9971);
    hcurMove = ::LoadCursorW(nullptr, IDC_SIZEALL);
}

void CJQAuxData::DeleteFonts()
{
    for (CFont* f : { &font, &fontBold, &fontULine, &fontVert, &fontVertBold, &fontIconTitle, &fontIconTitleBold,
                      &fontMarlett, &fontStatus, &fontSmCaption })
        f->DeleteObject();
}

BOOL CJQAuxData::RefreshFonts(LPCWSTR face, LPCWSTR verticalFace)
{
    DeleteFonts();
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW base = metrics.lfMenuFont;
    LOGFONTW status = metrics.lfStatusFont;
    LOGFONTW smallCaption = metrics.lfSmCaptionFont;
    if (face) {
        if (CJQWDrawHelpers::FontExists(face)) {
            SetFace(base, face);
            SetFace(status, face);
            SetFace(smallCaption, face);
        }
    } else if (bUseTahoma && base.lfCharSet <= SYMBOL_CHARSET && CJQWDrawHelpers::FontExists(u"Tahoma")) {
        SetFace(base, u"Tahoma");
    }
    if (!Make(font, base, base.lfWeight, base.lfUnderline, base.lfEscapement, base.lfOrientation))
        return FALSE;
    if (!Make(fontBold, base, FW_BOLD, base.lfUnderline, base.lfEscapement, base.lfOrientation))
        return FALSE;
    if (!Make(fontULine, base, base.lfWeight, TRUE, base.lfEscapement, base.lfOrientation))
        return FALSE;

    LOGFONTW vertical = base;
    if (verticalFace) {
        if (CJQWDrawHelpers::FontExists(verticalFace))
            SetFace(vertical, verticalFace);
    } else if (!FaceIs(metrics.lfMenuFont, u"Tahoma") && CJQWDrawHelpers::FontExists(u"Arial")) {
        SetFace(vertical, u"Arial");
    }
    if (!Make(fontVert, vertical, vertical.lfWeight, vertical.lfUnderline, 2700, 900))
        return FALSE;
    if (!Make(fontVertBold, vertical, FW_BOLD, vertical.lfUnderline, 2700, 900))
        return FALSE;

    LOGFONTW iconTitle {};
    ::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof iconTitle, &iconTitle, 0);
    if (!Make(fontIconTitle, iconTitle, iconTitle.lfWeight, iconTitle.lfUnderline, iconTitle.lfEscapement,
              iconTitle.lfOrientation))
        return FALSE;
    if (!Make(fontIconTitleBold, iconTitle, FW_BOLD, iconTitle.lfUnderline, iconTitle.lfEscapement,
              iconTitle.lfOrientation))
        return FALSE;
    if (!Make(fontStatus, status, status.lfWeight, status.lfUnderline, status.lfEscapement, status.lfOrientation))
        return FALSE;
    if (!Make(fontSmCaption, smallCaption, smallCaption.lfWeight, smallCaption.lfUnderline,
              smallCaption.lfEscapement, smallCaption.lfOrientation))
        return FALSE;
    LOGFONTW symbol {};
    symbol.lfHeight = iconTitle.lfHeight;
    symbol.lfCharSet = DEFAULT_CHARSET;
    SetFace(symbol, u"Marlett");
    return Make(fontMarlett, symbol, 0, 0, 0, 0);
}

CJQAuxData& GetGlobalAuxData()
{
    static CJQAuxData data;
    return data;
}
