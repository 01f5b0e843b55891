#include "postprocess/PostProcessActions.h"

#include "engine/ActionRegistry.h"
#include "postprocess/ActionEmail.h"
#include "postprocess/ActionFtp.h"
#include "postprocess/ActionImageGallery.h"
#include "postprocess/ActionZipAll.h"
#include "postprocess/flickr/ActionFlickr.h"

#include <mutex>

void RegisterPostProcessActions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        SetActionFactory(u"builtin_zipall", [] { return static_cast<CAction*>(new CActionZipAll); });
        SetActionFactory(u"builtin_imagegallery", [] { return static_cast<CAction*>(new CActionImageGallery); });
        SetActionFactory(u"builtin_flickr", [] { return static_cast<CAction*>(new CActionFlickr); });
        SetActionFactory(u"builtin_email", [] { return static_cast<CAction*>(new CActionEmail); });
        SetActionFactory(u"builtin_ftp", [] { return static_cast<CAction*>(new CActionFtp); });
    });
}
