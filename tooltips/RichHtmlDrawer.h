#pragma once
// Tooltip markup: reading the markup, laying it out and drawing it on a device context.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Window.h"
#include "tooltips/RichDrawManager.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

using HtmlText = std::u16string;

struct HtmlStyle {
    HtmlText strScope;
    int nSize = 16;
    int nWeight = 400;
    bool bItalic = false;
    bool bUnderline = false;
    bool bStrikeOut = false;
    bool bOverline = false;
    HtmlText strFace = u"Verdana";
    COLORREF crText = 0;
    COLORREF crBkgnd = 0;
    COLORREF crBorderLight = 0;
    COLORREF crBorderDark = 0;
    COLORREF crBkMid = 0xFFFFFF;
    COLORREF crBkEnd = 0xFFFFFF;
    int nBkMode = TRANSPARENT;
    int nBkEffect = -1;
    HtmlText strBkImage;
    int nHorzAlign = 0;
    int nVertAlign = 3;
    int nBorderStyle = 0;
    int nBorderWidth = 0;
    int nWidth = 0;
    int nHeight = 0;
    int nTextTransform = 0;
    int nMargin = 2;
    int nPadding = 0;
    int nIndent = 0;
    int nLinkKind = 0;
    HtmlText strLink;
};

struct HtmlLine {
    int nWidth = 0;
    int nHeight = 0;
    int nDescent = 0;
    int nPercent = 0;
    int nAlign = 0;
    int nSpaces = 0;
    bool bWrapped = false;
};

struct HtmlLinkArea {
    RECT rect{};
    int nKind = 0;
    int nLink = 0;
    HtmlText strTarget;
};

struct HtmlTableCell {
    int nColSpan = 0;
    int nRowSpan = 0;
    int nWidth = 0;
    int nHeight = 0;
    int nTotalWidth = 0;
    int nTotalHeight = 0;
    bool bFixed = false;
};

struct HtmlTable {
    std::vector<std::vector<HtmlTableCell>> rows;
    std::vector<int> widths;
    std::vector<int> heights;
    std::vector<int> fixed;
};

struct HtmlAnimation {
    int nCell = 0;
    int nCount = 0;
    int nTick = 0;
    int nSpeed = 0;
};

class CRichHtmlDrawer {
public:
    CRichHtmlDrawer();
    ~CRichHtmlDrawer();
    CRichHtmlDrawer(const CRichHtmlDrawer&) = delete;
    CRichHtmlDrawer& operator=(const CRichHtmlDrawer&) = delete;

    // Text preparation: entities, line ends and tabs rewritten into plain text and tags.
    static HtmlText PrepareText(const HtmlText& text);

    // Attributes of a tag's parameter text, in the order written.
    static std::vector<std::pair<HtmlText, HtmlText>> ParseAttributes(const HtmlText& params);

    // Lengths and colours as the markup writes them; lengths in "ex", "em" and "in" need a DC.
    int ReadLength(const HtmlText& value, int nDefault, bool bFont) const;
    COLORREF ReadColour(const HtmlText& value, COLORREF crDefault) const;

    void LoadStyleSheet(const HtmlText& sheet);
    bool ApplyRule(const HtmlText& selector, HtmlStyle& style) const;
    const std::map<HtmlText, HtmlText>& StyleSheet() const { return m_styleSheet; }

    void MeasureHtml(HDC hdc, const HtmlText& text, SIZE* size);
    // Draws the measured text; the result is the size the drawing took.
    SIZE DrawMeasuredHtml(const RECT& rect, HDC hdc);
    int HitTestLink(POINT point) const;
    // The hot link follows the point; the repaint target hears of a change. TRUE when the link
    // cursor was set.
    BOOL TrackLinkUnderCursor(POINT point);
    // Opens a "href" target with the desktop's opener (never through a shell); "msg" links do
    // nothing more.
    void FollowLink(int index, LPARAM param);
    // One 100 ms tick of the image-strip animations; TRUE when a cell changed.
    BOOL StepAnimations();

