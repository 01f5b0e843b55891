#include "app/properties/ImageActionDialogs.h"

#include "engine/ProgramData.h"
#include "engine/ResultCodes.h"
#include "engine/actions/ActionImageFrame.h"
#include "platform/base/Path.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/CommonDialog.h"
#include "platform/framework/ResourceHandle.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// a * b / c rounded half away from zero, as the platform's MulDiv does; -1 when c is 0.
int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    return int(std::llround(double(a) * b / c));
}

constexpr int kLevelMinimum = -1000;
constexpr int kLevelMaximum = 1000;

void SetSliderRange(HWND dialog, int id, int minimum, int maximum)
{
    HWND slider = ::GetDlgItem(dialog, id);
    ::SendMessageW(slider, TBM_SETRANGEMIN, FALSE, LPARAM(minimum));
    ::SendMessageW(slider, TBM_SETRANGEMAX, TRUE, LPARAM(maximum));
}

int SliderPos(HWND dialog, int id) { return int(::SendMessageW(::GetDlgItem(dialog, id), TBM_GETPOS, 0, 0)); }

void SetSliderPos(HWND dialog, int id, int position)
{
    ::SendMessageW(::GetDlgItem(dialog, id), TBM_SETPOS, TRUE, LPARAM(position));
}

// A number as the level boxes read it: an optional sign and digits; anything else counts as 0.
int LenientNumber(const std::u16string& text)
{
    size_t at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+'))
        negative = text[at++] == u'-';
    long long value = 0;
    bool digits = false;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        digits = true;
        value = std::min<long long>(value * 10 + (text[at] - u'0'), 1'000'000'000LL);
    }
    if (!digits)
        return 0;
    return int(negative ? -value : value);
}

std::u16string Decimal(int value) { return Utf8ToUtf16(std::to_string(value)); }

} // namespace

// ---- Save file

namespace {
constexpr int IDC_SAME_FOLDER = 1011;
constexpr int IDC_FOLDER = 1012;
constexpr int IDC_OTHER_FOLDER = 1013;
constexpr int IDC_KEEP_NAME = 1014;
constexpr int IDC_NAME_FORMAT = 1015;
constexpr int IDC_FORMAT = 1016;
constexpr int IDC_PLACEHOLDERS = 1017;
constexpr int IDC_ADD_PLACEHOLDER = 1018;
constexpr int IDC_BROWSE_FOLDER = 1019;
constexpr int IDC_FOLDER_HEADING = 1020;
constexpr int IDC_NAME_HEADING = 1021;
constexpr int IDC_FILE_TYPE = 1023;
constexpr int IDC_QUALITY_LABEL = 1024;
constexpr int IDC_QUALITY = 1096;
constexpr int IDC_QUALITY_LEFT = 1098;
constexpr int IDC_QUALITY_RIGHT = 1099;

struct Placeholder {
    const char16_t* token;
    UINT nameString;
};
constexpr Placeholder kPlaceholders[] = { { u"%b", 283 }, { u"%o", 284 }, { u"%h", 285 }, { u"%i", 286 },
    { u"%s", 287 }, { u"%m", 288 }, { u"%d", 289 }, { u"%y", 290 } };

// A format that names no placeholder gives every target the same name: each output would
// replace the one before it.
bool HasPlaceholder(const std::u16string& format)
{
    for (const Placeholder& placeholder : kPlaceholders)
        if (format.find(placeholder.token) != std::u16string::npos)
            return true;
    return false;
}
} // namespace

CPropSaveFileDlg::CPropSaveFileDlg(SaveFileDialogValues& values)
    : CPropertyDialog(130, {}, {})
    , m_values(values)
{
    m_folderChoice = values.destinationFolder.empty() ? 0 : 1;
    m_controls = { RadioChoice(&m_folderChoice, { { IDC_SAME_FOLDER, 0 }, { IDC_OTHER_FOLDER, 1 } }),
        TextBox(IDC_FOLDER, values.destinationFolder),
        RadioChoice(&m_nameChoice, { { IDC_NAME_FORMAT, 1 }, { IDC_KEEP_NAME, 0 } }),
        TextBox(IDC_FORMAT, values.fileNameTemplate), ListEntryByData(IDC_FILE_TYPE, &values.fileType),
        SliderPosition(IDC_QUALITY, values.quality) };
}

