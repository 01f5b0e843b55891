#include "components/zip/ZipCryptParams.h"

void ZipCryptParams::copy(const ZipCryptParams& other)
{
    if (&other == this) return;
    m_encryption = other.m_encryption;
    m_keyLength = other.m_keyLength;
    m_password.SetBuffer(other.m_password);
    m_password.ShrinkToFit();
    m_traditional = other.m_traditional;
    m_crcForHeader = other.m_crcForHeader;
}

void ZipCryptParams::SetPassword(const char* utf8)
{
    m_password.SetText(utf8 != nullptr ? utf8 : "");
    m_password.ShrinkToFit();
}
