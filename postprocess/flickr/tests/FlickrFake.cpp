#include "FlickrFake.h"

#include "components/foundation/TvString.h"
#include "components/net/http/TvHttp.h"
#include "platform/base/Unicode.h"
#include "postprocess/flickr/FlickrClient.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace flickrtest {

namespace {

std::string unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

// "GET" of a control address; the body, or empty when nothing answered.
std::string control(const char* path, const std::vector<std::pair<std::string, std::string>>& fields = {})
{
    TvHttp http;
    TvHttpRequest request;
    request.SetPath(path);
    request.SelectGet();
    for (const auto& [name, value] : fields)
        request.AddFormField(name.c_str(), value.c_str());
    std::unique_ptr<TvHttpResponse> response(http.SynchronousRequest("127.0.0.1", FakePort(), false, request));
    if (!response) {
        ADD_FAILURE() << "the fake service does not answer " << path;
        return std::string();
    }
    EXPECT_EQ(response->GetStatusCode(), 200) << path;
    return response->GetBody();
}

}

std::string FakeRequest::Param(const std::string& name) const
{
    for (const auto& [n, v] : params)
        if (n == name)
            return v;
    return std::string();
}

std::vector<std::string> FakeRequest::ParamNames() const
{
    std::vector<std::string> names;
    for (const auto& param : params)
        names.push_back(param.first);
    return names;
}

int FakePort()
{
    static PeerProcess fake;
    static bool started = fake.Start({ "python3", VORNALT_SOURCE_DIR "/postprocess/flickr/tests/tools/flickr_fake.py",
        "--key", Utf16ToUtf8(kFlickrApiKey), "--secret", Utf16ToUtf8(kFlickrSharedSecret), "--token", kPresetToken });
    return started ? fake.Port() : 0;
}

void ScriptFake(const std::vector<std::pair<std::string, std::string>>& settings)
{
    control("/_control/script", settings);
}

void ResetFake()
{
    control("/_control/reset");
}

std::vector<FakeRequest> FakeRequests()
{
    std::vector<FakeRequest> requests;
    std::istringstream lines(control("/_control/requests"));
    for (std::string line; std::getline(lines, line);) {
        std::size_t blank = line.find(' ');
        std::string kind = line.substr(0, blank);
        std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (kind == "request") {
            FakeRequest request;
            char verb[16] = {}, path[512] = {}, signature[16] = {};
            if (std::sscanf(rest.c_str(), "%15s %511s sig=%15s status=%d", verb, path, signature, &request.status) == 4) {
                request.verb = verb;
                request.path = path;
                request.signature = signature;
            }
            requests.push_back(request);
        } else if (requests.empty()) {
            continue;
        } else if (kind == "target") {
            requests.back().target = unescape(rest);
        } else if (kind == "param") {
            std::size_t split = rest.find(' ');
            requests.back().params.emplace_back(unescape(rest.substr(0, split)),
                split == std::string::npos ? std::string() : unescape(rest.substr(split + 1)));
        } else if (kind == "file") {
            FakeFile file;
            std::istringstream fields(rest);
            fields >> file.field >> file.size >> file.sha1;
            std::string fileName;
            std::getline(fields >> std::ws, fileName);
            file.fileName = unescape(fileName);
            requests.back().files.push_back(file);
        }
    }
    return requests;
}

std::vector<FakeRequest> FakeRequestsTo(const std::string& path)
{
    std::vector<FakeRequest> selected;
    for (FakeRequest& request : FakeRequests())
        if (request.path == path)
            selected.push_back(std::move(request));
    return selected;
}

int FetchAddress(const std::string& address)
{
    const std::string scheme = "http://";
    if (address.rfind(scheme, 0) != 0)
        return 0;
    std::size_t slash = address.find('/', scheme.size());
    std::string authority = address.substr(scheme.size(), slash - scheme.size());
    std::size_t colon = authority.rfind(':');
    int port = colon == std::string::npos ? 80 : std::atoi(authority.c_str() + colon + 1);
    std::string host = authority.substr(0, colon);
    TvHttp http;
    TvHttpRequest request;
    request.SelectGet();
    request.SetPath(slash == std::string::npos ? "/" : address.substr(slash).c_str());
    std::unique_ptr<TvHttpResponse> response(http.SynchronousRequest(host.c_str(), port, false, request));
    return response ? response->GetStatusCode() : 0;
}

std::string Sha1OfFile(const std::string& path)
{
    FILE* pipe = ::popen(("sha1sum '" + path + "'").c_str(), "r");
    if (!pipe)
        return std::string();
    char digest[41] = {};
    std::size_t got = std::fread(digest, 1, 40, pipe);
    ::pclose(pipe);
    return std::string(digest, got);
}

}
