#include "components/zip/SfxConfig.h"

#include "components/foundation/ClsXml.h"

SfxConfig::SfxConfig()
    : m_xml(std::make_unique<ClsXml>())
{
    m_xml->SetTag("SfxConfig");
    m_xml->SetEncoding("utf-8");
    m_xml->UpdateChildContentBool("AutoTemp", false);
    m_xml->UpdateChildContentBool("DeleteAfterSetup", false);
    m_xml->UpdateChildContentBool("ShowFin", false);
    m_xml->UpdateChildContentBool("ShowMain", true);
    m_xml->UpdateChildContentBool("ShowProgress", true);
    m_xml->UpdateChildContentBool("WaitForSetup", true);
    m_xml->UpdateChildContentInt("Encryption", 0);
    m_xml->UpdateChildContentInt("KeyLength", 128);
}

SfxConfig::~SfxConfig() = default;
