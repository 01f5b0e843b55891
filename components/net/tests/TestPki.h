#pragma once
// Certificates minted at test time in a temporary folder: a CA, server certificates for
// "localhost" (good, expired, another name, self-signed) and a client certificate, PEM files.

#include <string>

struct TestPki {
    std::string folder;
    std::string caCert;
    std::string serverCert, serverKey;
    std::string expiredCert, expiredKey;
    std::string wrongNameCert, wrongNameKey;
    std::string selfSignedCert, selfSignedKey;
    std::string clientCert, clientKey;
};

// Made once per test process; the folder goes when the process ends.
const TestPki& GetTestPki();

// Points this process's configuration folder (registry, certificate stores) at a folder inside the
// PKI's own and adds the CA to the user's "ROOT" store there, once; true when the CA is trusted.
bool TrustTestCa();
