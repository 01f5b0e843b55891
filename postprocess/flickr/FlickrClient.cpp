#include "postprocess/flickr/FlickrClient.h"

#include "components/crypto/TvCrypt.h"
#include "components/foundation/TvByteData.h"
#include "components/foundation/TvString.h"
#include "engine/LogFile.h"
#include "engine/TextHelpers.h"
#include "postprocess/GalleryPages.h"
#include "postprocess/PostProcessOutput.h"
#include "platform/base/Unicode.h"
#include "platform/shell/ShellExecute.h"

#include <cstdlib>
#include <mutex>

const char16_t kFlickrApiKey[] = u"3b5e0f8a6c1d4e7f9a2b8c0d5e1f7a3c";
const char16_t kFlickrSharedSecret[] = u"8d2f4a6c0e1b3d5f";
const char16_t kFlickrHost[] = u"api.flickr.com";

namespace {
// How much of a failed reply's body reaches the log.
constexpr std::size_t kReplyExcerptLength = 300;

std::mutex g_openerLock;
AuthorizationPageOpener g_opener;

bool openWithDesktop(const std::u16string& address)
{
    return reinterpret_cast<LONG_PTR>(ShellExecuteW(nullptr, u"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL))
        > 32;
}

// "host:port" with a port in 1-65535; anything else leaves the defaults.
void readEndpointOverride(std::u16string& host, int& port)
{
    const char* value = std::getenv(kFlickrEndpointVariable);
    if (!value)
        return;
    std::string text(value);
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return;
    char* end = nullptr;
    long number = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || end == text.c_str() + colon + 1 || number < 1 || number > 65535)
        return;
    host = Utf8ToUtf16(text.substr(0, colon));
    port = int(number);
}

}

AuthorizationPageOpener SetAuthorizationPageOpener(AuthorizationPageOpener opener)
{
    std::lock_guard lock(g_openerLock);
    AuthorizationPageOpener previous = std::move(g_opener);
    g_opener = std::move(opener);
    return previous;
}

FlickrClient::FlickrClient()
    : m_apiKey(kFlickrApiKey)
    , m_sharedSecret(kFlickrSharedSecret)
    , m_host(kFlickrHost)
    , m_restPath(u"/services/rest/")
    , m_servicesPath(u"/services/")
{
    readEndpointOverride(m_host, m_port);
}

void FlickrClient::SetEndpoint(std::u16string_view host, int port)
{
    m_host = host;
    m_port = port;
}

std::u16string FlickrClient::SignRequest()
{
    std::string signedText = ToAnsiText(m_sharedSecret);
    for (const DataParam& param : GetParams()) {
        signedText += ToAnsiText(param.name);
        signedText += ToAnsiText(param.value);
    }
    TvCrypt crypt;
    TvByteData digest;
    crypt.DigestMd5(reinterpret_cast<const unsigned char*>(signedText.data()), int(signedText.size()), digest);
    TvString hex;
    digest.Encode("hex", hex);
    const char* text = hex.GetUtf8();
    m_signature = text ? Utf8ToUtf16(text) : std::u16string();
    return m_signature;
}

int FlickrClient::SendSignedCall()
{
    AddParam(SignRequest(), u"api_sig");
    return SendRequest(m_host, m_restPath, false, m_port);
}

void FlickrClient::ExplainMissingValue(std::u16string_view expected)
{
    std::u16string code = GetReplyElementAttribute(u"err", u"code");
    std::u16string message = GetReplyElementAttribute(u"err", u"msg");
    if (!code.empty() || !message.empty()) {
        SetErrorText(u"Flickr answered error " + code + u": " + message);
        return;
    }
    SetErrorText(u"The reply from Flickr holds no " + std::u16string(expected) + u": " + GetReplyText());
}

bool FlickrClient::GetFrob()
{
    ClearParams();
    AddParam(u"flickr.auth.getFrob", u"method");
    AddParam(m_apiKey, u"api_key");
    if (SendSignedCall() != 0)
        return false;
    m_frob = GetReplyElementText(u"frob");
    if (m_frob.empty()) {
        ExplainMissingValue(u"frob");
        return false;
    }
    return true;
}

bool FlickrClient::OpenAuthorizationPage()
{
    ClearParams();
    AddParam(m_apiKey, u"api_key");
    AddParam(u"write", u"perms");
    AddParam(m_frob, u"frob");
    AddParam(SignRequest(), u"api_sig");
    std::u16string address = BuildAuthorizationUrl();
    AuthorizationPageOpener opener;
    {
        std::lock_guard lock(g_openerLock);
        opener = g_opener;
    }
    return opener ? opener(address) : openWithDesktop(address);
}

std::u16string FlickrClient::BuildAuthorizationUrl() const
{
    std::u16string address = u"http://" + m_host;
    if (m_port != kHttpPort)
        address += u":" + IntToString(m_port);
    address += m_servicesPath + u"auth" + u"/";
    char16_t separator = u'?';
    for (const DataParam& param : GetParams()) {
        address += separator;
        address += EncodeLinkName(param.name) + u"=" + EncodeLinkName(param.value);
        separator = u'&';
    }
    return address;
}

bool FlickrClient::GetToken()
{
    ClearParams();
    AddParam(u"flickr.auth.getToken", u"method");
    AddParam(m_apiKey, u"api_key");
    AddParam(m_frob, u"frob");
    if (SendSignedCall() != 0)
        return false;
    m_authToken = GetReplyElementText(u"token");
    m_userId = GetReplyUserAttribute(u"nsid");
    m_userName = GetReplyUserAttribute(u"username");
    m_fullName = GetReplyUserAttribute(u"fullname");
    if (m_authToken.empty()) {
        ExplainMissingValue(u"token");
        return false;
    }
    return true;
}

bool FlickrClient::UploadPhoto(std::u16string_view path, std::u16string_view tags, int isPublic, int isFriend,
    int isFamily, int contentType, int hidden)
{
    ClearParams();
    AddParam(tags, u"tags");
    AddParam(IntToString(isPublic), u"is_public");
    AddParam(IntToString(isFriend), u"is_friend");
    AddParam(IntToString(isFamily), u"is_family");
    AddParam(IntToString(contentType), u"content_type");
    AddParam(IntToString(hidden), u"hidden");
    AddPhotoFile(path);
    AddParam(m_apiKey, u"api_key");
    AddParam(m_authToken, u"auth_token");
    AddParam(SignRequest(), u"api_sig");

    int result = SendRequest(m_host, m_servicesPath + u"upload", true, m_port);
    if (result != 0) {
        LogError(u"Unable to upload file %s to Flickr due to error #%d", path, result);
        // The number alone does not tell a refused login from a full disk: the reply does.
        if (result == 6) {
            std::u16string body = SingleLineText(GetFailedBody());
            if (body.size() > kReplyExcerptLength)
                body = body.substr(0, kReplyExcerptLength) + u"...";
            LogError(u"Flickr Upload: %s: %s", SingleLineText(GetFailedStatusLine()), body);
        }
        return false;
    }
    // The service refuses an upload with status 200 and an error in the reply.
    if (GetReplyElementAttribute(u"rsp", u"stat") != u"ok") {
        std::u16string code = GetReplyElementAttribute(u"err", u"code");
        std::u16string message = GetReplyElementAttribute(u"err", u"msg");
        if (code.empty() && message.empty())
            LogError(u"Unable to upload file %s to Flickr: the reply holds no result", path);
        else
            LogError(u"Unable to upload file %s to Flickr due to error #%s: %s", path, code, message);
        ExplainMissingValue(u"result");
        return false;
    }
    LogMessage(u"Uploaded file %s to Flickr", path);
    return true;
}
