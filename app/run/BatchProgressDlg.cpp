#include "app/run/BatchProgressDlg.h"

#include "engine/Action.h"
#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/ActionTargetBatch.h"
#include "engine/BatchMessages.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/base/FileAtomicWriter.h"
#include "platform/base/Unicode.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/CommonDialog.h"
#include "platform/framework/DataExchange.h"

#include "AppRunResources.h"

#include <algorithm>
#include <climits>

namespace {

constexpr UINT IDS_BATCH_NOT_STARTED = 3101;
constexpr UINT IDS_BATCH_LOG_NOT_WRITTEN = 3102;

CString LoadText(UINT id, const WCHAR* fallback)
{
    CString text;
    if (!text.LoadString(id))
        text = fallback;
    return text;
}

CString ResultText(int code)
{
    CString text = ErrorCodeText(code).c_str();
    // Codes without a text of their own still say which code it was.
    if (text.IsEmpty())
        text.Format(u"%d", code);
    return text;
}

CString DisplayNameOf(const CActionTarget* target)
{
    return target ? CString(target->GetDisplayName().c_str()) : CString();
}

CString NameOf(const CAction* action) { return action ? CString(action->GetName().c_str()) : CString(); }

} // namespace

IMPLEMENT_DYNAMIC(CBatchProgressDlg, CDialog)

BEGIN_MESSAGE_MAP(CBatchProgressDlg, CDialog)
    ON_BN_CLICKED(IDC_BATCH_SAVELOG, &CBatchProgressDlg::OnSaveLog)
    ON_MESSAGE(BATCH_MSG_BATCH_BEGINS, &CBatchProgressDlg::OnBatchBegins)
    ON_MESSAGE(BATCH_MSG_TARGET_BEGINS, &CBatchProgressDlg::OnTargetBegins)
    ON_MESSAGE(BATCH_MSG_ACTION_BEGINS, &CBatchProgressDlg::OnActionBegins)
    ON_MESSAGE(BATCH_MSG_INPROCESS_PROGRESS, &CBatchProgressDlg::OnInProcessProgress)
    ON_MESSAGE(BATCH_MSG_ACTION_ENDS, &CBatchProgressDlg::OnActionEnds)
    ON_MESSAGE(BATCH_MSG_TARGET_ENDS, &CBatchProgressDlg::OnTargetEnds)
    ON_MESSAGE(BATCH_MSG_POSTPROCESSING_BEGINS, &CBatchProgressDlg::OnPostProcessingBegins)
    ON_MESSAGE(BATCH_MSG_POSTPROCESS_ACTION_BEGINS, &CBatchProgressDlg::OnPostProcessActionBegins)
    ON_MESSAGE(BATCH_MSG_POSTPROCESS_PROGRESS, &CBatchProgressDlg::OnPostProcessProgress)
    ON_MESSAGE(BATCH_MSG_POSTPROCESS_ACTION_ENDS, &CBatchProgressDlg::OnPostProcessActionEnds)
    ON_MESSAGE(BATCH_MSG_POSTPROCESSING_FAILED, &CBatchProgressDlg::OnPostProcessingFailed)
    ON_MESSAGE(BATCH_MSG_POSTPROCESSING_ENDS, &CBatchProgressDlg::OnPostProcessingEnds)
    ON_MESSAGE(BATCH_MSG_BATCH_ENDS, &CBatchProgressDlg::OnBatchEnds)
END_MESSAGE_MAP()

CBatchProgressDlg::CBatchProgressDlg() : CDialog(IDD_BATCHPROGRESS, nullptr)
{
    // Keeps the dialog's resources linked into every program that uses the dialog.
    static const void* volatile table = &AppRunResources;
    (void)table;
}

CBatchProgressDlg::~CBatchProgressDlg()
{
    if (m_bStarted && m_pBatch)
        m_pBatch->Join();
}

INT_PTR CBatchProgressDlg::DoModal()
{
    const INT_PTR result = CDialog::DoModal();
    // The worker may still be releasing its references after "batch ends"; a loop that ended
    // early (the program quitting) stops the worker too, as every later send then answers 0.
    if (m_bStarted && m_pBatch)
        m_pBatch->Join();
    m_bStarted = 0;
    return result;
}

void CBatchProgressDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_BATCH_PROGRESS, m_progress);
    DDX_Text(dx, IDC_BATCH_STATUS, m_strStatus);
    DDX_Control(dx, IDC_BATCH_LIST, m_list);
}

