#pragma once
// The picture beside a choice of frame or gallery theme: the chosen entry's sample image, scaled
// down to fit and centred on white. A path that does not load leaves what was shown.

#include "platform/framework/Wnd.h"

#include <string>

class CSamplePreview : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    ~CSamplePreview() override;
    // A child with `id` and the window text "Preview" over the rectangle of `placeholder`.
    BOOL CreateOver(CWnd* parent, int placeholder, UINT id);
    // True when the picture loaded and is shown.
    bool SetImagePath(const std::u16string& path);
    const std::u16string& GetImagePath() const { return m_path; }

    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }

private:
    HBITMAP m_picture = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::u16string m_path;
};
