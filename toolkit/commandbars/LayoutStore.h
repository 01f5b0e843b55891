#pragma once
// Reading a saved command-bar layout: the compressed "ZIP!" blobs the controls half is kept in,
// and the dock-state half (which bars are where, rescaled to the screen of today).

#include "platform/framework/File.h"
#include "platform/framework/Geometry.h"
#include "platform/framework/String.h"

#include <memory>
#include <vector>

class CJQWCommandBars;

// "ZIP!", the uncompressed length (32-bit little-endian), then one zlib stream. Anything else is
// the archive bytes themselves.
class CJQWZipMemFile : public CMemFile {
public:
    // Compressed layouts are small; a blob announcing more is damaged or hostile.
    static constexpr DWORD kMaxInflatedBytes = 16u << 20;

    CJQWZipMemFile() : CMemFile(1024) { }
    // Plain bytes are used in place (the caller keeps them alive); a blob is inflated into a
    // buffer the file owns. A blob that does not inflate to exactly its announced length leaves
    // the file empty.
    CJQWZipMemFile(const BYTE* bytes, DWORD length);

    // As the constructor on an existing file; with `takeOwnership` the file frees (std::free) the
    // caller's bytes: at once for a blob, on close for plain bytes. FALSE for a damaged blob.
    BOOL AttachBlob(BYTE* bytes, DWORD length, BOOL takeOwnership);
    // The whole file (up to the inflated limit); FALSE when it cannot be opened or read.
    BOOL LoadFromFile(const WCHAR* path);

    static BOOL IsCompressedBlob(const BYTE* bytes, DWORD length);
};

// The load parameters every bar and control can read from the exchange's user-data pointer.
struct JQW_COMMANDBARS_EXCHANGE_PARAMS {
    BOOL bSerializeImages = FALSE;
    BOOL bSaveOnlyCustomized = TRUE;
    BOOL bLoadSilent = FALSE;
    BOOL bSaveOriginalControls = TRUE;
    BOOL bSerializeDesignerControls = FALSE;
    BOOL bSerializeActions = FALSE;
    BOOL bSerializeLayout = TRUE;
    BOOL bSerializeOptions = FALSE;
    BOOL bPropExchange = FALSE;
    CJQWCommandBars* pCommandBars = nullptr;
};

// The saved placement of one toolbar.
struct CJQWToolBarInfo {
    UINT nBarID = 0;
    BOOL bVisible = TRUE;
    BOOL bFloating = FALSE;
    CPoint pointPos { -1, -1 };
    int nMRUWidth = 0x7FFF;
    UINT uMRUDockID = 0;
    CRect rectMRUDockPos { 0, 0, 0, 0 };
    CPoint ptMRUFloatPos { 0, 0 };
    void* pBar = nullptr; // the live bar it was matched to
    BOOL bDialogBar = FALSE;
    CSize szDialogBarDockingClient { 200, 200 };
    CSize szDialogBarFloatingClient { 200, 200 };
};

// The dock-state half of a saved layout, read from the profile sections "<P>-Summary",
// "<P>-Bar<i>" and "<P>-DockBar<i>".
class CJQWDockState {
public:
    // More sections than any window has bars is damaged data.
    static constexpr int kMaxBars = 1024;

    CJQWDockState();
    void Load(const CString& profileName);
    // Row entries of dock bar `index` (0-3): bar ids, 0 a row break. Empty when the saved count
    // is 0 or 1.
    std::vector<UINT> LoadDockBarRow(const CString& profileName, int index) const;

    // Scaled to today's screen and pulled into the work area.
    CPoint AdjustPoint(CPoint point) const;
    CRect AdjustRect(CRect rect) const;

    std::vector<std::unique_ptr<CJQWToolBarInfo>> m_arrBarInfo;
    BOOL m_bScaling = FALSE;
    CSize m_sizeScreen;
    CSize m_sizeSavedScreen { 0, 0 };
};
