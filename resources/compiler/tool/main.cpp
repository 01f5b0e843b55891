// The resource compiler: a build-time host tool.
//   vornalt_rc compile SCRIPT TABLE HEADER SOURCE INCLUDE [--register]
//     writes the id header and the table source (INCLUDE is how the source includes the header);
//     --register adds the table to the program's module at start-up.
//   vornalt_rc check SCRIPT...
//     fails when two scripts hold the same resource (type, name and language).
#include "resources/compiler/Script.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace {

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

rc::Script Parse(const std::string& path)
{
    std::vector<std::uint8_t> text = ReadAll(path);
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return rc::ParseScript(path, std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
        [&](const std::string& name) { return ReadAll(folder / name); });
}

// Writes only when the content changed, so dependants are not rebuilt needlessly.
void WriteIfChanged(const std::string& path, const std::string& content)
{
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (old == content)
            return;
    }
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out.flush())
            throw std::runtime_error("cannot write " + path);
    }
    std::filesystem::rename(temporary, path);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() >= 6 && args[0] == "compile" && (args.size() == 6 || (args.size() == 7 && args[6] == "--register"))) {
            rc::Script script = Parse(args[1]);
            std::string source = rc::EmitSource(script, args[2], args[5]);
            if (args.size() == 7)
                source += "\nnamespace {\nconst bool registered = platform::resources::RegisterProgramTableAtStartup(" + args[2] + ");\n}\n";
            WriteIfChanged(args[3], rc::EmitHeader(script, args[2]));
            WriteIfChanged(args[4], source);
            return 0;
        }
        if (args.size() >= 2 && args[0] == "check") {
            std::vector<rc::Script> scripts;
            for (std::size_t i = 1; i < args.size(); ++i)
                scripts.push_back(Parse(args[i]));
            if (auto duplicate = rc::FindDuplicate(scripts)) {
                std::cerr << "vornalt_rc: " << *duplicate << "\n";
                return 1;
            }
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << "vornalt_rc: " << e.what() << "\n";
        return 1;
    }
    std::cerr << "usage: vornalt_rc compile SCRIPT TABLE HEADER SOURCE INCLUDE [--register]\n"
                 "       vornalt_rc check SCRIPT...\n";
    return 2;
}
