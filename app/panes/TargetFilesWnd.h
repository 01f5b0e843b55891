#pragma once
// The source-files pane: the upper-left list of the main window (control 1007) holding the image
// files a run or a preview works on, one row per file in the order added. Files come from drops
// of files and folders (folders searched recursively) and from the main window's add-files
// command through AddImageFile. The Delete key asks the main window (message 0x7FC) to remove the
// selected rows.
//
// The main window attaches the list to its dialog item (SubclassDlgItem(1007, dialog)), which
// accepts file drops (WS_EX_ACCEPTFILES), and calls Init first of the three panes.

#include "app/panes/EmptyListPicture.h"
#include "platform/framework/CommonCtrlClasses.h"
#include "platform/framework/GdiClasses.h"
#include "platform/framework/ImageList.h"
#include "platform/imaging/ImageFile.h"

#include <string>

class CActionTargetBatch;
class CImageFileTarget;

// Sent to the parent on the Delete key; a reply of 1 means the key was used.
constexpr UINT WM_VORNALT_REMOVE_SELECTED_TARGETS = 0x7FC;


// A row's record: the file's full path as found and what the imaging library said of it.
struct TargetFileRow {
    std::u16string path;
    ImageFileInfo info;
};

class CTargetFilesWnd : public CListCtrl {
    DECLARE_DYNAMIC(CTargetFilesWnd)
    DECLARE_MESSAGE_MAP()
public:
    CTargetFilesWnd();
    ~CTargetFilesWnd() override;

    void Init();
    // The walker's callback: appends a row for the file to `pane` (a CTargetFilesWnd*); TRUE
    // when added, FALSE without a pane.
    static int AddImageFile(const std::u16string& path, const ImageFileInfo& info, void* pane);
    // A new target (the caller's reference) for the row's file; null for a bad row or a file
    // that no longer exists.
    CImageFileTarget* CreateTargetForRow(int row);
    // A new batch (the caller's reference) with a target per row whose file still exists.
    CActionTargetBatch* BuildBatch();
    // The row's record; null for a bad row.
    const TargetFileRow* GetRowRecord(int row) const;

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    int OnCreate(CREATESTRUCTW* cs);
    void OnDestroy();
    LRESULT OnDropFiles(WPARAM drop, LPARAM);
    BOOL OnEraseBkgnd(CDC* dc);
    void OnDeleteItem(NMHDR* header, LRESULT* result);
    void OnRightClick(NMHDR* header, LRESULT* result);
    void OnCustomDrawItems(NMHDR* header, LRESULT* result);

private:

    CEmptyListPicture m_emptyPicture;
};
