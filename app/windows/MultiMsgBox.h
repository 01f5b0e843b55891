#pragma once
// A resizable modal box listing several message lines under a header, each line with the warning
// image. It keeps its size and place between runs ("MultiMsgBox").

#include "platform/framework/Collections.h"
#include "platform/framework/ImageList.h"
#include "toolkit/controls/Resize.h"

constexpr UINT IDD_MULTIMSGBOX = 171;
constexpr UINT IDC_MULTIMSGBOX_LIST = 1053;
constexpr UINT IDC_MULTIMSGBOX_HEADER = 1054;

class CMultiMsgBox : public CJQResizeDialog {
    DECLARE_MESSAGE_MAP()
public:
    explicit CMultiMsgBox(CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);
    LRESULT OnMeasureItem(WPARAM wParam, LPARAM lParam);

    CStringArray m_lines;
    CString m_strHeader;
    CString m_strTitle;
    CImageList m_images;
};
