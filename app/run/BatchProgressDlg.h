#pragma once
// The "Stack Runner" dialog: runs a stack over a batch of targets on the batch's worker thread
// and shows every step of the run as a coloured row, a progress bar and a status line. Each
// batch message is answered with the continue flag, which Cancel clears; the dialog stays open
// after the run until it is closed, and can save its rows as a text file.
//
// The caller sets the inputs and runs it modally; DoModal returns once the worker thread is
// gone, so the caller may release the batch and the stack at once:
//
//     CBatchProgressDlg dlg;
//     dlg.m_pStack = stack;     // the caller keeps its references
//     dlg.m_pBatch = batch;
//     dlg.DoModal();
//     batch->Release();
//
// UI thread only; the dialog lives for one run.

#include "platform/framework/Dialog.h"
#include "toolkit/controls/ListCtrl.h"

class CAction;
class CActionStack;
class CActionTarget;
class CActionTargetBatch;

constexpr UINT IDD_BATCHPROGRESS = 141;
constexpr UINT IDC_BATCH_PROGRESS = 1056;
constexpr UINT IDC_BATCH_STATUS = 1057;
constexpr UINT IDC_BATCH_LIST = 1058;
constexpr UINT IDC_BATCH_SAVELOG = 1106;

// Row colours (text on background).
constexpr COLORREF kBatchTargetBeginsText = RGB(10, 137, 10);
constexpr COLORREF kBatchTargetBeginsBack = RGB(113, 241, 156);
constexpr COLORREF kBatchActionFailedText = RGB(141, 23, 23);
constexpr COLORREF kBatchActionFailedBack = RGB(246, 198, 198);
constexpr COLORREF kBatchTargetEndsText = RGB(5, 110, 163);
constexpr COLORREF kBatchTargetEndsBack = RGB(201, 236, 253);
constexpr COLORREF kBatchPostProcessingText = RGB(127, 0, 255);
constexpr COLORREF kBatchPostProcessingBack = RGB(255, 170, 255);

class CBatchProgressDlg : public CDialog {
    DECLARE_DYNAMIC(CBatchProgressDlg)
    DECLARE_MESSAGE_MAP()
public:
    CBatchProgressDlg();
    ~CBatchProgressDlg() override;

    // Runs the dialog; returns after the worker thread has ended (also when the dialog is left
    // without a run, or when the run could not start).
    INT_PTR DoModal() override;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    // Cancel, Escape and the close box: asks the run to stop while it goes on, closes after it.
    void OnCancel() override;
    void OnOK() override;
    void OnSaveLog();

    // Writes the rows as padded text columns with CR LF line ends to `path`; FALSE when the file
    // cannot be written (the rows stay).
    BOOL WriteLog(const CString& path);

    // The run's inputs, set before DoModal. The run flag is passed on to the batch.
    BOOL m_bRunFlag = 1;
    CActionTargetBatch* m_pBatch = nullptr;
    CActionStack* m_pStack = nullptr;

    CWnd m_progress;
    CString m_strStatus;
    CJQListCtrl m_list;
    int m_nCurrentRow = -1;
    CAction* m_pCurrentAction = nullptr;
    CActionTarget* m_pCurrentTarget = nullptr;
    BOOL m_bContinue = 1;
    BOOL m_bDone = 0;
    // Whether the batch's worker thread was started (it is joined before DoModal returns).
    BOOL m_bStarted = 0;

protected:
    LRESULT OnBatchBegins(WPARAM, LPARAM);
    LRESULT OnTargetBegins(WPARAM, LPARAM);
    LRESULT OnActionBegins(WPARAM, LPARAM);
    LRESULT OnInProcessProgress(WPARAM, LPARAM);
    LRESULT OnActionEnds(WPARAM, LPARAM);
    LRESULT OnTargetEnds(WPARAM, LPARAM);
    LRESULT OnPostProcessingBegins(WPARAM, LPARAM);
    LRESULT OnPostProcessActionBegins(WPARAM, LPARAM);
    LRESULT OnPostProcessProgress(WPARAM, LPARAM);
    LRESULT OnPostProcessActionEnds(WPARAM, LPARAM);
    LRESULT OnPostProcessingFailed(WPARAM, LPARAM);
    LRESULT OnPostProcessingEnds(WPARAM, LPARAM);
    LRESULT OnBatchEnds(WPARAM, LPARAM);

private:
    // Appends a row (it becomes the current row); colours when text is not CLR_NONE.
    int AddRow(const CString& action, const CString& result, const CString& target,
               COLORREF text = CLR_NONE, COLORREF back = CLR_NONE);
    void ShowProgressRecord(LPARAM record);
    void SetStatus(const CString& status);
    void StepProgress();
    // The run is over (or never began): the status says so and Cancel closes.
    void MarkDone();
};
