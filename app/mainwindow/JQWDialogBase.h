#pragma once
// A dialog that carries command bars: the site's messages and keys reach the bars first. The
// derived dialog creates the manager; the base releases it with the dialog.

#include "toolkit/commandbars/CommandBars.h"

template <class TBase>
class CJQWDialogBase : public TBase {
public:
    using TBase::TBase;

    ~CJQWDialogBase() override
    {
        if (m_pCommandBars)
            m_pCommandBars->InternalRelease();
        m_pCommandBars = nullptr;
    }

    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (m_pCommandBars && m_pCommandBars->PreTranslateFrameMessage(msg))
            return TRUE;
        return TBase::PreTranslateMessage(msg);
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (m_pCommandBars && m_pCommandBars->OnFrameMessage(message, wParam, lParam, result))
            return TRUE;
        return TBase::OnWndMsg(message, wParam, lParam, result);
    }

    CJQWCommandBars* m_pCommandBars = nullptr;
};
