#pragma once
// The windowed property dialogs behind the actions' dialog hooks. The program installs them at
// start-up on its user-interface thread; from then on every action's property operation runs
// its dialog modally there.

#include "engine/ActionDialogs.h"
#include "postprocess/PostProcessDialogs.h"

class CWindowedActionDialogs : public ActionPropertyDialogs {
public:
    int RunSaveFileDialog(SaveFileDialogValues& values) override;
    int RunResizeDialog(ResizeDialogValues& values) override;
    int RunRotateDialog(RotateDialogValues& values) override;
    int RunFlipDialog(FlipDialogValues& values) override;
    int RunBrightnessDialog(BrightnessDialogValues& values) override;
    int RunContrastDialog(ContrastDialogValues& values) override;
    int RunSharpenDialog(SharpenDialogValues& values) override;
    int RunBorderDialog(BorderDialogValues& values) override;
    int RunCropDialog(CropDialogValues& values) override;
    int RunFrameDialog(FrameDialogValues& values) override;
    int RunRoundRectFrameDialog(RoundRectFrameDialogValues& values) override;
    int RunShadowDialog(ShadowDialogValues& values) override;
    int RunWatermarkDialog(WatermarkDialogValues& values) override;
};

class CWindowedPostProcessDialogs : public PostProcessPropertyDialogs {
public:
    int RunZipAllDialog(ZipAllDialogValues& values) override;
    int RunGalleryDialog(GalleryDialogValues& values) override;
    int RunEmailDialog(EmailDialogValues& values) override;
    int RunFtpDialog(FtpDialogValues& values) override;
    int RunFlickrDialog(FlickrDialogValues& values) override;
};

// Installs the windowed dialogs for both kinds of action (null uninstalls them: the headless
// ones answer IDCANCEL again).
void InstallWindowedActionDialogs();
void UninstallWindowedActionDialogs();
