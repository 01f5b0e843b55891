#include "app/properties/WindowedActionDialogs.h"

#include "AppPropertyResources.h"

#include "app/properties/ImageActionDialogs.h"
#include "app/properties/PostProcessActionDialogs.h"

namespace {

// The record changes only when the user accepts: the dialog works on a copy.
template <class Dialog, class Values> int RunOnCopy(Values& values)
{
    Values edited = values;
    Dialog dialog(edited);
    const int result = int(dialog.DoModal());
    if (result == IDOK)
        values = edited;
    return result;
}

CWindowedActionDialogs g_actionDialogs;
CWindowedPostProcessDialogs g_postProcessDialogs;

} // namespace

int CWindowedActionDialogs::RunSaveFileDialog(SaveFileDialogValues& v) { return RunOnCopy<CPropSaveFileDlg>(v); }
int CWindowedActionDialogs::RunResizeDialog(ResizeDialogValues& v) { return RunOnCopy<CPropResizeDlg>(v); }
int CWindowedActionDialogs::RunRotateDialog(RotateDialogValues& v) { return RunOnCopy<CPropRotateDlg>(v); }
int CWindowedActionDialogs::RunFlipDialog(FlipDialogValues& v) { return RunOnCopy<CPropFlipDlg>(v); }
int CWindowedActionDialogs::RunBrightnessDialog(BrightnessDialogValues& v) { return RunOnCopy<CPropBrightnessDlg>(v); }
int CWindowedActionDialogs::RunContrastDialog(ContrastDialogValues& v) { return RunOnCopy<CPropContrastDlg>(v); }
int CWindowedActionDialogs::RunSharpenDialog(SharpenDialogValues& v) { return RunOnCopy<CPropSharpenDlg>(v); }
int CWindowedActionDialogs::RunBorderDialog(BorderDialogValues& v) { return RunOnCopy<CPropBorderDlg>(v); }
int CWindowedActionDialogs::RunCropDialog(CropDialogValues& v) { return RunOnCopy<CPropCropDlg>(v); }
int CWindowedActionDialogs::RunFrameDialog(FrameDialogValues& v) { return RunOnCopy<CPropFrameDlg>(v); }
int CWindowedActionDialogs::RunRoundRectFrameDialog(RoundRectFrameDialogValues& v)
{
    return RunOnCopy<CPropRRectFrameDlg>(v);
}
int CWindowedActionDialogs::RunShadowDialog(ShadowDialogValues& v) { return RunOnCopy<CPropShadowDlg>(v); }
int CWindowedActionDialogs::RunWatermarkDialog(WatermarkDialogValues& v) { return RunOnCopy<CPropWatermarkDlg>(v); }

int CWindowedPostProcessDialogs::RunZipAllDialog(ZipAllDialogValues& v) { return RunOnCopy<CPropZipAllDlg>(v); }
int CWindowedPostProcessDialogs::RunGalleryDialog(GalleryDialogValues& v) { return RunOnCopy<CPropGalleryDlg>(v); }
int CWindowedPostProcessDialogs::RunEmailDialog(EmailDialogValues& v) { return RunOnCopy<CPropEmailDlg>(v); }
int CWindowedPostProcessDialogs::RunFtpDialog(FtpDialogValues& v) { return RunOnCopy<CPropFtpDlg>(v); }
int CWindowedPostProcessDialogs::RunFlickrDialog(FlickrDialogValues& v) { return RunOnCopy<CPropFlickrDlg>(v); }

void InstallWindowedActionDialogs()
{
    // Names the dialogs' table, so that the program links it.
    static const void* volatile table = &AppPropertyResources;
    (void)table;
    SetActionPropertyDialogs(&g_actionDialogs);
    SetPostProcessPropertyDialogs(&g_postProcessDialogs);
}

void UninstallWindowedActionDialogs()
{
    SetActionPropertyDialogs(nullptr);
    SetPostProcessPropertyDialogs(nullptr);
}
