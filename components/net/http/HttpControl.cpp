#include "components/net/http/HttpControl.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"
#include "components/net/TorvaneSocket.h"
#include "components/net/http/HttpClient.h"

#include <cstdlib>
#include <strings.h>

void HttpControl::GetProxyFor(const char* urlOrScheme, std::string& domain, int& port, LogBase& log) const
{
    if (useSystemProxy) {
        const char* text = urlOrScheme ? urlOrScheme : "";
        torvane::StringBuffer proxy;
        bool enabled = false;
        TorvaneSocket::GetSystemProxy(strncasecmp(text, "https", 5) == 0 ? "https" : "http", proxy, enabled);
        if (proxy.GetLength()) {
            log.LogData("IE_Proxy", proxy.GetText());
            log.LogDataInt("IE_ProxyEnabled", enabled ? 1 : 0);
        }
        if (enabled && proxy.GetLength()) {
            std::string p = proxy.GetText();
            size_t colon = p.find(':');
            port = 80;
            if (colon == std::string::npos) {
                domain = p;
            } else {
                domain = p.substr(0, colon);
                char* end = nullptr;
                long n = std::strtol(p.c_str() + colon + 1, &end, 10);
                if (end != p.c_str() + colon + 1 && n > 0 && n < 65536)
                    port = int(n);
            }
            return;
        }
    }
    domain = proxyDomain;
    port = proxyPort;
}

HttpConnPool::HttpConnPool() = default;

HttpConnPool::~HttpConnPool() = default;

HttpClient& HttpConnPool::GetClient(const char* host, int port, const HttpControl& settings, LogBase& log)
{
    std::string keyHost = host ? host : "";
    int keyPort = port;
    std::string proxy;
    int proxyPort = 80;
    settings.GetProxyFor("http://", proxy, proxyPort, log);
    if (!proxy.empty()) {
        keyHost = proxy;
        keyPort = proxyPort;
    }
    for (size_t i = 0; i < m_clients.size(); ++i) {
        if (m_clients[i].port == keyPort && strcasecmp(m_clients[i].host.c_str(), keyHost.c_str()) == 0) {
            Slot slot = std::move(m_clients[i]);
            m_clients.erase(m_clients.begin() + long(i));
            m_clients.push_back(std::move(slot));
            return *m_clients.back().client;
        }
    }
    if (m_clients.size() >= maxClients) {
        m_clients.front().client->Close(log);
        m_clients.erase(m_clients.begin());
    }
    m_clients.push_back(Slot { keyHost, keyPort, std::make_unique<HttpClient>() });
    return *m_clients.back().client;
}

bool HttpConnPool::Request(const HttpControl& settings, const char* host, int port, bool useTls,
    HttpRequest& request, HttpResult& result, std::string& body, LogBase& log, ProgressMonitor* monitor)
{
    if (!host) {
        log.LogError("No domain");
        return false;
    }
    if (port == 0)
        port = 80;
    HttpClient& client = GetClient(host, port, settings, log);
    return client.OpenConnection(settings, host, port, useTls, log, monitor) &&
        client.PerformRequest(settings, request, result, body, log, monitor);
}

int HttpConnPool::ConnectCount() const
{
    int n = 0;
    for (const Slot& slot : m_clients)
        n += slot.client->ConnectCount();
    return n;
}

void HttpConnPool::CloseAll(LogBase& log)
{
    for (Slot& slot : m_clients)
        slot.client->Close(log);
}