    // Every text piece placed by the last measuring pass, with the style it was placed in.
    struct Piece {
        HtmlText text;
        HtmlStyle style;
    };
    const std::vector<Piece>& MeasuredPieces() const { return m_pieces; }
    const std::vector<HtmlLine>& Lines() const { return m_lines; }
    const std::vector<HtmlLinkArea>& LinkAreas() const { return m_links; }
    const std::vector<HtmlTable>& Tables() const { return m_tables; }
    const std::vector<HtmlAnimation>& Animations() const { return m_animations; }

    int m_nMaxWidth = 0;
    int m_nTabWidth = 32;
    int m_nHotLink = -2;
    HWND m_repaintWindow = nullptr;
    UINT m_repaintMessage = 0;
    HCURSOR m_linkCursor = nullptr;
    // The shadow of images that ask for one.
    SIZE m_imageShadowOffset{ 4, 4 };
    SIZE m_imageShadowBlur{ 7, 7 };
    int m_imageShadowDarkness = 50;
    bool m_imageShadowSoft = true;
    COLORREF m_imageShadowColour = RGB(128, 128, 128);

private:
    enum Element {
        elBold, elItalic, elUnderline, elStrike, elIndent, elFont, elAlign, elVAlign, elRule, elSpan, elLink,
        elBreak, elTab, elHr, elBitmap, elIcon, elImageList, elString, elTable, elRow, elCell
    };
    struct TagInfo {
        Element element;
        HtmlText scope;
        int value = 0;
    };

    SIZE RenderHtml(RECT rect);
    // Runs and tables of a text one below the other.
    SIZE RenderContent(const HtmlText& text, RECT rect, int depth);
    SIZE RenderTable(const HtmlText& table, RECT rect, int depth);
    void ReadTableAttributes(const HtmlText& params, int kind, int* colSpan, int* rowSpan);
    void HandleImage(const TagInfo& info, const HtmlText& params, const RECT& rect);
    void HandleString(const HtmlText& params, const RECT& rect);
    void HandleIcon(const HtmlText& idres, const HtmlText& file, const HtmlText& width, const HtmlText& height,
        const HtmlText& style, const HtmlText& hotstyle, const RECT& rect);
    DWORD ImageEffect(const HtmlText& letters) const;
    int ObjectTop(int height);
    SIZE RenderHtmlRun(const HtmlText& run, RECT rect);
    void HandleText(HtmlText text, const RECT& rect);
    void HandleTag(const HtmlText& tag, const RECT& rect);
    bool PushPopStyle(const HtmlText& scope, bool bClosing);
    void ApplyStyleTag(const TagInfo& info, const HtmlText& name, const HtmlText& params);
    void ApplyDeclarations(const HtmlText& declarations, HtmlStyle& style) const;
    void ResetStyle();
    void SelectStyle();
    void StartNewLine(const RECT& rect);
    void EndLine(int nCount, bool bWrapped, const RECT& rect);
    HtmlLine& CurrentLine();
    int TextTop(int nTextHeight);
    HtmlText WrapText(HtmlText& text, int nRoom, bool bLineStart);
    SIZE Extent(const HtmlText& text) const;
    void DrawHr(const HtmlText& params, const RECT& rect);

    std::map<HtmlText, TagInfo> m_tags;
    std::map<HtmlText, COLORREF> m_colours;
    std::map<HtmlText, HtmlText> m_styleSheet;

    HtmlText m_text;
    HDC m_hdc = nullptr;
    bool m_bMeasuring = true;
    HtmlStyle m_style;
    std::vector<HtmlStyle> m_stack;
    std::vector<HtmlLine> m_lines;
    std::vector<HtmlLinkArea> m_links;
    std::vector<Piece> m_pieces;
    HtmlLine m_spareLine;
    size_t m_nLine = 0;
    int m_nLinkCount = -1;
    int m_penX = 0;
    int m_penY = 0;
    int m_lineStartX = 0;
    int m_resultWidth = 0;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    TEXTMETRICW m_tm{};
    std::vector<HtmlTable> m_tables;
    int m_nTable = -1;
    std::vector<HtmlAnimation> m_animations;
    int m_nAnimation = -1;
    CRichDrawManager m_drawManager;
};
