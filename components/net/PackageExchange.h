#pragma once
// How a security-package login carries its tokens over a protocol: the protocol peer (SMTP,
// POP3, HTTP) sends the client's token and brings back the server's answer.

#include "components/foundation/DataBuffer.h"

class LogBase;

class PackageExchange {
public:
    virtual ~PackageExchange() = default;
    // Sends clientToken and puts the server's answering token (decoded bytes) into serverToken.
    virtual bool exchangePackage(DataBuffer& /*serverToken*/, const DataBuffer& /*clientToken*/, LogBase& /*log*/)
    {
        return false;
    }
    // Sends the last token; true when the server accepted the login.
    virtual bool sendFinal(const DataBuffer& /*clientToken*/, LogBase& /*log*/) { return false; }
};
