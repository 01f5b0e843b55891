#include "engine/ActionDialogs.h"

#include "resources/MessageBox.h"

#include <atomic>

namespace {
ActionPropertyDialogs g_headlessDialogs;
std::atomic<ActionPropertyDialogs*> g_installedDialogs { nullptr };
}

int ActionPropertyDialogs::RunSaveFileDialog(SaveFileDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunResizeDialog(ResizeDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunRotateDialog(RotateDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunFlipDialog(FlipDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunBrightnessDialog(BrightnessDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunContrastDialog(ContrastDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunSharpenDialog(SharpenDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunBorderDialog(BorderDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunCropDialog(CropDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunFrameDialog(FrameDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunRoundRectFrameDialog(RoundRectFrameDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunShadowDialog(ShadowDialogValues&) { return IDCANCEL; }
int ActionPropertyDialogs::RunWatermarkDialog(WatermarkDialogValues&) { return IDCANCEL; }

ActionPropertyDialogs& GetActionPropertyDialogs()
{
    ActionPropertyDialogs* installed = g_installedDialogs.load();
    return installed ? *installed : g_headlessDialogs;
}

ActionPropertyDialogs* SetActionPropertyDialogs(ActionPropertyDialogs* dialogs)
{
    return g_installedDialogs.exchange(dialogs);
}
