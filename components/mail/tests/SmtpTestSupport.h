#pragma once
// SMTP peers for the mail tests: started on first use in this process, stopped when it exits.

#include "components/net/tests/TestPki.h"

#include <map>
#include <memory>
#include <string>

namespace smtptest {

struct Peer {
    int port = 0;
    // exim only: doors announcing only PLAIN, only CRAM-MD5, and implicit TLS; and one that
    // announces AUTH (PLAIN and CRAM-MD5) only after STARTTLS.
    int plainOnlyPort = 0, cramOnlyPort = 0, tlsPort = 0, authAfterTlsPort = 0;
    std::string folder;
    std::string Wire() const;
    std::string Message(int n) const;
};

// The scripted peer of smtp_peer.py running the named scenario.
const Peer& ScriptedPeer(const std::string& scenario);
// The same, offering STARTTLS with the test CA's "localhost" certificate.
const Peer& ScriptedTlsPeer(const std::string& scenario);
// The same with another certificate of the test PKI (one that cannot be verified, say).
const Peer& ScriptedTlsPeer(const std::string& scenario, const std::string& cert, const std::string& key);
// An aiosmtpd server that keeps every message (aiosmtpd_peer.py); port 0 when not installed.
const Peer& AiosmtpdPeer();

// exim4 with LOGIN, PLAIN and CRAM-MD5 (user "user", password "secret"), DSN and STARTTLS with the
// test CA's "localhost" certificate, delivering local parts of example.test into
// folder/maildir/<local part>; its log is folder/mainlog. Port 0 when missing.
const Peer& EximPeer();

std::string ReadFile(const std::string& path);
std::string TempFolder();

} // namespace smtptest
