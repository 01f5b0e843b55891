// Bytes from a TLS server: record framing and the client's handshake over them.
#include "platform/net/TlsClientSession.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TlsClientSession::CompleteRecordBytes(data, size);
    std::string error;
    auto session = TlsClientSession::Create("localhost", nullptr, error);
    if (!session)
        return 0;
    TlsBytes toSend;
    std::size_t consumed = 0;
    session->Handshake(nullptr, 0, consumed, toSend);
    // Fed in two steps so that a record split over reads is exercised too.
    std::size_t half = size / 2;
    toSend.clear();
    SECURITY_STATUS status = session->Handshake(data, half, consumed, toSend);
    if (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE) {
        std::size_t from = status == SEC_I_CONTINUE_NEEDED ? consumed : 0;
        session->Handshake(data + from, size - from, consumed, toSend);
    }
    TlsBytes plain;
    session->Decrypt(data, size, consumed, plain, toSend);
    return 0;
}
