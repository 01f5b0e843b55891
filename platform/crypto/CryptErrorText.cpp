#include "platform/crypto/CryptErrorText.h"

#include "platform/base/ErrorText.h"
#include "platform/crypto/CryptProv.h"

std::string CryptErrorText(DWORD code)
{
    static const struct {
        DWORD code;
        const char* text;
    } kTexts[] = {
        { CRYPT_E_NOT_FOUND, "Cannot find object or property." },
        { CRYPT_E_EXISTS, "The object or property already exists." },
        { CRYPT_E_ASN1_BADTAG, "ASN1 bad tag value met." },
        { CRYPT_E_ASN1_EOD, "ASN1 unexpected end of data." },
        { CRYPT_E_BAD_ENCODE, "An error occurred during encode or decode operation." },
        { CRYPT_E_FILE_ERROR, "An error occurred while reading or writing to a file." },
        { CRYPT_E_NO_SIGNER, "The message does not contain a signer of the given index." },
        { E_INVALIDARG, "The parameter is incorrect." },
        { NTE_BAD_DATA, "Bad Data." },
        { NTE_BAD_KEY, "Bad Key." },
        { NTE_BAD_TYPE, "Invalid type specified." },
        { NTE_BAD_FLAGS, "Invalid flags specified." },
        { NTE_BAD_KEYSET, "Keyset does not exist" },
        { NTE_KEYSET_NOT_DEF, "The keyset is not defined." },
        { NTE_PROV_TYPE_NOT_DEF, "Provider type not defined." },
        { NTE_NO_KEY, "Key does not exist." },
        { NTE_EXISTS, "Object already exists." },
        { NTE_FAIL, "An internal error occurred." },
    };
    for (const auto& entry : kTexts)
        if (entry.code == code)
            return std::string(entry.text) + "\r\n";
    return SystemErrorText(code);
}
