#include "app/run/RunStack.h"

#include "app/run/BatchProgressDlg.h"

#include "engine/ActionStack.h"
#include "engine/ActionTargetBatch.h"
#include "engine/actions/ActionSaveFile.h"
#include "platform/framework/Dialog.h"

namespace {

constexpr UINT IDS_RUN_NO_FILES = 200;
constexpr UINT IDS_RUN_NO_SAVE_FILE = 201;

} // namespace

BOOL RunStackWithProgress(CWnd* owner, const RunStackLists& lists)
{
    if (lists.sourceRowCount() == 0) {
        AfxMessageBox(IDS_RUN_NO_FILES, MB_OK | MB_ICONINFORMATION);
        return FALSE;
    }
    auto* saveFile = new CActionSaveFile;
    if (lists.countMainActions() > 0 && !lists.hasActionOfType(saveFile->GetTypeKey())
        && AfxMessageBox(IDS_RUN_NO_SAVE_FILE, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        CAction* added = lists.addNewAction(saveFile);
        if (!added) {
            saveFile->Release();
            return FALSE;
        }
        // Whatever the user chooses there, the run goes on.
        added->EditProperties(1, owner ? owner->GetSafeHwnd() : nullptr);
    }
    saveFile->Release();

    if (!lists.validateActions())
        return FALSE;
    CActionStack* stack = lists.buildStack();
    if (!stack)
        return FALSE;
    CActionTargetBatch* batch = lists.buildBatch();
    if (!batch) {
        stack->Release();
        return FALSE;
    }
    CBatchProgressDlg dialog;
    dialog.m_bRunFlag = 1;
    dialog.m_pParentWnd = owner;
    dialog.m_pStack = stack;
    dialog.m_pBatch = batch;
    dialog.DoModal();
    batch->Release();
    stack->Release();
    return TRUE;
}