void CPropSaveFileDlg::PrepareControls()
{
    // The headings in the stock GUI font made bold, the slider's end labels in a small Arial.
    LOGFONTW gui {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui);
    LOGFONTW bold = gui;
    bold.lfWeight = FW_BOLD;
    m_boldGuiFont.CreateFontIndirect(&bold);
    LOGFONTW small = gui;
    std::char_traits<WCHAR>::copy(small.lfFaceName, u"Arial", 6);
    HDC screen = ::GetDC(nullptr);
    small.lfHeight = -MulDiv(65, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
    ::ReleaseDC(nullptr, screen);
    m_smallArialFont.CreateFontIndirect(&small);
    for (int heading : { IDC_FOLDER_HEADING, IDC_NAME_HEADING })
        ::SendMessageW(::GetDlgItem(m_hWnd, heading), WM_SETFONT, WPARAM(HFONT(m_boldGuiFont)), FALSE);
    for (int label : { IDC_QUALITY_LEFT, IDC_QUALITY_RIGHT })
        ::SendMessageW(::GetDlgItem(m_hWnd, label), WM_SETFONT, WPARAM(HFONT(m_smallArialFont)), FALSE);

    for (const Placeholder& placeholder : kPlaceholders)
        AddListEntry(IDC_PLACEHOLDERS, std::u16string(placeholder.token) + u" (" + LoadStringText(placeholder.nameString) + u")", 0);
    ::SendMessageW(::GetDlgItem(m_hWnd, IDC_PLACEHOLDERS), CB_SETCURSEL, 0, 0);
    AddListEntry(IDC_FILE_TYPE, ImageTypeDisplayName(1), 1);
    for (int type : m_values.offeredTypes)
        AddListEntry(IDC_FILE_TYPE, ImageTypeDisplayName(type), type);
    // The list is filled before the quality rule so that the slider's range holds the value.
    ::SendMessageW(::GetDlgItem(m_hWnd, IDC_FILE_TYPE), CB_SETCURSEL, 0, 0);
    for (int i = 0, count = int(::SendMessageW(::GetDlgItem(m_hWnd, IDC_FILE_TYPE), CB_GETCOUNT, 0, 0)); i < count; ++i)
        if (::SendMessageW(::GetDlgItem(m_hWnd, IDC_FILE_TYPE), CB_GETITEMDATA, WPARAM(i), 0) == m_values.fileType)
            ::SendMessageW(::GetDlgItem(m_hWnd, IDC_FILE_TYPE), CB_SETCURSEL, WPARAM(i), 0);
    ApplyQualityRule();
}

void CPropSaveFileDlg::ControlsFilled()
{
    EnableControls({ IDC_FOLDER, IDC_BROWSE_FOLDER }, m_folderChoice == 1);
    EnableControls({ IDC_FORMAT, IDC_PLACEHOLDERS, IDC_ADD_PLACEHOLDER }, true);
}

int CPropSaveFileDlg::SelectedType() const
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_FILE_TYPE);
    const LRESULT index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
    return index < 0 ? 1 : int(::SendMessageW(list, CB_GETITEMDATA, WPARAM(index), 0));
}

void CPropSaveFileDlg::ApplyQualityRule()
{
    const int type = SelectedType();
    const bool tunable = type == IMAGE_TYPE_JPEG || type == IMAGE_TYPE_PNG;
    if (type == IMAGE_TYPE_JPEG) {
        SetSliderRange(m_hWnd, IDC_QUALITY, 2, 255);
        SetControlText(IDC_QUALITY_LEFT, u"Highest Quality");
        SetControlText(IDC_QUALITY_RIGHT, u"Highest Compression");
    } else if (type == IMAGE_TYPE_PNG) {
        SetSliderRange(m_hWnd, IDC_QUALITY, 0, 9);
        SetControlText(IDC_QUALITY_LEFT, u"Default Compression");
        SetControlText(IDC_QUALITY_RIGHT, u"Highest Compression");
    }
    EnableControls({ IDC_QUALITY_LEFT, IDC_QUALITY_RIGHT }, tunable);
    // The trackbar keeps its position inside its range.
    SetSliderPos(m_hWnd, IDC_QUALITY, SliderPos(m_hWnd, IDC_QUALITY));
}

