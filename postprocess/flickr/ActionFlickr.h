#pragma once
// Uploads every collected output file as one photo to the account whose key the action holds,
// with the tags, visibility and content type of its settings. Always the collected targets,
// never the previous action's output.

#include "engine/Action.h"
#include "postprocess/PostProcessDialogs.h"

#include <string>

class CActionFlickr : public CPostProcessAction {
public:
    CActionFlickr();

    std::u16string GetTypeKey() const override { return u"builtin_flickr"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool Validate(std::vector<std::u16string>& problems) override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 0 (also in a preview); 20 without an account key (nothing sent); 19 when an upload failed
    // (every other file was still tried) or the run was cancelled (no file after the cancel is
    // sent).
    int PostProcess() override;

protected:
    ~CActionFlickr() override = default;

private:
    FlickrDialogValues readSettings();
    void writeSettings(const FlickrDialogValues& settings);
};
