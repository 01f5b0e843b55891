#pragma once
// Files dropped on a window by another program (through the display back end's drag and drop) or
// by a test: a window that accepts files (WS_EX_ACCEPTFILES, set by DragAcceptFiles or its
// template) gets WM_DROPFILES with an HDROP, a moveable block in the DROPFILES layout that the
// receiver reads with DragQueryFileW and frees with DragFinish. Paths have no length limit.

#include "platform/base/GlobalMemory.h"
#include "platform/base/Types.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"

#include <string>
#include <vector>

constexpr UINT WM_DROPFILES = 0x0233;

using HDROP = HGLOBAL;

struct DROPFILES {
    DWORD pFiles; // offset of the name list from the start of the block
    POINT pt;     // the drop point in the client coordinates of the window
    BOOL fNC;     // dropped on the non-client area
    BOOL fWide;   // names in UTF-16
};

// Sets or clears WS_EX_ACCEPTFILES (and makes sure drops are delivered, see EnableFileDrops).
void DragAcceptFiles(HWND window, BOOL accept);
// 0xFFFFFFFF: the number of files. Otherwise the length of name `index` without its terminator
// when `buffer` is null; else copies at most `count` - 1 characters and a terminator and returns
// the number copied. 0 for a bad handle or index.
UINT DragQueryFileW(HDROP drop, UINT index, WCHAR* buffer, UINT count);
// The drop point in client coordinates; TRUE when it was in the client area.
BOOL DragQueryPoint(HDROP drop, POINT* point);
void DragFinish(HDROP drop);

namespace platform::shell {

// Makes drops from the display back end arrive as posted WM_DROPFILES (installs the back end's
// file-drop receiver; once per process, more calls do nothing). RegisterControlClasses and
// DragAcceptFiles call it.
void EnableFileDrops();
// A moveable DROPFILES block for `paths` with `point` in the client coordinates of the target.
HDROP MakeDropFiles(const std::vector<std::u16string>& paths, POINT point, bool nonClient = false);

} // namespace platform::shell
