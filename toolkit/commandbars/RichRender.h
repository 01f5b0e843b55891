#pragma once
// Measures and draws rich text (an RTF subset, else plain text) into any device context without a
// window: the body of the rich-text tooltip. The RTF reader takes untrusted text: it is bounded
// (group depth, word and number lengths, output size) and never fails on malformed input.

#include "platform/controls/RichEdit.h"
#include "platform/framework/CmdTarget.h"
#include "platform/framework/Geometry.h"
#include "platform/framework/String.h"

#include <string>
#include <string_view>
#include <vector>

class CDC;

// One stretch of text in one character format; a run may end its paragraph.
struct JQW_RICH_RUN {
    std::u16string text;
    BOOL bBold = FALSE;
    BOOL bItalic = FALSE;
    BOOL bUnderline = FALSE;
    BOOL bStrikeOut = FALSE;
    int nHalfPoints = 0;           // 0: the default size
    COLORREF crColor = COLORREF(-1); // -1: the default colour
    BOOL bBreakAfter = FALSE;      // \par or \line follows
};

// Reads `text` as RTF (7-bit markup; other characters are taken as they stand). FALSE (and no runs) when it is not RTF; otherwise TRUE and the runs. At
// most `maxCharacters` characters are kept.
BOOL JQWParseRichText(std::u16string_view text, std::vector<JQW_RICH_RUN>& runs, size_t maxCharacters = 0x100000);

class CJQWRichRender : public CCmdTarget {
public:
    CJQWRichRender();
    ~CJQWRichRender() override;

    // Our renderer needs no library; kept so callers read as with the platform's text services.
    BOOL IsAvailable() const { return TRUE; }
    void SetDefaultCharFormat(const CHARFORMATW& format);
    // RTF, else the same text as plain text; the number of characters read.
    int SetText(const CString& text);
    // The narrowest width that keeps the text as short as at `maxWidth`, and that height.
    CSize GetTextExtent(CDC* dc, int maxWidth);
    void Draw(CDC* dc, const CRect& rect);

    const std::vector<JQW_RICH_RUN>& GetRuns() const { return m_runs; }

private:
    struct Line;
    std::vector<Line> Layout(CDC* dc, int width) const;
    int LayoutHeight(CDC* dc, int width) const;

    CHARFORMATW m_format {};
    std::vector<JQW_RICH_RUN> m_runs;
    CSize m_szRequest { 0, 0 };
};
