#pragma once
// The stand-in of the photo-sharing service (tools/flickr_fake.py), started once per test process
// on 127.0.0.1 and stopped when the process ends; scripted and read back over its control
// addresses. UnusedLoopbackPort() gives a port where nothing answers.

#include "components/net/tests/NetTestSupport.h"

#include <string>
#include <utility>
#include <vector>

namespace flickrtest {

// A token the fake accepts for uploads without a sign-in.
constexpr char kPresetToken[] = "72157600000000000-5a1b2c3d4e5f6a7b";

struct FakeFile {
    std::string field;
    std::string fileName;
    long size = 0;
    std::string sha1;
};

struct FakeRequest {
    std::string verb;
    std::string path;
    std::string signature; // "ok", "bad" or "none" as the fake judged it
    int status = 0;
    std::string target; // as sent: path and query
    std::vector<std::pair<std::string, std::string>> params; // in the order sent
    std::vector<FakeFile> files;

    // The value of the first parameter of the name; empty when there is none.
    std::string Param(const std::string& name) const;
    std::vector<std::string> ParamNames() const;
};

// The fake's port; 0 when it could not be started.
int FakePort();
// "upload=ok,refuse,500", "rest=404", "frob=...", "fullname=..." (values URL-encoded by the
// caller as needed: they go in as query fields).
void ScriptFake(const std::vector<std::pair<std::string, std::string>>& settings);
std::vector<FakeRequest> FakeRequests();
// Forgets the requests so far and every script.
void ResetFake();
// The calls to one path ("/services/upload", "/services/rest/", "/services/auth/").
std::vector<FakeRequest> FakeRequestsTo(const std::string& path);

// Fetches the address over HTTP as a browser would (the fake approves a frob this way); the
// status code, or 0 when nothing answered.
int FetchAddress(const std::string& address);

std::string Sha1OfFile(const std::string& path);

}
