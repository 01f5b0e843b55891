#pragma once
// One connection to one HTTP server and the request/response cycle over it.

#include "components/net/Socket2.h"
#include "components/net/http/HttpControl.h"
#include "components/net/http/HttpRequest.h"
#include "components/net/http/HttpResponseHeader.h"

#include <cstdint>
#include <string>

class LogBase;
class ProgressMonitor;


class HttpClient {
public:
    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    bool OpenConnection(const HttpControl& settings, const char* host, int port, bool useTls, LogBase& log,
        ProgressMonitor* monitor);
    bool PerformRequest(const HttpControl& settings, HttpRequest& request, HttpResult& result, std::string& body,
        LogBase& log, ProgressMonitor* monitor);
    bool IsConnected() const { return m_socket.IsConnected(); }
    void Close(LogBase& log);
    // Counts connects actually made; reuse of a pooled connection leaves it unchanged.
    int ConnectCount() const { return m_connects; }

private:
    bool SendRequest(const HttpControl& settings, HttpRequest& request, HttpResult& result, LogBase& log,
        ProgressMonitor* monitor);
    bool ReadResponse(const HttpControl& settings, bool isHead, HttpResult& result, std::string& body, LogBase& log,
        ProgressMonitor* monitor);
    bool ReadBody(const HttpControl& settings, HttpResult& result, std::string& body, LogBase& log,
        ProgressMonitor* monitor);
    // Appends what arrives to m_pending; false when nothing came (closed, timed out, failed).
    bool Fill(const HttpControl& settings, unsigned idleMs, LogBase& log, ProgressMonitor* monitor, bool* closed);
    bool Fail(LogBase& log, const char* error);

    std::string m_host;
    int m_port = 80;
    bool m_useTls = false;
    Socket2 m_socket;
    std::string m_pending;
    int m_connects = 0;
};
