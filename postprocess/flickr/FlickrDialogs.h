#pragma once
// The upload action's property dialog as the action sees it: a record of plain values, run
// modally, IDOK (1) when the user accepted (the values count only then). The application installs
// the windowed dialog, which offers the stored accounts and puts the chosen one's key into
// `authKey`; until then (and in command-line runs) it answers IDCANCEL.

#include <string>

struct FlickrDialogValues {
    std::u16string authKey;
    std::u16string tags;
    int contentType = 0;
    int globalSearch = 0;
    int viewPublic = 0;
    int viewFriends = 0;
    int viewFamily = 0;
};

class FlickrPropertyDialog {
public:
    virtual ~FlickrPropertyDialog() = default;
    virtual int Run(FlickrDialogValues& values);
};

// The installed dialog, else the headless one.
FlickrPropertyDialog& GetFlickrPropertyDialog();
// Installs `dialog` (not owned; null restores the headless one); returns the previous one.
FlickrPropertyDialog* SetFlickrPropertyDialog(FlickrPropertyDialog* dialog);