bool CPropSaveFileDlg::OnControlCommand(int id, int code)
{
    switch (id) {
    case IDC_FILE_TYPE:
        if (code == CBN_SELCHANGE)
            ApplyQualityRule();
        return true;
    case IDC_SAME_FOLDER:
    case IDC_OTHER_FOLDER:
        EnableControls({ IDC_FOLDER, IDC_BROWSE_FOLDER }, id == IDC_OTHER_FOLDER);
        return true;
    case IDC_KEEP_NAME:
        EnableControls({ IDC_FORMAT, IDC_PLACEHOLDERS, IDC_ADD_PLACEHOLDER }, false);
        SetControlText(IDC_FORMAT, u"%o");
        return true;
    case IDC_NAME_FORMAT:
        EnableControls({ IDC_FORMAT, IDC_PLACEHOLDERS, IDC_ADD_PLACEHOLDER }, true);
        return true;
    case IDC_ADD_PLACEHOLDER: {
        HWND list = ::GetDlgItem(m_hWnd, IDC_PLACEHOLDERS);
        const LRESULT index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
        if (index < 0)
            return true;
        const std::u16string token = std::u16string(kPlaceholders[index].token) + u" ";
        HWND format = ::GetDlgItem(m_hWnd, IDC_FORMAT);
        DWORD start = 0;
        ::SendMessageW(format, EM_GETSEL, WPARAM(&start), 0);
        std::u16string text = ControlText(IDC_FORMAT);
        start = std::min<DWORD>(start, DWORD(text.size()));
        text.insert(start, token);
        SetControlText(IDC_FORMAT, text);
        const DWORD caret = start + DWORD(token.size());
        ::SendMessageW(format, EM_SETSEL, caret, caret);
        return true;
    }
    case IDC_BROWSE_FOLDER: {
        const std::u16string folder = BrowseForFolder(172);
        if (!folder.empty())
            SetControlText(IDC_FOLDER, folder);
        return true;
    }
    default:
        return false;
    }
}

void CPropSaveFileDlg::OnOK()
{
    const bool otherFolder = IsChecked(IDC_OTHER_FOLDER);
    const std::u16string folder = ControlText(IDC_FOLDER);
    if (otherFolder && !PathFileExists(folder.c_str())) {
        ShowMessage(173);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_FOLDER));
        return;
    }
    if (IsChecked(IDC_KEEP_NAME))
        SetControlText(IDC_FORMAT, u"%o");
    else if (!HasPlaceholder(ControlText(IDC_FORMAT))) {
        ShowMessage(174);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_PLACEHOLDERS));
        return;
    }
    if (!UpdateData(TRUE))
        return;
    if (!otherFolder)
        m_values.destinationFolder.clear();
    EndDialog(IDOK);
}

// ---- Resize

namespace {
constexpr int IDC_RESIZE_WIDTH = 1042;
constexpr int IDC_RESIZE_HEIGHT = 1043;
constexpr int IDC_RESIZE_ASPECT = 1041;
constexpr int IDC_RESIZE_BY_WIDTH = 1044;
constexpr int IDC_RESIZE_BY_HEIGHT = 1045;
}

CPropResizeDlg::CPropResizeDlg(ResizeDialogValues& values)
    : CPropertyDialog(134,
        { SignedBox(IDC_RESIZE_WIDTH, values.width), SignedBox(IDC_RESIZE_HEIGHT, values.height),
            CheckBox(IDC_RESIZE_ASPECT, values.maintainAspect),
            RadioChoice(&values.primaryMetric, { { IDC_RESIZE_BY_WIDTH, 0 }, { IDC_RESIZE_BY_HEIGHT, 1 } }) })
{
}

void CPropResizeDlg::ApplyEnabling()
{
    const bool aspect = IsChecked(IDC_RESIZE_ASPECT);
    const bool byHeight = IsChecked(IDC_RESIZE_BY_HEIGHT);
    EnableControls({ IDC_RESIZE_BY_WIDTH, IDC_RESIZE_BY_HEIGHT }, aspect);
    EnableControls({ IDC_RESIZE_WIDTH }, !aspect || !byHeight);
    EnableControls({ IDC_RESIZE_HEIGHT }, !aspect || byHeight);
}

bool CPropResizeDlg::OnControlCommand(int id, int)
{
    if (id != IDC_RESIZE_ASPECT && id != IDC_RESIZE_BY_WIDTH && id != IDC_RESIZE_BY_HEIGHT)
        return false;
    ApplyEnabling();
    return true;
}

// ---- Rotate, flip, rounded frame, shadow: the table says it all.

