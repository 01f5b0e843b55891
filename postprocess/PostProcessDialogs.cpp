#include "postprocess/PostProcessDialogs.h"

#include "resources/MessageBox.h"

#include <atomic>

namespace {
PostProcessPropertyDialogs g_headlessDialogs;
std::atomic<PostProcessPropertyDialogs*> g_installedDialogs { nullptr };
}

int PostProcessPropertyDialogs::RunZipAllDialog(ZipAllDialogValues&) { return IDCANCEL; }
int PostProcessPropertyDialogs::RunGalleryDialog(GalleryDialogValues&) { return IDCANCEL; }
int PostProcessPropertyDialogs::RunEmailDialog(EmailDialogValues&) { return IDCANCEL; }
int PostProcessPropertyDialogs::RunFtpDialog(FtpDialogValues&) { return IDCANCEL; }
int PostProcessPropertyDialogs::RunFlickrDialog(FlickrDialogValues&) { return IDCANCEL; }

PostProcessPropertyDialogs& GetPostProcessPropertyDialogs()
{
    PostProcessPropertyDialogs* installed = g_installedDialogs.load();
    return installed ? *installed : g_headlessDialogs;
}

PostProcessPropertyDialogs* SetPostProcessPropertyDialogs(PostProcessPropertyDialogs* dialogs)
{
    return g_installedDialogs.exchange(dialogs);
}