BOOL CBatchProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    static const int widths[] = { 150, 250, 100 };
    static const UINT titles[] = { 149, 150, 151 };
    m_list.AddColumnsFromResources(3, widths, titles);
    m_list.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    m_list.EnableRowColors(TRUE);

    // A 32-bit range: runs of more than 65,535 steps are common (three actions over 30,000 files).
    long long steps = 0;
    if (m_pStack && m_pBatch)
        steps = (long long)m_pStack->GetActionCount() * m_pBatch->GetTargetCount();
    m_progress.SendMessage(PBM_SETRANGE32, 0, LPARAM(std::min<long long>(steps, INT_MAX)));
    m_progress.SendMessage(PBM_SETPOS, 0, 0);

    if (m_pBatch && m_pStack && m_pBatch->Start(m_bRunFlag, m_pStack, m_hWnd)) {
        m_bStarted = 1;
        return TRUE;
    }
    // No message will ever come: the dialog must not wait for "batch ends" to become closable.
    LogError(u"The stack could not be run: its worker thread did not start");
    AddRow(LoadText(IDS_BATCH_NOT_STARTED, u"The run could not be started."), CString(), CString(),
           kBatchActionFailedText, kBatchActionFailedBack);
    MarkDone();
    return TRUE;
}

void CBatchProgressDlg::OnOK()
{
    // Enter must not end a dialog whose run is still going.
}

void CBatchProgressDlg::OnCancel()
{
    if (m_bDone) {
        CDialog::OnCancel();
        return;
    }
    m_bContinue = 0;
}

int CBatchProgressDlg::AddRow(const CString& action, const CString& result, const CString& target, COLORREF text,
                              COLORREF back)
{
    const int row = m_list.InsertItem(m_list.GetItemCount(), action);
    if (row < 0)
        return m_nCurrentRow;
    m_list.SetItemText(row, 1, result);
    m_list.SetItemText(row, 2, target);
    if (text != CLR_NONE)
        m_list.SetRowColors(row, text, back);
    m_nCurrentRow = row;
    return row;
}

void CBatchProgressDlg::SetStatus(const CString& status)
{
    m_strStatus = status;
    SetDlgItemText(IDC_BATCH_STATUS, m_strStatus);
    if (CWnd* control = GetDlgItem(IDC_BATCH_STATUS))
        control->UpdateWindow();
}

void CBatchProgressDlg::StepProgress() { m_progress.SendMessage(PBM_DELTAPOS, 1, 0); }

void CBatchProgressDlg::ShowProgressRecord(LPARAM recordParam)
{
    const auto* record = reinterpret_cast<const BatchProgressRecord*>(recordParam);
    if (!record || m_nCurrentRow < 0)
        return;
    CString text;
    if (record->done == 0 && record->total == 0) {
        text = record->text.c_str();
    } else if (!record->text.empty()) {
        text.Format(LoadText(240, u"%s: %d/%d Complete").GetString(), record->text, record->done, record->total);
    } else {
        text.Format(LoadText(239, u"%d/%d Complete").GetString(), record->done, record->total);
    }
    m_list.SetItemText(m_nCurrentRow, 1, text);
}

void CBatchProgressDlg::MarkDone()
{
    m_bDone = 1;
    SetStatus(LoadText(156, u"Done"));
    SetDlgItemText(IDCANCEL, LoadText(157, u"&Close"));
    m_nCurrentRow = -1;
}

LRESULT CBatchProgressDlg::OnBatchBegins(WPARAM, LPARAM) { return 1; }

