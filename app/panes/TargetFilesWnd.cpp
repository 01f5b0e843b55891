#include "app/panes/TargetFilesWnd.h"

#include "app/panes/PaneMenu.h"
#include "engine/ActionTarget.h"
#include "engine/ActionTargetBatch.h"
#include "engine/ImageFileWalk.h"
#include "engine/ProgramData.h"
#include "engine/TextHelpers.h"
#include "platform/base/Path.h"
#include "platform/controls/CommonNotifications.h"
#include "platform/controls/ListView.h"
#include "platform/shell/FileDrop.h"
#include "platform/user/MessageBox.h"

#include "AppPaneResources.h"

#include <string>
#include <utility>

namespace {

constexpr UINT IDB_EMPTY_FILES = 149;
constexpr UINT IDB_FILE_ICON = 162;
constexpr UINT IDR_TARGETS_MENU = 165;
constexpr UINT IDS_FILES_NOT_ADDED = 103;
constexpr UINT IDS_COLUMN_FILENAME = 4270;
constexpr UINT IDS_COLUMN_DETAILS = 4271;

TargetFileRow* RecordOf(LPARAM param) { return reinterpret_cast<TargetFileRow*>(param); }

} // namespace

IMPLEMENT_DYNAMIC(CTargetFilesWnd, CListCtrl)

BEGIN_MESSAGE_MAP(CTargetFilesWnd, CListCtrl)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_DROPFILES, &CTargetFilesWnd::OnDropFiles)
    ON_WM_ERASEBKGND()
    ON_NOTIFY_REFLECT(LVN_DELETEITEM, &CTargetFilesWnd::OnDeleteItem)
    ON_NOTIFY_REFLECT(NM_RCLICK, &CTargetFilesWnd::OnRightClick)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CTargetFilesWnd::OnCustomDrawItems)
END_MESSAGE_MAP()

CTargetFilesWnd::CTargetFilesWnd()
{
    // The pane's pictures, menus and strings live in this table; the reference keeps it linked.
    static const void* volatile table = &AppPaneResources;
    (void)table;
}

CTargetFilesWnd::~CTargetFilesWnd()
{
    if (m_hWnd)
        DestroyWindow();
}

int CTargetFilesWnd::OnCreate(CREATESTRUCTW*)
{
    return Default() == -1 ? -1 : 0;
}

void CTargetFilesWnd::OnDestroy()
{
    // The records go here rather than through the reflected deletions: the parent may already be
    // on its way out and no longer reflect them.
    for (int row = 0; row < GetItemCount(); ++row) {
        TargetFileRow* record = RecordOf(GetItemData(row));
        LVITEMW data {};
        data.mask = LVIF_PARAM;
        data.iItem = row;
        SendMessage(LVM_SETITEMW, 0, LPARAM(&data));
        delete record;
    }
    DeleteAllItems();
    CListCtrl::OnDestroy();
}

void CTargetFilesWnd::Init()
{
    const std::pair<UINT, int> columns[] = { { IDS_COLUMN_FILENAME, 150 }, { IDS_COLUMN_DETAILS, 150 } };
    int index = 0;
    for (const auto& [textId, width] : columns) {
        std::u16string text = LoadStringText(textId);
        LVCOLUMNW column {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = text.data();
        column.iSubItem = index;
        InsertColumn(index++, &column);
    }
    // The list owns the image list it shows and destroys it with itself.
    CImageList images;
    CBitmap icon;
    if (images.Create(16, 16, ILC_COLOR24, 1, 0) && icon.LoadBitmap(IDB_FILE_ICON)) {
        images.Add(&icon, static_cast<CBitmap*>(nullptr));
        auto old = reinterpret_cast<HIMAGELIST>(SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images.Detach())));
        if (old)
            ImageList_Destroy(old);
    }
    m_emptyPicture.Load(IDB_EMPTY_FILES);
    // The template asks for file drops already; a pane created otherwise takes them too.
    ::DragAcceptFiles(m_hWnd, TRUE);
}

int CTargetFilesWnd::AddImageFile(const std::u16string& path, const ImageFileInfo& info, void* context)
{
    auto* pane = static_cast<CTargetFilesWnd*>(context);
    if (!pane)
        return FALSE;
    const std::u16string name = GetFileNamePart(path);
    LVITEMW item {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = pane->GetItemCount();
    item.pszText = const_cast<WCHAR*>(name.c_str());
    item.iImage = 0;
    const int row = pane->InsertItem(&item);
    if (row < 0)
        return FALSE;
    const std::u16string details = FormatText(u"%d bpp, %d x %d", int(info.bitsPerPixel), int(info.width), int(info.height));
    pane->SetItemText(row, 1, details.c_str());
    LVITEMW data {};
    data.mask = LVIF_PARAM;
    data.iItem = row;
    data.lParam = LPARAM(new TargetFileRow { path, info });
    pane->SendMessage(LVM_SETITEMW, 0, LPARAM(&data));
    if (row == 0)
        pane->Invalidate();
    return TRUE;
}

const TargetFileRow* CTargetFilesWnd::GetRowRecord(int row) const
{
    if (row < 0 || row >= GetItemCount())
        return nullptr;
    return RecordOf(GetItemData(row));
}

CImageFileTarget* CTargetFilesWnd::CreateTargetForRow(int row)
{
    const TargetFileRow* record = GetRowRecord(row);
    if (!record || !PathFileExistsW(record->path.c_str()))
        return nullptr;
    return new CImageFileTarget(record->path);
}

CActionTargetBatch* CTargetFilesWnd::BuildBatch()
{
    auto* batch = new CActionTargetBatch;
    for (int row = 0; row < GetItemCount(); ++row) {
        CImageFileTarget* target = CreateTargetForRow(row);
        if (!target)
            continue;
        batch->AddTarget(target);
        target->Release();
    }
    return batch;
}

LRESULT CTargetFilesWnd::OnDropFiles(WPARAM wParam, LPARAM)
{
    auto drop = reinterpret_cast<HDROP>(wParam);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    int rejected = 0;
    for (UINT i = 0; i < count; ++i) {
        // The whole name, however long: a cut one would name another file or none.
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::u16string path(size_t(length) + 1, u'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
        WalkImageFiles(path, rejected, &CTargetFilesWnd::AddImageFile, this);
    }
    if (rejected != 0)
        MessageBoxFromResource(MB_ICONEXCLAMATION, IDS_FILES_NOT_ADDED, rejected);
    DragFinish(drop);
    return 0;
}

BOOL CTargetFilesWnd::OnEraseBkgnd(CDC* dc)
{
    return m_emptyPicture.Erase(*this, dc) ? TRUE : BOOL(Default());
}

void CTargetFilesWnd::OnCustomDrawItems(NMHDR* header, LRESULT* result)
{
    const bool drawn = m_emptyPicture.CustomDraw(*this, reinterpret_cast<const NMLVCUSTOMDRAW*>(header));
    *result = drawn ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
}

void CTargetFilesWnd::OnDeleteItem(NMHDR* header, LRESULT* result)
{
    delete RecordOf(reinterpret_cast<const NMLISTVIEW*>(header)->lParam);
    *result = 0;
}

void CTargetFilesWnd::OnRightClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    TrackPaneMenu(IDR_TARGETS_MENU, this);
}

BOOL CTargetFilesWnd::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_DELETE && msg->hwnd == m_hWnd) {
        CWnd* parent = GetParent();
        if (parent && parent->SendMessage(WM_VORNALT_REMOVE_SELECTED_TARGETS, 0, 0))
            return TRUE;
    }
    return CListCtrl::PreTranslateMessage(msg);
}