CPropRotateDlg::CPropRotateDlg(RotateDialogValues& values)
    : CPropertyDialog(133, { SignedBox(1040, values.rotation), ColorSwatch(values.backgroundColor) }, { 1080 })
{
}

CPropFlipDlg::CPropFlipDlg(FlipDialogValues& values)
    : CPropertyDialog(162, { RadioChoice(&values.flipType, { { 1113, 2 }, { 1112, 1 } }) }, { 1114 })
{
}

CPropRRectFrameDlg::CPropRRectFrameDlg(RoundRectFrameDialogValues& values)
    : CPropertyDialog(144,
        { SignedBox(1067, values.radius), CheckBox(1066, values.dropShadow), ColorSwatch(values.backgroundColor) },
        { 1081, 1063 })
{
}

CPropShadowDlg::CPropShadowDlg(ShadowDialogValues& values)
    : CPropertyDialog(143,
        { RadioChoice(&values.direction, { { 1060, 1 }, { 1061, 2 }, { 1046, 3 } }), SignedBox(1062, values.thickness),
            ColorSwatch(values.canvasColor) },
        { 1064, 1065, 1063 })
{
}

// ---- Level dialogs

CPropLevelDlg::CPropLevelDlg(
    UINT templateId, int heading, int numberBox, int slider, int automaticBox, int& level, int* automatic)
    : CPropertyDialog(templateId, Table(slider, automaticBox, level, automatic), { heading })
    , m_numberBox(numberBox)
    , m_slider(slider)
    , m_automaticBox(automaticBox)
    , m_level(level)
{
}

std::vector<PropertyControl> CPropLevelDlg::Table(int slider, int automaticBox, int& level, int* automatic)
{
    // The slider holds the level; the number box only mirrors it, so a half-typed box is never
    // what OK reads.
    std::vector<PropertyControl> table { SliderPosition(slider, level) };
    if (automatic)
        table.push_back(CheckBox(automaticBox, *automatic));
    return table;
}

void CPropLevelDlg::PrepareControls()
{
    SetSliderRange(m_hWnd, m_slider, kLevelMinimum, kLevelMaximum);
    m_level = std::clamp(m_level, kLevelMinimum, kLevelMaximum);
}

void CPropLevelDlg::ControlsFilled()
{
    SetControlText(m_numberBox, Decimal(m_level));
    // A level that the automatic setting overrides is not offered for editing, from the start.
    if (m_automaticBox != 0)
        EnableControls({ m_slider, m_numberBox }, !IsChecked(m_automaticBox));
}

bool CPropLevelDlg::OnControlCommand(int id, int code)
{
    if (id == m_automaticBox && m_automaticBox != 0) {
        EnableControls({ m_slider, m_numberBox }, !IsChecked(m_automaticBox));
        return true;
    }
    if (id != m_numberBox || code != EN_CHANGE)
        return false;
    const std::u16string text = ControlText(m_numberBox);
    const int value = std::clamp(LenientNumber(text), kLevelMinimum, kLevelMaximum);
    SetSliderPos(m_hWnd, m_slider, value);
    // A lone sign or an empty box is someone typing a number; leave it to them.
    if (text.empty() || text == u"-" || text == u"+")
        return true;
    if (text != Decimal(value)) {
        SetControlText(m_numberBox, Decimal(value));
        const int end = int(::GetWindowTextLengthW(::GetDlgItem(m_hWnd, m_numberBox)));
        ::SendMessageW(::GetDlgItem(m_hWnd, m_numberBox), EM_SETSEL, end, end);
    }
    return true;
}

void CPropLevelDlg::OnSliderMoved(int id)
{
    if (id == m_slider)
        SetControlText(m_numberBox, Decimal(SliderPos(m_hWnd, m_slider)));
}

CPropBrightnessDlg::CPropBrightnessDlg(BrightnessDialogValues& values)
    : CPropLevelDlg(129, 1076, 1072, 1008, 1116, values.brightness, &values.automatic)
{
}

CPropContrastDlg::CPropContrastDlg(ContrastDialogValues& values)
    : CPropLevelDlg(131, 1079, 1078, 1077, 1115, values.contrast, &values.automatic)
{
}

CPropSharpenDlg::CPropSharpenDlg(SharpenDialogValues& values)
    : CPropLevelDlg(164, 1108, 1109, 1110, 0, values.sharpness, nullptr)
{
}

// ---- Border

