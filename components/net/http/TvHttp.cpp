#include "components/net/http/TvHttp.h"

#include "components/foundation/CharsetNames.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingConvert.h"
#include "components/foundation/StringBuffer.h"

std::string ClsHttpResponse::GetBodyText() const
{
    std::string charset;
    m_result.responseHeader.GetFieldParam("content-type", "charset", charset);
    charset = HttpTrim(charset);
    if (charset.empty())
        charset = "iso-8859-1";
    std::string bytes = m_body.substr(0, m_body.find('\0'));
    int codePage = CodePageFromCharsetName(charset.c_str());
    if (codePage == 65001)
        return bytes;
    if (codePage <= 0)
        codePage = 28591;  // an unknown name reads as ISO-8859-1
    DataBuffer out;
    EncodingConvert convert;
    if (!convert.Convert(codePage, 65001, reinterpret_cast<const unsigned char*>(bytes.data()), unsigned(bytes.size()),
            out))
        return bytes;
    return std::string(reinterpret_cast<const char*>(out.GetData()), out.GetSize());
}

ClsHttp::ClsHttp()
{
    m_settings.cacheControl.updateCache = false;
    m_settings.cacheControl.fetchFromCache = false;
}

ClsHttp::~ClsHttp() { m_pool.CloseAll(m_log); }

int ClsHttp::ConnectCount() const { return m_pool.ConnectCount(); }

ClsHttpResponse* ClsHttp::SynchronousRequest(const char* host, int port, bool useTls, ClsHttpRequest& request)
{
    m_log.ClearLog();
    LogContextScope scope(m_log, "SynchronousRequest");
    m_log.LogData("DllDate", "Sep 14 2007");
    std::string cleaned = HttpCleanHost(host);
    auto response = std::make_unique<ClsHttpResponse>();
    response->SetDomain(cleaned);

    if (!m_pool.Request(m_settings, cleaned.c_str(), port, useTls, request.Request(), response->Result(),
            response->Body(), m_log, nullptr))
        return nullptr;
    m_result.requestHeader = response->Result().requestHeader;
    return response.release();
}

TvHttpResponse::TvHttpResponse() : m_impl(new ClsHttpResponse) { }
TvHttpResponse::~TvHttpResponse() { delete m_impl; }
TvHttpRequest::TvHttpRequest() : m_impl(new ClsHttpRequest) { }
TvHttpRequest::~TvHttpRequest() { delete m_impl; }
TvHttp::TvHttp() : m_impl(new ClsHttp) { }
TvHttp::~TvHttp() { delete m_impl; }

TvHttpResponse* TvHttp::SynchronousRequest(const char* host, int port, bool useTls, TvHttpRequest& request)
{
    ClsHttpResponse* response = m_impl->SynchronousRequest(host, port, useTls, request.Impl());
    return response ? new TvHttpResponse(response) : nullptr;
}

void TvHttp::GetErrorLogText(TvString& out)
{
    torvane::StringBuffer text;
    m_impl->Log().RenderText(text);
    out.SetUtf8(text.GetText());
}
