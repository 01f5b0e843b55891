// Key material from outside: private-key blobs into the provider, and RSA keys as BER/DER into
// the ASN.1 tree and the XML form.
#include "components/crypto/Asn1.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"
#include "platform/crypto/CryptProv.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Consistency checks on huge keys take long; the sizes that matter are well below this.
    if (size > 4096)
        return 0;
    HCRYPTPROV provider = 0;
    if (CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        HCRYPTKEY key = 0;
        if (CryptImportKey(provider, data, DWORD(size), 0, CRYPT_EXPORTABLE, &key)) {
            DWORD needed = 0;
            if (CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &needed)) {
                std::vector<BYTE> blob(needed);
                CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, blob.data(), &needed);
            }
            DataBuffer der;
            LogNull log;
            ExportRsaKeyToDer(key, der, log);
            CryptDestroyKey(key);
        }
        CryptReleaseContext(provider, 0);
    }

    LogNull log;
    ExtPtrArray nodes;
    DecodeBer(data, unsigned(size), nodes, 0, 1, log);
    for (int i = 0; i < nodes.GetCount(); ++i) {
        DataBuffer encoded;
        nodes.GetAtAs<Asn1>(i)->EncodeDer(encoded, log);
    }
    nodes.DeleteAll();
    DataBuffer input;
    input.Append(data, unsigned(size));
    torvane::StringBuffer xml;
    RsaDerToXml(input, xml, log);
    return 0;
}