namespace {
constexpr int IDC_BORDER_SAME = 1044;
constexpr int IDC_BORDER_EACH = 1045;
constexpr int IDC_BORDER_ALL = 1062;
constexpr int IDC_BORDER_TOP = 1064;
constexpr int IDC_BORDER_LEFT = 1066;
constexpr int IDC_BORDER_BOTTOM = 1067;
constexpr int IDC_BORDER_RIGHT = 1068;
constexpr int IDC_BORDER_ICON = 1074;
constexpr UINT IDI_BORDER = 155;
}

CPropBorderDlg::CPropBorderDlg(BorderDialogValues& values)
    : CPropertyDialog(145, {}, { 1063, 1075 })
    , m_values(values)
{
    const bool same = values.left == values.right && values.left == values.top && values.left == values.bottom;
    m_sameThickness = same ? 1 : 0;
    m_controls = { RadioChoice(&m_sameThickness, { { IDC_BORDER_EACH, 0 }, { IDC_BORDER_SAME, 1 } }),
        SignedBox(IDC_BORDER_TOP, values.top), SignedBox(IDC_BORDER_LEFT, values.left),
        SignedBox(IDC_BORDER_RIGHT, values.right), SignedBox(IDC_BORDER_BOTTOM, values.bottom),
        ColorSwatch(values.color) };
}

void CPropBorderDlg::PrepareControls()
{
    m_icon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_BORDER));
    if (m_icon)
        ::SendMessageW(::GetDlgItem(m_hWnd, IDC_BORDER_ICON), STM_SETICON, WPARAM(m_icon), 0);
    m_filling = true;
}

void CPropBorderDlg::ControlsFilled()
{
    // The one-for-all box starts from the left side; it is not a member, so OK never reads it.
    SetControlText(IDC_BORDER_ALL, Decimal(m_values.left));
    m_filling = false;
    ApplyEnabling();
}

void CPropBorderDlg::ApplyEnabling()
{
    const bool same = IsChecked(IDC_BORDER_SAME);
    EnableControls({ IDC_BORDER_ALL }, same);
    EnableControls({ IDC_BORDER_TOP, IDC_BORDER_LEFT, IDC_BORDER_RIGHT, IDC_BORDER_BOTTOM }, !same);
}

bool CPropBorderDlg::OnControlCommand(int id, int code)
{
    if (id == IDC_BORDER_SAME || id == IDC_BORDER_EACH) {
        ApplyEnabling();
        return true;
    }
    if (id != IDC_BORDER_ALL || code != EN_CHANGE || m_filling)
        return id == IDC_BORDER_ALL;
    const std::u16string text = ControlText(IDC_BORDER_ALL);
    for (int side : { IDC_BORDER_TOP, IDC_BORDER_LEFT, IDC_BORDER_RIGHT, IDC_BORDER_BOTTOM })
        SetControlText(side, text);
    return true;
}

// ---- Crop

namespace {
constexpr int IDC_CROP_BY_SIZE = 1025;
constexpr int IDC_CROP_BY_COORDINATES = 1026;
constexpr int IDC_CROP_WIDTH = 1027;
constexpr int IDC_CROP_HEIGHT = 1028;
constexpr int IDC_CROP_LEFT = 1029;
constexpr int IDC_CROP_TOP = 1030;
constexpr int IDC_CROP_RIGHT = 1031;
constexpr int IDC_CROP_BOTTOM = 1032;
constexpr int IDC_CROP_EXPAND = 1036;
}

CPropCropDlg::CPropCropDlg(CropDialogValues& values)
    : CPropertyDialog(132,
        { UnsignedBox(IDC_CROP_LEFT, values.left), UnsignedBox(IDC_CROP_TOP, values.top),
            UnsignedBox(IDC_CROP_RIGHT, values.right), UnsignedBox(IDC_CROP_BOTTOM, values.bottom),
            CheckBox(IDC_CROP_EXPAND, values.expand), ColorSwatch(values.backgroundColor) })
    , m_values(values)
{
}

void CPropCropDlg::ControlsFilled()
{
    m_updating = true;
    CheckRadioButton(IDC_CROP_BY_SIZE, IDC_CROP_BY_COORDINATES, IDC_CROP_BY_COORDINATES);
    SetControlText(IDC_CROP_WIDTH, u"0");
    SetControlText(IDC_CROP_HEIGHT, u"0");
    m_updating = false;
    ApplyEnabling();
}

