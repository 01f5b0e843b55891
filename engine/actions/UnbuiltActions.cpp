#include "engine/actions/UnbuiltActions.h"

#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "resources/StringTable.h"

std::u16string CUnbuiltImageAction::GetName() const { return LoadStringText(m_identity.nameId); }
std::u16string CUnbuiltImageAction::GetDescription() const { return LoadStringText(m_identity.descriptionId); }

int CUnbuiltImageAction::Process(CActionTarget*)
{
    LogError(u"%s: Failed to process image: the action %s is not part of this build", GetName(), GetTypeKey());
    return RESULT_ACTION_FAILED;
}

std::u16string CUnbuiltPostProcessAction::GetName() const { return LoadStringText(m_identity.nameId); }
std::u16string CUnbuiltPostProcessAction::GetDescription() const
{
    return LoadStringText(m_identity.descriptionId);
}

int CUnbuiltPostProcessAction::PostProcess()
{
    LogError(u"%s: Failed to post-process: the action %s is not part of this build", GetName(), GetTypeKey());
    return RESULT_ACTION_FAILED;
}
