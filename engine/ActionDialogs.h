#pragma once
// The property dialogs of the image actions, as the actions see them: each takes a record of
// plain values, runs modally, and returns IDOK (1) when the user accepted, another value
// otherwise; the record's values count only after an accept. The application installs the
// windowed implementation; until then (and in command-line runs) every dialog answers IDCANCEL,
// so no property changes. Colours are 0x00BBGGRR.

#include "platform/base/Types.h"

#include <string>
#include <vector>

struct SaveFileDialogValues {
    std::u16string fileNameTemplate;
    std::u16string destinationFolder; // empty: the source file's folder
    std::vector<int> offeredTypes;    // listed after "Original File Type" (1)
    int fileType = 1;
    int quality = 0;
};

struct ResizeDialogValues {
    int width = 0;
    int height = 0;
    BOOL maintainAspect = FALSE;
    int primaryMetric = 0; // 0 width, 1 height
};

struct RotateDialogValues {
    int rotation = 0; // degrees, negative for counter-clockwise
    COLORREF backgroundColor = 0;
};

struct FlipDialogValues {
    WORD flipType = 1; // 1 top to bottom, 2 left to right
};

struct BrightnessDialogValues {
    int brightness = 0; // -1000..1000
    BOOL automatic = FALSE;
};

struct ContrastDialogValues {
    int contrast = 0; // -1000..1000
    BOOL automatic = FALSE;
};

struct SharpenDialogValues {
    int sharpness = 0; // -1000..1000
};

struct BorderDialogValues {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    COLORREF color = 0xFFFFFF;
};

struct CropDialogValues {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    COLORREF backgroundColor = 0;
    BOOL expand = FALSE;
};

struct FrameDialogValues {
    std::u16string frameType;
};

struct RoundRectFrameDialogValues {
    int radius = 0;
    COLORREF backgroundColor = 0;
    BOOL dropShadow = FALSE;
};

struct ShadowDialogValues {
    int direction = 1; // 1 top left, 2 bottom right, 3 surround
    int thickness = 0;
    COLORREF canvasColor = 0;
};

struct WatermarkDialogValues {
    WORD contentType = 2; // 1 image, 2 text
    WORD position = 1;    // 1 tiled, 2-6 single positions
    int margin = 0;
    BOOL bold = FALSE;
    BOOL italic = FALSE;
    BOOL underline = FALSE;
    BOOL strikeOut = FALSE;
    int fontSize = 0; // points
    int opacity = 255;
    COLORREF textColor = 0;
    std::u16string fontName;
    std::u16string imagePath;
    std::u16string text;
};

class ActionPropertyDialogs {
public:
    virtual ~ActionPropertyDialogs() = default;
    virtual int RunSaveFileDialog(SaveFileDialogValues& values);
    virtual int RunResizeDialog(ResizeDialogValues& values);
    virtual int RunRotateDialog(RotateDialogValues& values);
    virtual int RunFlipDialog(FlipDialogValues& values);
    virtual int RunBrightnessDialog(BrightnessDialogValues& values);
    virtual int RunContrastDialog(ContrastDialogValues& values);
    virtual int RunSharpenDialog(SharpenDialogValues& values);
    virtual int RunBorderDialog(BorderDialogValues& values);
    virtual int RunCropDialog(CropDialogValues& values);
    virtual int RunFrameDialog(FrameDialogValues& values);
    virtual int RunRoundRectFrameDialog(RoundRectFrameDialogValues& values);
    virtual int RunShadowDialog(ShadowDialogValues& values);
    virtual int RunWatermarkDialog(WatermarkDialogValues& values);
};

// The dialogs in use: the installed ones, else the headless ones (every answer IDCANCEL).
ActionPropertyDialogs& GetActionPropertyDialogs();
// Installs `dialogs` (not owned; null restores the headless ones). Install on the user-interface
// thread before any action shows a dialog. Returns the previous installation (null for none).
ActionPropertyDialogs* SetActionPropertyDialogs(ActionPropertyDialogs* dialogs);