void CPropCropDlg::ApplyEnabling()
{
    const bool bySize = IsChecked(IDC_CROP_BY_SIZE);
    EnableControls({ IDC_CROP_WIDTH, IDC_CROP_HEIGHT, 1020, 1021 }, bySize);
    EnableControls({ IDC_CROP_LEFT, IDC_CROP_TOP, IDC_CROP_RIGHT, IDC_CROP_BOTTOM, 1022, 1034, 1033, 1035 }, !bySize);
    EnableControls({ IDC_COLOR_SWATCH, IDC_CHOOSE_COLOR, 1039 }, IsChecked(IDC_CROP_EXPAND));
}

int CPropCropDlg::BoxValue(int id) const { return LenientNumber(ControlText(id)); }

bool CPropCropDlg::OnControlCommand(int id, int code)
{
    switch (id) {
    case IDC_CROP_BY_SIZE:
    case IDC_CROP_BY_COORDINATES:
    case IDC_CROP_EXPAND:
        ApplyEnabling();
        return true;
    case IDC_CROP_WIDTH:
    case IDC_CROP_HEIGHT:
        if (code == EN_CHANGE && !m_updating) {
            m_updating = true;
            SetControlText(IDC_CROP_LEFT, u"0");
            SetControlText(IDC_CROP_TOP, u"0");
            SetControlText(IDC_CROP_RIGHT, Decimal(BoxValue(IDC_CROP_WIDTH)));
            SetControlText(IDC_CROP_BOTTOM, Decimal(BoxValue(IDC_CROP_HEIGHT)));
            m_updating = false;
        }
        return true;
    case IDC_CROP_LEFT:
    case IDC_CROP_TOP:
    case IDC_CROP_RIGHT:
    case IDC_CROP_BOTTOM:
        if (code == EN_CHANGE && !m_updating) {
            m_updating = true;
            SetControlText(IDC_CROP_WIDTH, Decimal(BoxValue(IDC_CROP_RIGHT) - BoxValue(IDC_CROP_LEFT)));
            SetControlText(IDC_CROP_HEIGHT, Decimal(BoxValue(IDC_CROP_BOTTOM) - BoxValue(IDC_CROP_TOP)));
            m_updating = false;
        }
        return true;
    default:
        return false;
    }
}

// ---- Frame

namespace {
constexpr int IDC_FRAME_TYPES = 1161;
constexpr int IDC_PREVIEW_PLACE = 1162;
constexpr UINT IDC_PREVIEW = 102;
}

CPropFrameDlg::CPropFrameDlg(FrameDialogValues& values)
    : CPropertyDialog(173, { ListEntryByText(IDC_FRAME_TYPES, values.frameType) })
    , m_values(values)
{
}

void CPropFrameDlg::PrepareControls()
{
    std::vector<std::u16string> types;
    ListFrameTypes(types);
    for (const std::u16string& type : types)
        AddListEntry(IDC_FRAME_TYPES, type, 0);
    m_preview.CreateOver(this, IDC_PREVIEW_PLACE, IDC_PREVIEW);
}

void CPropFrameDlg::ShowSample()
{
    if (!UpdateData(TRUE) || m_values.frameType.empty())
        return;
    const std::u16string sample = GetFramesFolder() + m_values.frameType + u"/sample.jpg";
    if (PathFileExists(sample.c_str()))
        m_preview.SetImagePath(sample);
}

bool CPropFrameDlg::OnControlCommand(int id, int code)
{
    if (id != IDC_FRAME_TYPES)
        return false;
    if (code == CBN_SELCHANGE)
        ShowSample();
    return true;
}

void CPropFrameDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_values.frameType.empty()) {
        ShowMessage(278);
        return;
    }
    EndDialog(IDOK);
}

// ---- Watermark

namespace {
constexpr int IDC_MARK_IMAGE = 1044;
constexpr int IDC_MARK_TEXT = 1045;
constexpr int IDC_MARK_PATH = 1091;
constexpr int IDC_MARK_BROWSE = 1084;
constexpr int IDC_MARK_WORDS = 1090;
constexpr int IDC_MARK_FONT = 1088;
constexpr int IDC_MARK_TILE = 1085;
constexpr int IDC_MARK_SINGLE = 1086;
constexpr int IDC_MARK_MARGIN_LABEL = 1095;
constexpr int IDC_MARK_MARGIN = 1046;
constexpr int IDC_MARK_POSITIONS = 1089;
constexpr int IDC_MARK_OPACITY = 1087;
}

