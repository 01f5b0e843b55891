#pragma once
// The common ground of the actions' property dialogs. Each dialog edits a record of plain values
// (engine/ActionDialogs.h, postprocess/PostProcessDialogs.h) and says once, in a table, which
// control shows which member and how; the exchange in both directions runs from that table, so a
// member is never mapped twice. What a dialog does beyond the table (enabling rules, lists,
// checks before OK) is its own code.

#include "app/windows/ColorWnd.h"
#include "platform/framework/Dialog.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <variant>
#include <vector>

enum class ControlKind {
    SignedNumber,   // an edit box, "%d"; text that is no integer is refused with string 61712
    UnsignedNumber, // an edit box, "%u"; a sign is refused with string 61719
    Text,           // an edit box
    Check,          // a check box, 0 or 1
    Slider,         // a trackbar's position (the dialog sets the range first)
    Swatch,         // the colour swatch 1037; button 1038 chooses the colour
    Radio,          // radio buttons, one per value; the first shows any other value
    ListByData,     // a drop-down list: the entry whose item data is the value
    ListByText,     // a drop-down list: the entry whose text is the value, compared without case
};

using MemberRef = std::variant<int*, WORD*, DWORD*, std::u16string*>;

struct PropertyControl {
    ControlKind kind;
    int id = 0; // the control; for Radio the buttons are in `radios`
    MemberRef member;
    std::vector<std::pair<int, int>> radios; // (button, value)
    bool noSelectionForOtherValues = false;  // ListByData: select nothing when no entry has the value
};

// Shorthands for the tables.
PropertyControl SignedBox(int id, int& member);
PropertyControl UnsignedBox(int id, int& member);
PropertyControl TextBox(int id, std::u16string& member);
PropertyControl CheckBox(int id, int& member);
PropertyControl SliderPosition(int id, int& member);
PropertyControl ColorSwatch(DWORD& member);
PropertyControl RadioChoice(MemberRef member, std::initializer_list<std::pair<int, int>> buttons);
PropertyControl ListEntryByData(int id, MemberRef member, bool noSelectionForOtherValues = false);
PropertyControl ListEntryByText(int id, std::u16string& member);

constexpr int IDC_COLOR_SWATCH = 1037;
constexpr int IDC_CHOOSE_COLOR = 1038;

class CPropertyDialog : public CDialog {
public:
    CPropertyDialog(UINT templateId, std::vector<PropertyControl> controls, std::vector<int> boldHeadings = {});

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The exchange of one table; also used by dialogs for a part of their controls.
    static void Exchange(CDataExchange* dx, CPropertyDialog& dialog, const std::vector<PropertyControl>& controls);

protected:
    // Before the controls are filled: lists, ranges, fonts.
    virtual void PrepareControls() { }
    // After they are filled: the enabling rules.
    virtual void ControlsFilled() { }
    // A command of a control other than the colour button; true when handled.
    virtual bool OnControlCommand(int /*id*/, int /*code*/) { return false; }
    // A slider moved.
    virtual void OnSliderMoved(int /*id*/) { }

    void EnableControls(std::initializer_list<int> ids, bool enable);
    bool IsChecked(int id) const { return IsDlgButtonChecked(id) == BST_CHECKED; }
    std::u16string ControlText(int id) const;
    void SetControlText(int id, const std::u16string& text);
    // Adds an entry with its item data to a drop-down list; returns its index.
    int AddListEntry(int id, const std::u16string& text, LPARAM data);
    // A message box of the program with a string of the table.
    void ShowMessage(UINT stringId, UINT type = MB_OK);
    // The folder picker owned by the dialog; empty when cancelled.
    std::u16string BrowseForFolder(UINT titleStringId);

    std::vector<PropertyControl> m_controls;
    std::vector<int> m_boldHeadings;
    CColorWnd m_swatch;
    DWORD* m_swatchColor = nullptr;

private:
    HWND m_initialFocus = nullptr;
};
