#pragma once
// The colours, metrics, cursors and fonts the toolkit's standard controls and the program's
// dialogs share, read once so that every control draws with the same ones.

#include "platform/framework/GdiClasses.h"
#include "platform/framework/String.h"
#include "platform/user/Window.h"

class CJQAuxData {
public:
    // Tests make their own; the program uses GetGlobalAuxData.
    CJQAuxData();
    ~CJQAuxData();
    CJQAuxData(const CJQAuxData&) = delete;
    CJQAuxData& operator=(const CJQAuxData&) = delete;

    // Either face may be null. TRUE when all ten fonts were made; the first failure stops.
    BOOL RefreshFonts(LPCWSTR face, LPCWSTR verticalFace);

    // System colours, read through the colour manager.
    COLORREF clrBtnFace = 0;
    COLORREF clrBtnShadow = 0;
    COLORREF clr3DDkShadow = 0;
    COLORREF clrBtnHilite = 0;
    COLORREF clr3DLight = 0;
    COLORREF clrBtnText = 0;
    COLORREF clrGrayText = 0;
    COLORREF clrHighlight = 0;
    COLORREF clrHighlightText = 0;
    COLORREF clrMenu = 0;
    COLORREF clrMenuText = 0;
    COLORREF clrWindow = 0;
    COLORREF clrWindowFrame = 0;
    COLORREF clrWindowText = 0;
    COLORREF clrActiveCaption = 0;
    COLORREF clrInActiveCaption = 0;
    COLORREF clrGradActiveCapt = 0;
    COLORREF clrGradInActiveCapt = 0;
    COLORREF clrActiveCaptText = 0;
    COLORREF clrInactiveCaptText = 0;
    // The toolkit's indexed colours 30 to 49.
    COLORREF clrToolkit[20] {};

    // Cursors: toolkit cursors 9308, 9309 and 9311, the hand, toolkit cursors 9970 and 9971, and
    // the system's size-all cursor.
    HCURSOR hcurDragCopy = nullptr;
    HCURSOR hcurDragMove = nullptr;
    HCURSOR hcurDragNone = nullptr;
    HCURSOR hcurHand = nullptr;
    HCURSOR hcurVSplitBar = nullptr;
    HCURSOR hcurHSplitBar = nullptr;
    HCURSOR hcurMove = nullptr;

    int cxSmIcon = 0;
    int cySmIcon = 0;
    int cxSize = 18;
    int cySize = 18;
    int cxHThumb = 0;
    int cyVThumb = 0;
    int cyMenuItem = 0;

    CFont font;
    CFont fontBold;
    CFont fontULine;
    CFont fontVert;
    CFont fontVertBold;
    CFont fontIconTitle;
    CFont fontIconTitleBold;
    CFont fontMarlett;
    CFont fontStatus;
    CFont fontSmCaption;

    BOOL bWin95 = FALSE;
    BOOL bWin98 = FALSE;
    BOOL bWinNT4 = FALSE;
    BOOL bWin2K = FALSE;
    BOOL bWinXP = FALSE;
    // major << 16 | minor; -1 until read.
    int iComCtlVersion = -1;
    BOOL bUseTahoma = FALSE;
    // The registry manager's process-wide INI file name.
    CString* pstrIniFileName = nullptr;

private:
    void LoadCursors();
    void DeleteFonts();
};

// Made on the first call, destroyed at exit.
CJQAuxData& GetGlobalAuxData();