CPropWatermarkDlg::CPropWatermarkDlg(WatermarkDialogValues& values)
    : CPropertyDialog(158, {}, { 1092, 1093, 1094 })
    , m_values(values)
{
    m_single = values.position == 1 ? 0 : 1;
    m_controls = { RadioChoice(&values.contentType, { { IDC_MARK_TEXT, 2 }, { IDC_MARK_IMAGE, 1 } }),
        TextBox(IDC_MARK_PATH, values.imagePath), TextBox(IDC_MARK_WORDS, values.text),
        RadioChoice(&m_single, { { IDC_MARK_SINGLE, 1 }, { IDC_MARK_TILE, 0 } }),
        SignedBox(IDC_MARK_MARGIN, values.margin), ListEntryByData(IDC_MARK_POSITIONS, &values.position),
        SliderPosition(IDC_MARK_OPACITY, values.opacity) };
}

void CPropWatermarkDlg::PrepareControls()
{
    SetSliderRange(m_hWnd, IDC_MARK_OPACITY, 0, 255);
    for (UINT code = 2; code <= 6; ++code)
        AddListEntry(IDC_MARK_POSITIONS, LoadStringText(174 + code), code);
}

void CPropWatermarkDlg::ApplyEnabling()
{
    const bool image = IsChecked(IDC_MARK_IMAGE);
    EnableControls({ IDC_MARK_PATH, IDC_MARK_BROWSE }, image);
    EnableControls({ IDC_MARK_WORDS, IDC_MARK_FONT }, !image);
    const bool tile = IsChecked(IDC_MARK_TILE);
    EnableControls({ IDC_MARK_MARGIN_LABEL, IDC_MARK_MARGIN }, tile);
    EnableControls({ IDC_MARK_POSITIONS }, !tile);
}

bool CPropWatermarkDlg::OnControlCommand(int id, int)
{
    switch (id) {
    case IDC_MARK_IMAGE:
    case IDC_MARK_TEXT:
    case IDC_MARK_TILE:
    case IDC_MARK_SINGLE:
        ApplyEnabling();
        return true;
    case IDC_MARK_BROWSE: {
        if (!UpdateData(TRUE))
            return true;
        const std::u16string filter = LoadStringText(175);
        CFileDialog picker(TRUE, nullptr, m_values.imagePath.c_str(), OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING,
            filter.c_str(), this);
        if (picker.DoModal() == IDOK) {
            m_values.imagePath = std::u16string(picker.GetPathName().GetString());
            SetControlText(IDC_MARK_PATH, m_values.imagePath);
        }
        return true;
    }
    case IDC_MARK_FONT:
        ChooseFont();
        return true;
    default:
        return false;
    }
}

void CPropWatermarkDlg::ChooseFont()
{
    HDC dc = ::GetDC(m_hWnd);
    const int pixelsPerInch = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(m_hWnd, dc);
    LOGFONTW font {};
    const size_t faceLength = std::min<size_t>(m_values.fontName.size(), LF_FACESIZE - 1);
    std::char_traits<WCHAR>::copy(font.lfFaceName, m_values.fontName.c_str(), faceLength);
    font.lfHeight = -MulDiv(m_values.fontSize, pixelsPerInch, 72);
    font.lfWeight = m_values.bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = m_values.italic ? 1 : 0;
    font.lfUnderline = m_values.underline ? 1 : 0;
    font.lfStrikeOut = m_values.strikeOut ? 1 : 0;
    CFontDialog picker(&font, CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_NOSCRIPTSEL, nullptr, this);
    picker.m_cf.rgbColors = m_values.textColor;
    if (picker.DoModal() != IDOK)
        return;
    LOGFONTW chosen {};
    picker.GetCurrentFont(&chosen);
    m_values.bold = chosen.lfWeight == FW_BOLD ? TRUE : FALSE;
    m_values.italic = chosen.lfItalic ? TRUE : FALSE;
    m_values.underline = chosen.lfUnderline ? TRUE : FALSE;
    m_values.strikeOut = chosen.lfStrikeOut ? TRUE : FALSE;
    m_values.fontName = chosen.lfFaceName;
    m_values.textColor = picker.GetColor();
    m_values.fontSize = -MulDiv(chosen.lfHeight, 72, pixelsPerInch);
}

void CPropWatermarkDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_single == 0)
        m_values.position = 1;
    EndDialog(IDOK);
}
