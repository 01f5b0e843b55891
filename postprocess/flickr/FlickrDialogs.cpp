#include "postprocess/flickr/FlickrDialogs.h"

#include "resources/MessageBox.h"

#include <atomic>

namespace {
FlickrPropertyDialog g_headlessDialog;
std::atomic<FlickrPropertyDialog*> g_installedDialog { nullptr };
}

int FlickrPropertyDialog::Run(FlickrDialogValues&) { return IDCANCEL; }

FlickrPropertyDialog& GetFlickrPropertyDialog()
{
    FlickrPropertyDialog* installed = g_installedDialog.load();
    return installed ? *installed : g_headlessDialog;
}

FlickrPropertyDialog* SetFlickrPropertyDialog(FlickrPropertyDialog* dialog)
{
    return g_installedDialog.exchange(dialog);
}
