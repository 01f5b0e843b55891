#pragma once
// The property dialogs of the post-process actions, as the actions see them: each takes a record
// of plain values, runs modally and returns IDOK (1) when the user accepted; the values count
// only then. The application installs the windowed implementation; until then (and in
// command-line runs) every dialog answers IDCANCEL and no property changes.

#include <string>

struct ZipAllDialogValues {
    int passwordProtect = 0;
    std::u16string password;
    std::u16string zipPath;
};

struct GalleryDialogValues {
    std::u16string theme;
    std::u16string destinationDir;
    std::u16string description;
    std::u16string title;
    int thumbsPerPage = 0;
};

struct EmailDialogValues {
    std::u16string smtpHost;
    int smtpPort = 0;
    std::u16string smtpUser;
    std::u16string smtpPassword;
    int auth = 0;
    std::u16string fromAddress;
    std::u16string recipients;
    std::u16string subject;
    std::u16string message;
};

struct FtpDialogValues {
    std::u16string password;
    std::u16string username;
    std::u16string destinationDir;
    std::u16string host;
    int port = 0;
    int passive = 0;
};

// The windowed photo-sharing dialog offers the stored accounts and puts the chosen one's key into
// `authKey`.
struct FlickrDialogValues {
    std::u16string authKey;
    std::u16string tags;
    int contentType = 0;
    int globalSearch = 0;
    int viewPublic = 0;
    int viewFriends = 0;
    int viewFamily = 0;
};

class PostProcessPropertyDialogs {
public:
    virtual ~PostProcessPropertyDialogs() = default;
    virtual int RunZipAllDialog(ZipAllDialogValues& values);
    virtual int RunGalleryDialog(GalleryDialogValues& values);
    virtual int RunEmailDialog(EmailDialogValues& values);
    virtual int RunFtpDialog(FtpDialogValues& values);
    virtual int RunFlickrDialog(FlickrDialogValues& values);
};

// The installed dialogs, else the headless ones (every answer IDCANCEL).
PostProcessPropertyDialogs& GetPostProcessPropertyDialogs();
// Installs `dialogs` (not owned; null restores the headless ones); returns the previous one.
PostProcessPropertyDialogs* SetPostProcessPropertyDialogs(PostProcessPropertyDialogs* dialogs);