LRESULT CBatchProgressDlg::OnTargetBegins(WPARAM wParam, LPARAM)
{
    m_pCurrentTarget = reinterpret_cast<CActionTarget*>(wParam);
    CString text;
    text.Format(LoadText(153, u"Start: %s").GetString(), DisplayNameOf(m_pCurrentTarget));
    AddRow(text, CString(), CString(), kBatchTargetBeginsText, kBatchTargetBeginsBack);
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnActionBegins(WPARAM wParam, LPARAM)
{
    m_pCurrentAction = reinterpret_cast<CAction*>(wParam);
    CString status;
    status.Format(LoadText(152, u"Running action \"%s\" on \"%s\"").GetString(), NameOf(m_pCurrentAction),
                  DisplayNameOf(m_pCurrentTarget));
    AddRow(NameOf(m_pCurrentAction), LoadText(241, u"Working"), DisplayNameOf(m_pCurrentTarget));
    SetStatus(status);
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnInProcessProgress(WPARAM wParam, LPARAM)
{
    ShowProgressRecord(LPARAM(wParam));
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnActionEnds(WPARAM, LPARAM lParam)
{
    const int code = int(lParam);
    if (m_nCurrentRow >= 0) {
        m_list.SetItemText(m_nCurrentRow, 1, ResultText(code));
        if (code != RESULT_SUCCESS)
            m_list.SetRowColors(m_nCurrentRow, kBatchActionFailedText, kBatchActionFailedBack);
    }
    SetStatus(CString());
    m_pCurrentAction = nullptr;
    StepProgress();
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnTargetEnds(WPARAM, LPARAM)
{
    CString text;
    text.Format(LoadText(154, u"Finish: %s").GetString(), DisplayNameOf(m_pCurrentTarget));
    AddRow(text, CString(), CString(), kBatchTargetEndsText, kBatchTargetEndsBack);
    m_pCurrentTarget = nullptr;
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnPostProcessingBegins(WPARAM, LPARAM)
{
    AddRow(LoadText(159, u"Start Super Actions"), CString(), CString(), kBatchPostProcessingText,
           kBatchPostProcessingBack);
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnPostProcessActionBegins(WPARAM wParam, LPARAM)
{
    m_pCurrentAction = reinterpret_cast<CAction*>(wParam);
    CString status;
    status.Format(LoadText(155, u"Running action \"%s\"").GetString(), NameOf(m_pCurrentAction));
    AddRow(NameOf(m_pCurrentAction), LoadText(241, u"Working"), CString(u"-"));
    SetStatus(status);
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnPostProcessProgress(WPARAM wParam, LPARAM)
{
    ShowProgressRecord(LPARAM(wParam));
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnPostProcessActionEnds(WPARAM, LPARAM lParam)
{
    if (m_nCurrentRow >= 0)
        m_list.SetItemText(m_nCurrentRow, 1, ResultText(int(lParam)));
    SetStatus(CString());
    m_pCurrentAction = nullptr;
    StepProgress();
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnPostProcessingFailed(WPARAM, LPARAM)
{
    AddRow(LoadText(160, u"Error Performing Super Actions"), CString(), CString(), kBatchPostProcessingText,
           kBatchPostProcessingBack);
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnPostProcessingEnds(WPARAM, LPARAM)
{
    AddRow(LoadText(158, u"Finished Super Actions"), CString(), CString(), kBatchPostProcessingText,
           kBatchPostProcessingBack);
    return m_bContinue;
}

LRESULT CBatchProgressDlg::OnBatchEnds(WPARAM, LPARAM)
{
    MarkDone();
    return 1;
}

void CBatchProgressDlg::OnSaveLog()
{
    CFileDialog dialog(FALSE, LoadText(162, u".txt"), nullptr, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY,
                       LoadText(161, u"Text Files(*.txt)|*.txt|All Files (*.*)|*.*||"), this);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    if (WriteLog(path))
        return;
    // A log that silently failed to appear would look saved.
    CString text;
    text.Format(LoadText(IDS_BATCH_LOG_NOT_WRITTEN, u"The log could not be written to %s").GetString(), path);
    AfxMessageBox(text, MB_OK | MB_ICONWARNING);
}

BOOL CBatchProgressDlg::WriteLog(const CString& path)
{
    const int rows = m_list.GetItemCount();
    int widths[3] = { 0, 0, 0 };
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < 3; ++column)
            widths[column] = std::max(widths[column], m_list.GetItemText(row, column).GetLength());
    for (int& width : widths)
        width += 5;

    std::u16string text;
    auto appendCell = [&](const CString& cell, int width) {
        text.append(cell.GetString(), size_t(cell.GetLength()));
        if (cell.GetLength() < width)
            text.append(size_t(width - cell.GetLength()), u' ');
    };
    static const UINT titles[] = { 149, 150, 151 };
    static const WCHAR* const fallbacks[] = { u"Action", u"Result", u"Target" };
    for (int column = 0; column < 3; ++column)
        appendCell(LoadText(titles[column], fallbacks[column]), widths[column]);
    text += u"\r\n";
    text.append(size_t(widths[0]) + size_t(widths[1]) + size_t(widths[2]), u'-');
    text += u"\r\n";
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < 3; ++column)
            appendCell(m_list.GetItemText(row, column), widths[column]);
        text += u"\r\n";
    }

    const std::string bytes = Utf16ToUtf8(text);
    auto writer = FileAtomicWriter::Create(std::u16string_view(path.GetString(), size_t(path.GetLength())));
    if (!writer || !writer->Write(bytes.data(), bytes.size()) || !writer->Commit()) {
        LogError(u"The run's log could not be written to %s", std::u16string(path.GetString()));
        return FALSE;
    }
    return TRUE;
}
