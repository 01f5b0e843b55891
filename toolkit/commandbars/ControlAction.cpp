#include "toolkit/commandbars/ControlAction.h"

#include "toolkit/commandbars/Control.h"
#include "toolkit/drawing/ResourceManager.h"

#include <algorithm>

CJQWControlAction::CJQWControlAction(CJQWControlActions* owner) : m_pOwner(owner) { }

CJQWControlAction::~CJQWControlAction()
{
    if (m_pTarget)
        m_pTarget->InternalRelease();
}

BOOL CJQWControlAction::GetEnabled() const
{
    if (m_pOwner && m_pOwner->m_bCustomizeMode)
        return TRUE;
    return m_bEnabled;
}

void CJQWControlAction::SetPrompt(const CString& prompt)
{
    if (prompt.IsEmpty())
        return;
    const int first = prompt.Find(u'\n');
    if (first < 0) {
        m_strDescription = prompt;
        m_strTooltip = prompt;
        return;
    }
    m_strDescription = prompt.Left(first);
    const int second = prompt.Find(u'\n', first + 1);
    m_strTooltip = second < 0 ? prompt.Mid(first + 1) : prompt.Mid(first + 1, second - first - 1);
}

void CJQWControlAction::SetCaption(const CString& caption)
{
    const int tab = caption.Find(u'\t');
    const CString text = tab >= 0 ? caption.Left(tab) : caption;
    if (text == m_strCaption)
        return;
    const std::vector<CJQWControl*> controls = m_controls;
    for (CJQWControl* control : controls)
        control->OnActionChanging(jqwActionCaption);
    m_strCaption = text;
    for (CJQWControl* control : controls) {
        control->OnActionChanged(jqwActionCaption);
        control->DelayLayout();
    }
}

CJQWCommandBars* CJQWControlAction::GetCommandBars() const
{
    return m_pOwner ? m_pOwner->GetCommandBars() : nullptr;
}

int CJQWControlAction::AddControl(CJQWControl* control)
{
    const auto found = std::find(m_controls.begin(), m_controls.end(), control);
    if (found != m_controls.end())
        return int(found - m_controls.begin());
    m_controls.push_back(control);
    control->m_nEnabled = -1;
    control->m_nChecked = -1;
    control->m_nId = m_nId;
    control->m_strCaption.Empty();
    control->m_strTooltipText.Empty();
    control->m_strDescriptionText.Empty();
    control->m_strCategory.Empty();
    control->m_strShortcutText.Empty();
    control->m_strShortcutTextAuto.Empty();
    return int(m_controls.size()) - 1;
}

void CJQWControlAction::RemoveControl(CJQWControl* control)
{
    const auto found = std::find(m_controls.begin(), m_controls.end(), control);
    if (found == m_controls.end())
        return;
    m_controls.erase(found);
    control->m_nEnabled = 1;
    control->m_nChecked = 0;
}

CJQWControlActions::~CJQWControlActions()
{
    RemoveAll();
}

CJQWControlAction* CJQWControlActions::FindAction(int id) const
{
    if (id <= 0 || id > 0xFFFFFFE)
        return nullptr;
    const auto found = std::lower_bound(m_actions.begin(), m_actions.end(), id,
        [](const CJQWControlAction* action, int value) { return action->GetID() < value; });
    return found != m_actions.end() && (*found)->GetID() == id ? *found : nullptr;
}

CJQWControlAction* CJQWControlActions::Add(int id)
{
    if (CJQWControlAction* existing = FindAction(id))
        return existing;
    auto* action = new CJQWControlAction(this);
    action->m_nId = id;
    CString prompt;
    if (id > 0 && GetResourceManager()->LoadString(prompt, UINT(id)))
        action->SetPrompt(prompt);
    const auto at = std::upper_bound(m_actions.begin(), m_actions.end(), id,
        [](int value, const CJQWControlAction* other) { return value < other->GetID(); });
    m_actions.insert(at, action);
    return action;
}

void CJQWControlActions::RemoveAll()
{
    for (CJQWControlAction* action : m_actions) {
        const std::vector<CJQWControl*> controls = action->m_controls;
        for (CJQWControl* control : controls)
            control->SetAction(nullptr);
        action->InternalRelease();
    }
    m_actions.clear();
}

CJQWControlAction* CJQWControlActions::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_actions[size_t(index)] : nullptr;
}
