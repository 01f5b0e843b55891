#pragma once
// The property dialogs of the image actions and of the save-file action. Each edits the value
// record its action fills (engine/ActionDialogs.h); the record counts only after IDOK.

#include "app/properties/PropertyDialog.h"
#include "app/properties/SamplePreview.h"
#include "engine/ActionDialogs.h"

class CPropSaveFileDlg : public CPropertyDialog {
public:
    explicit CPropSaveFileDlg(SaveFileDialogValues& values);
    void OnOK() override;

protected:
    void PrepareControls() override;
    void ControlsFilled() override;
    bool OnControlCommand(int id, int code) override;

private:
    void ApplyQualityRule();
    int SelectedType() const;

    SaveFileDialogValues& m_values;
    int m_folderChoice = 0;   // 0 same folder, 1 the folder given
    int m_nameChoice = 1;     // 0 keep the name, 1 the format given
    CFont m_boldGuiFont;
    CFont m_smallArialFont;
};

class CPropResizeDlg : public CPropertyDialog {
public:
    explicit CPropResizeDlg(ResizeDialogValues& values);

protected:
    void ControlsFilled() override { ApplyEnabling(); }
    bool OnControlCommand(int id, int code) override;

private:
    void ApplyEnabling();
};

class CPropRotateDlg : public CPropertyDialog {
public:
    explicit CPropRotateDlg(RotateDialogValues& values);
};

class CPropFlipDlg : public CPropertyDialog {
public:
    explicit CPropFlipDlg(FlipDialogValues& values);
};

// Brightness, contrast and sharpness: a number box and a slider that follow each other within
// -1000..1000, and for the first two a check box that disables both.
class CPropLevelDlg : public CPropertyDialog {
public:
    CPropLevelDlg(UINT templateId, int heading, int numberBox, int slider, int automaticBox, int& level, int* automatic);

protected:
    void PrepareControls() override;
    void ControlsFilled() override;
    bool OnControlCommand(int id, int code) override;
    void OnSliderMoved(int id) override;

private:
    static std::vector<PropertyControl> Table(int slider, int automaticBox, int& level, int* automatic);

    int m_numberBox;
    int m_slider;
    int m_automaticBox;
    int& m_level;
};

class CPropBrightnessDlg : public CPropLevelDlg {
public:
    explicit CPropBrightnessDlg(BrightnessDialogValues& values);
};

class CPropContrastDlg : public CPropLevelDlg {
public:
    explicit CPropContrastDlg(ContrastDialogValues& values);
};

class CPropSharpenDlg : public CPropLevelDlg {
public:
    explicit CPropSharpenDlg(SharpenDialogValues& values);
};

class CPropBorderDlg : public CPropertyDialog {
public:
    explicit CPropBorderDlg(BorderDialogValues& values);

protected:
    void PrepareControls() override;
    void ControlsFilled() override;
    bool OnControlCommand(int id, int code) override;

private:
    void ApplyEnabling();

    BorderDialogValues& m_values;
    int m_sameThickness = 0;
    bool m_filling = false;
    HICON m_icon = nullptr;
};

class CPropCropDlg : public CPropertyDialog {
public:
    explicit CPropCropDlg(CropDialogValues& values);

protected:
    void ControlsFilled() override;
    bool OnControlCommand(int id, int code) override;

private:
    void ApplyEnabling();
    // Reads the boxes without complaint (a half-typed box reads as it stands, else 0).
    int BoxValue(int id) const;

    CropDialogValues& m_values;
    bool m_updating = false;
};

class CPropFrameDlg : public CPropertyDialog {
public:
    explicit CPropFrameDlg(FrameDialogValues& values);
    void OnOK() override;

    CSamplePreview m_preview;

protected:
    void PrepareControls() override;
    void ControlsFilled() override { ShowSample(); }
    bool OnControlCommand(int id, int code) override;

private:
    void ShowSample();

    FrameDialogValues& m_values;
};

class CPropRRectFrameDlg : public CPropertyDialog {
public:
    explicit CPropRRectFrameDlg(RoundRectFrameDialogValues& values);
};

class CPropShadowDlg : public CPropertyDialog {
public:
    explicit CPropShadowDlg(ShadowDialogValues& values);
};

class CPropWatermarkDlg : public CPropertyDialog {
public:
    explicit CPropWatermarkDlg(WatermarkDialogValues& values);
    void OnOK() override;

protected:
    void PrepareControls() override;
    void ControlsFilled() override { ApplyEnabling(); }
    bool OnControlCommand(int id, int code) override;

private:
    void ApplyEnabling();
    void ChooseFont();

    WatermarkDialogValues& m_values;
    int m_single = 0; // 0 tiled, 1 single position
};
