#pragma once
// The settings of a self-extracting archive as a small XML document with its defaults. Every
// archive object owns one; writing an ordinary archive never consults it.

#include <memory>

class ClsXml;

class SfxConfig {
public:
    SfxConfig();
    SfxConfig(const SfxConfig&) = delete;
    SfxConfig& operator=(const SfxConfig&) = delete;
    virtual ~SfxConfig();

    ClsXml& Xml() { return *m_xml; }

private:
    std::unique_ptr<ClsXml> m_xml;
};
