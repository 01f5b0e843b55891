#include "postprocess/flickr/ActionFlickr.h"

#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "engine/ProgramData.h"
#include "engine/ResultCodes.h"
#include "engine/TextHelpers.h"
#include "postprocess/flickr/FlickrClient.h"
#include "postprocess/PostProcessDialogs.h"
#include "postprocess/PostProcessOutput.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

CActionFlickr::CActionFlickr()
{
    SetPropertyString(u"flickr_authkey", u"");
    SetPropertyString(u"flickr_tags", u"");
    SetPropertyInt(u"flickr_contenttype", 1);
    SetPropertyInt(u"flickr_globalsearch", 1);
    SetPropertyInt(u"flickr_viewpublic", 1);
    SetPropertyInt(u"flickr_viewfriends", 1);
    SetPropertyInt(u"flickr_viewfamily", 1);
}

std::u16string CActionFlickr::GetName() const { return LoadStringText(106); }
std::u16string CActionFlickr::GetDescription() const { return LoadStringText(261); }

bool CActionFlickr::Validate(std::vector<std::u16string>& problems)
{
    std::u16string authKey;
    GetPropertyString(u"flickr_authkey", authKey);
    return AppendValidationProblems({ { authKey.empty(), 127 } }, problems);
}

FlickrDialogValues CActionFlickr::readSettings()
{
    FlickrDialogValues values;
    GetPropertyString(u"flickr_authkey", values.authKey);
    GetPropertyString(u"flickr_tags", values.tags);
    GetPropertyInt(u"flickr_contenttype", values.contentType);
    GetPropertyInt(u"flickr_globalsearch", values.globalSearch);
    GetPropertyInt(u"flickr_viewpublic", values.viewPublic);
    GetPropertyInt(u"flickr_viewfriends", values.viewFriends);
    GetPropertyInt(u"flickr_viewfamily", values.viewFamily);
    return values;
}

void CActionFlickr::writeSettings(const FlickrDialogValues& values)
{
    SetPropertyString(u"flickr_authkey", values.authKey);
    SetPropertyString(u"flickr_tags", values.tags);
    SetPropertyInt(u"flickr_contenttype", values.contentType);
    SetPropertyInt(u"flickr_globalsearch", values.globalSearch);
    SetPropertyInt(u"flickr_viewpublic", values.viewPublic);
    SetPropertyInt(u"flickr_viewfriends", values.viewFriends);
    SetPropertyInt(u"flickr_viewfamily", values.viewFamily);
}

bool CActionFlickr::ShowPropertyDialog(int, HWND)
{
    FlickrDialogValues values = readSettings();
    if (GetPostProcessPropertyDialogs().RunFlickrDialog(values) != IDOK)
        return false;
    writeSettings(values);
    return true;
}

int CActionFlickr::PostProcess()
{
    CActionStack* stack = GetStack();
    if (stack && stack->IsPreview())
        return RESULT_SUCCESS;
    const FlickrDialogValues settings = readSettings();
    if (settings.authKey.empty())
        return RESULT_INVALID_AUTHENTICATION;

    FlickrClient client;
    client.SetAuthToken(settings.authKey);
    const int hidden = settings.globalSearch == 0 ? 1 : 0;

    int result = RESULT_SUCCESS;
    const std::vector<CFileTarget*>& targets = GetCollected();
    const int total = int(targets.size());
    for (int i = 0; i < total; ++i) {
        std::u16string path = targets[i]->GetOutputOrSourcePath();
        std::u16string progress = FormatResourceString(243, GetFileNamePart(path));
        // A cancel must not publish any more of the user's photos.
        if (stack && !stack->ReportProgress(progress, this, i + 1, total)) {
            LogError(u"%s: Cancelled, %d of %d files not uploaded", GetName(), total - i, total);
            return RESULT_UPLOAD_FAILED;
        }
        if (!client.UploadPhoto(path, settings.tags, settings.viewPublic, settings.viewFriends, settings.viewFamily,
                settings.contentType, hidden))
            result = RESULT_UPLOAD_FAILED;
    }
    return result;
}
