// C++ output of the resource compiler: constant tables the program links.
#include "resources/compiler/Script.h"

#include <sstream>

namespace rc {

namespace {

void Units(std::ostringstream& out, const std::u16string& text)
{
    out << "{";
    for (std::size_t i = 0; i < text.size(); ++i)
        out << (i % 16 == 0 ? "\n    " : " ") << unsigned(text[i]) << ",";
    out << " 0 }";
}

void Bytes(std::ostringstream& out, const std::vector<std::uint8_t>& bytes)
{
    out << "{";
    if (bytes.empty())
        out << " 0";
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out << (i % 20 == 0 ? "\n    " : " ") << unsigned(bytes[i]) << ",";
    out << " }";
}

std::string CString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            out += '?';
        else
            out += c;
    }
    return out + "\"";
}

} // namespace

std::string EmitHeader(const Script& script, const std::string& tableName)
{
    std::ostringstream out;
    out << "#pragma once\n// Written by the resource compiler from " << script.path << ".\n\n"
        << "#include \"platform/base/ResourceTable.h\"\n\n";
    for (const auto& [name, value] : script.symbols)
        out << "inline constexpr UINT " << name << " = " << (std::uint32_t(value) & 0xFFFFFFFFu) << "u;\n";
    out << "\nextern const platform::resources::ResourceTable " << tableName << ";\n";
    return out.str();
}

std::string EmitSource(const Script& script, const std::string& tableName, const std::string& headerInclude)
{
    std::ostringstream out;
    out << "// Written by the resource compiler from " << script.path << ".\n"
        << "#include \"" << headerInclude << "\"\n\n"
        << "namespace {\n\nusing namespace platform::resources;\n\n";
    std::vector<std::string> data(script.resources.size());
    auto text = [&](const std::string& name, const std::u16string& value) {
        out << "const char16_t " << name << "[] = ";
        Units(out, value);
        out << ";\n";
    };
    for (std::size_t i = 0; i < script.resources.size(); ++i) {
        const Resource& r = script.resources[i];
        std::string base = "r" + std::to_string(i);
        if (r.type.isText)
            text(base + "_type", r.type.text);
        if (r.name.isText)
            text(base + "_name", r.name.text);
        switch (r.kind) {
        case Kind::Bytes:
            out << "const unsigned char " << base << "[] = ";
            Bytes(out, r.bytes);
            out << ";\n";
            break;
        case Kind::String:
            text(base, r.text);
            break;
        case Kind::Menu:
            for (std::size_t k = 0; k < r.menu.size(); ++k)
                text(base + "_t" + std::to_string(k), r.menu[k].text);
            out << "const ResMenuItem " << base << "_items[] = {\n";
            for (std::size_t k = 0; k < r.menu.size(); ++k)
                out << "    { " << r.menu[k].flags << "u, " << r.menu[k].id << "u, " << base << "_t" << k << " },\n";
            out << "};\nconst ResMenu " << base << " = { kMenuTag, " << r.menu.size() << ", " << base << "_items };\n";
            break;
        case Kind::Accelerators:
            out << "const ResAccel " << base << "_items[] = {";
            for (const Accel& a : r.accels)
                out << "\n    { " << unsigned(a.fVirt) << ", 0, " << a.key << ", " << a.cmd << " },";
            if (r.accels.empty())
                out << " { 0, 0, 0, 0 }";
            out << "\n};\nconst ResAccelTable " << base << " = { kAccelTag, " << r.accels.size() << ", " << base << "_items };\n";
            break;
        case Kind::Dialog: {
            const Dialog& d = r.dialog;
            text(base + "_caption", d.caption);
            text(base + "_menu", d.menu);
            text(base + "_class", d.className);
            text(base + "_face", d.faceName);
            for (std::size_t k = 0; k < d.controls.size(); ++k) {
                text(base + "_c" + std::to_string(k) + "class", d.controls[k].className);
                text(base + "_c" + std::to_string(k) + "text", d.controls[k].text);
            }
            out << "const ResDialogControl " << base << "_controls[] = {";
            for (std::size_t k = 0; k < d.controls.size(); ++k) {
                const DialogControl& c = d.controls[k];
                std::string cb = base + "_c" + std::to_string(k);
                out << "\n    { " << cb << "class, " << cb << "text, " << c.textId << ", " << (c.hasTextId ? "true" : "false")
                    << ", " << c.id << "u, " << c.style << "u, " << c.exStyle << "u, " << c.x << ", " << c.y << ", " << c.cx
                    << ", " << c.cy << ", " << c.helpId << "u },";
            }
            if (d.controls.empty())
                out << " {}";
            out << "\n};\nconst ResDialog " << base << " = { kDialogTag, " << d.style << "u, " << d.exStyle << "u, " << d.x
                << ", " << d.y << ", " << d.cx << ", " << d.cy << ", " << base << "_caption, " << base << "_menu, " << base
                << "_class, " << d.pointSize << ", " << base << "_face, " << d.controls.size() << ", " << base
                << "_controls };\n";
            break;
        }
        }
    }
    static const char* const kinds[] = { "Bytes", "String", "Menu", "Dialog", "Accelerators" };
    out << "\nconst ResourceEntry entries[] = {";
    for (std::size_t i = 0; i < script.resources.size(); ++i) {
        const Resource& r = script.resources[i];
        std::string base = "r" + std::to_string(i);
        std::string size;
        std::string pointer = base;
        switch (r.kind) {
        case Kind::Bytes: size = std::to_string(r.bytes.size()); break;
        case Kind::String: size = std::to_string(r.text.size()); break;
        case Kind::Menu: size = "sizeof(ResMenu)"; pointer = "&" + base; break;
        case Kind::Dialog: size = "sizeof(ResDialog)"; pointer = "&" + base; break;
        case Kind::Accelerators: size = std::to_string(r.accels.size() * 6); pointer = "&" + base; break;
        }
        out << "\n    { " << (r.type.isText ? base + "_type" : "nullptr") << ", " << r.type.id << ", "
            << (r.name.isText ? base + "_name" : "nullptr") << ", " << r.name.id << ", " << r.language
            << ", ResourceKind::" << kinds[int(r.kind)] << ", " << pointer << ", " << size << " },";
    }
    if (script.resources.empty())
        out << " {}";
    out << "\n};\n\n} // namespace\n\n"
        << "const platform::resources::ResourceTable " << tableName << " = { " << CString(script.path) << ", "
        << script.resources.size() << ", entries };\n";
    return out.str();
}

} // namespace rc
