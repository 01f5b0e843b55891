#pragma once
// The test certificates as PEM files: a CA, server certificates for "localhost" (good, expired,
// another name, self-signed) and a client certificate, from the one shared test set.

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

// `folder` is this process's own scratch folder; it goes when the process ends.
const TestPki& GetTestPki();

// Points this process's configuration folder (registry, certificate stores) at a folder inside the
// PKI's own and adds the CA to the user's "ROOT" store there, once; true when the CA is trusted.
bool TrustTestCa();
