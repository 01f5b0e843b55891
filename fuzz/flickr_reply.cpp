// A reply of the photo-sharing service through every reader the client uses on it (elements,
// the user's attributes, the status and error of "rsp"), and the same bytes as a stored account
// text.
#include "platform/base/Unicode.h"
#include "postprocess/flickr/FlickrAccount.h"
#include "postprocess/flickr/RestRequest.h"

#include <cstdint>
#include <string>

namespace {
class Reply : public CRestRequest {
public:
    explicit Reply(std::u16string text) { SetReplyText(std::move(text)); }
};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 60000)
        return 0;
    std::u16string text = Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
    Reply reply(text);
    for (const char16_t* tag : { u"frob", u"token", u"photoid" })
        reply.GetReplyElementText(tag);
    for (const char16_t* attribute : { u"nsid", u"username", u"fullname" })
        reply.GetReplyUserAttribute(attribute);
    reply.GetReplyElementAttribute(u"rsp", u"stat");
    reply.GetReplyElementAttribute(u"err", u"code");
    reply.GetReplyElementAttribute(u"err", u"msg");

    CFlickrAccount account;
    account.FromXml(text);
    CFlickrAccount again;
    again.FromXml(account.ToXml());
    return 0;
}
