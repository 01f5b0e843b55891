// One transfer through the public network classes, for bench/run_network.sh to time:
//
//   network_bench ftp-put PORT TLS LOCAL REMOTE       anonymous passive upload (TLS: AUTH TLS)
//   network_bench http-post PORT TLS LOCAL PATH       multipart POST of the file as field "file"
//   network_bench http-get PORT TLS PATH OUT          GET; the body goes to OUT
//   network_bench smtp PORT LOCAL                     one message with the file attached
//
// Servers are on 127.0.0.1; their certificates are not verified. Exit status 0 on success.
#include "components/mail/TvMailMan.h"
#include "components/net/ftp/ClsFtp2.h"
#include "components/net/http/TvHttp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: network_bench ftp-put|http-post|http-get|smtp PORT ...\n");
    return 2;
}

int FtpPut(int port, bool tls, const char* local, const char* remote)
{
    ClsFtp2 ftp;
    Ftp2& engine = ftp.Engine();
    engine.Hostname = "127.0.0.1";
    engine.Port = port;
    engine.Passive = true;
    engine.IdleTimeoutMs = 30000;
    engine.AuthTls = tls;
    engine.Control().SetRequireVerifiedServerCert(false);
    if (!ftp.Connect(nullptr) || !ftp.PutFile(local, remote, nullptr, false)) {
        torvane::StringBuffer log;
        ftp.RenderLogText(log);
        std::fprintf(stderr, "%s\n", log.GetText());
        return 1;
    }
    ftp.Disconnect(nullptr);
    return 0;
}

int Http(bool post, int port, bool tls, const char* pathOrFile, const char* target)
{
    TvHttp http;
    http.Impl().Settings().verifyServerCert = false;
    http.Impl().Settings().maxContentLength = 1ull << 40;
    http.Impl().Settings().readTimeoutSeconds = 60;
    TvHttpRequest request;
    if (post) {
        request.SelectMultipartPost();
        request.SetPath(target);
        if (!request.AddUploadFile("file", pathOrFile))
            return 1;
    } else {
        request.SetPath(pathOrFile);
#ifndef NETWORK_BENCH_IN_MEMORY
        request.Impl().Request().SetBodyPath(target);
#endif
    }
    std::unique_ptr<TvHttpResponse> response(http.SynchronousRequest("127.0.0.1", port, tls, request));
    if (!response || response->GetStatusCode() / 100 != 2) {
        TvString log;
        http.GetErrorLogText(log);
        std::fprintf(stderr, "status %d\n%s\n", response ? response->GetStatusCode() : 0, log.GetUtf8());
        return 1;
    }
    return 0;
}

int Smtp(int port, const char* local)
{
    TvMailMan mailer;
    mailer.SetSmtpHost("127.0.0.1");
    mailer.SetSmtpPort(port);
    TvEmail email;
    email.SetFrom("bench@example.test");
    email.AddTo("Bench", "bench@example.test");
    email.SetSubject("network bench");
    email.SetBody("The attachment is the payload.\n");
    if (!email.AddFileAttachment(local, nullptr) || !mailer.SendEmail(&email)) {
        TvString log;
        mailer.GetLastErrorText(log);
        std::fprintf(stderr, "%s\n", log.GetUtf8());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    std::string mode = argv[1];
    int port = std::atoi(argv[2]);
    if (mode == "ftp-put" && argc == 6)
        return FtpPut(port, std::strcmp(argv[3], "1") == 0, argv[4], argv[5]);
    if ((mode == "http-post" || mode == "http-get") && argc == 6)
        return Http(mode == "http-post", port, std::strcmp(argv[3], "1") == 0, argv[4], argv[5]);
    if (mode == "smtp" && argc == 4)
        return Smtp(port, argv[3]);
    return Usage();
}
