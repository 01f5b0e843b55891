// Replays a fuzz harness over its seed corpus in the normal build, where libFuzzer is not there:
// every file named, or every regular file of every folder named, goes once through
// LLVMFuzzerTestOneInput. A crash, a sanitizer report or an assertion fails the test; a folder
// with no input fails too, so a harness cannot silently lose its seeds.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool ReadFile(const std::filesystem::path& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <corpus folder or file>...\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);

    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path arg(argv[i]);
        std::vector<std::filesystem::path> inputs;
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg, ec))
                if (entry.is_regular_file(ec)) inputs.push_back(entry.path());
            if (ec) {
                std::fprintf(stderr, "%s: cannot list (%s)\n", argv[i], ec.message().c_str());
                ++failures;
                continue;
            }
            std::sort(inputs.begin(), inputs.end());
            if (inputs.empty()) {
                std::fprintf(stderr, "%s: no input to replay\n", argv[i]);
                ++failures;
                continue;
            }
        } else {
            inputs.push_back(arg);
        }
        for (const auto& path : inputs) {
            std::vector<uint8_t> data;
            if (!ReadFile(path, data)) {
                std::fprintf(stderr, "%s: cannot read\n", path.c_str());
                ++failures;
                continue;
            }
            // Named first, so the input that crashes is the last line of the log.
            std::fprintf(stderr, "replay %s (%zu bytes)\n", path.c_str(), data.size());
            std::fflush(stderr);
            // A copy the exact size of the input, so a read one past its end is a read past a buffer.
            std::vector<uint8_t> exact(data.begin(), data.end());
            LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
        }
        std::fprintf(stderr, "%s: %zu inputs replayed\n", argv[i], inputs.size());
    }
    return failures == 0 ? 0 : 1;
}
