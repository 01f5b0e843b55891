#include "engine/Action.h"

#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "components/foundation/TvXml.h"
#include "platform/base/Guid.h"

CAction::CAction()
    : m_id(NewGuidString())
{
}

CAction::~CAction() { delete m_pXml; }

bool CAction::EditProperties(int targetKind, HWND parent)
{
    LogMessage(u"Showing properties for %s", GetName());
    bool accepted = ShowPropertyDialog(targetKind, parent);
    if (accepted)
        LogMessage(u"Accepted new properties for %s", GetName());
    else
        LogMessage(u"Rejected new properties for %s", GetName());
    return accepted;
}

bool CAction::Validate(std::vector<std::u16string>&) { return true; }

std::u16string CAction::GetPreviousOutputPath() const
{
    if (!m_pStack)
        return std::u16string();
    int index = m_pStack->IndexOfAction(this);
    if (index <= 0)
        return std::u16string();
    return m_pStack->GetAction(index - 1)->GetOutputPath();
}

CImageFileTarget* CActionImage::AsImageTarget(CActionTarget* target)
{
    if (!target || target->GetTargetType() != TARGET_TYPE_IMAGE_FILE)
        return nullptr;
    return dynamic_cast<CImageFileTarget*>(target);
}

int CActionImage::GetImageTarget(CActionTarget* target, ImageBitmap*& bitmap)
{
    CImageFileTarget* image = nullptr;
    return GetImageTarget(target, image, bitmap);
}

int CActionImage::GetImageTarget(CActionTarget* target, CImageFileTarget*& imageTarget, ImageBitmap*& bitmap)
{
    CImageFileTarget* image = AsImageTarget(target);
    if (!image)
        return RESULT_ACTION_NOT_COMPATIBLE;
    ImageBitmap* loaded = image->GetBitmap();
    if (!loaded)
        return RESULT_INVALID_FILE;
    imageTarget = image;
    bitmap = loaded;
    return RESULT_SUCCESS;
}

int CActionImage::FailImageOperation(std::u16string_view failure, int imagingCode) const
{
    LogError(u"%s: %s: %d", GetName(), failure, imagingCode);
    return RESULT_IMAGE_OPERATION_FAILED;
}

int CActionImage::FailWithError(int imagingCode) const
{
    LogError(u"%s: Failed with error %d", GetName(), imagingCode);
    return RESULT_IMAGE_OPERATION_FAILED;
}

CPostProcessAction::~CPostProcessAction() { ClearCollected(); }

int CPostProcessAction::Process(CActionTarget* target)
{
    auto* fileTarget = dynamic_cast<CFileTarget*>(target);
    if (!fileTarget)
        return RESULT_SUCCESS;
    fileTarget->AddRef();
    m_collected.push_back(fileTarget);
    return RESULT_SUCCESS;
}

void CPostProcessAction::ClearCollected()
{
    std::vector<CFileTarget*> collected;
    collected.swap(m_collected);
    for (CFileTarget* target : collected)
        target->Release();
}
