// Compresses and decompresses three corpora with our DEFLATE codec and with zlib at levels 1, 6
// and 9, and prints speed, ratio and the time of ours relative to zlib's (below 1.0 = faster).
//
//   deflate_bench [png-folder] [text-folder]
//
// Corpora: the raw bytes of the PNG files (already compressed, so mostly incompressible), the
// filtered scanlines inside those PNGs (what a PNG writer compresses), and text files.

#include "components/zip/DataSink.h"
#include "components/zip/InflateState2.h"
#include "components/zip/ZeeStream.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

constexpr std::size_t kCorpusLimit = 24u << 20;  // keeps a full run within a minute or two
constexpr int kRepeats = 3;                      // best of

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<fs::path> FilesWithExtension(const fs::path& folder, const std::string& extension) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    if (entry.is_regular_file() && entry.path().extension() == extension) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::uint32_t BigEndian32(const unsigned char* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// The IDAT payload of a PNG file, inflated: the filtered scanlines.
Bytes PngScanlines(const Bytes& png) {
  Bytes zdata;
  std::size_t pos = 8;
  while (pos + 12 <= png.size()) {
    const std::uint32_t length = BigEndian32(&png[pos]);
    if (pos + 12 + length > png.size()) break;
    if (std::memcmp(&png[pos + 4], "IDAT", 4) == 0)
      zdata.insert(zdata.end(), png.begin() + std::ptrdiff_t(pos + 8), png.begin() + std::ptrdiff_t(pos + 8 + length));
    pos += 12 + length;
  }
  z_stream z{};
  inflateInit(&z);
  Bytes out;
  Bytes buffer(1 << 20);
  z.next_in = zdata.data();
  z.avail_in = uInt(zdata.size());
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = buffer.data();
    z.avail_out = uInt(buffer.size());
    result = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(buffer.size() - z.avail_out));
  }
  inflateEnd(&z);
  return out;
}

template <typename F>
double BestSeconds(F&& run) {
  double best = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
  }
  return best;
}

// Driven the way the pipeline drives it: 60,000-byte input chunks, a 25,000-byte output buffer.
Bytes OurCompress(const Bytes& input, int level) {
  ZeeStream stream(level);
  Bytes out;
  out.reserve(input.size() + input.size() / 100 + 1024);
  unsigned char buffer[25000];
  std::size_t offset = 0;
  for (;;) {
    if (stream.InputAvailable() == 0 && offset < input.size()) {
      const std::size_t n = std::min<std::size_t>(60000, input.size() - offset);
      stream.SetInput(input.data() + offset, DWORD(n));
      offset += n;
    }
    const bool finish = offset == input.size() && stream.InputAvailable() == 0;
    stream.SetOutput(buffer, sizeof buffer);
    bool end = false;
    if (!stream.Deflate(finish, &end)) break;
    out.insert(out.end(), buffer, buffer + (sizeof buffer - stream.OutputAvailable()));
    if (end) break;
  }
  return out;
}

Bytes ZlibCompress(const Bytes& input, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out;
  out.reserve(input.size() + input.size() / 100 + 1024);
  unsigned char buffer[25000];
  std::size_t offset = 0;
  for (;;) {
    if (z.avail_in == 0 && offset < input.size()) {
      const std::size_t n = std::min<std::size_t>(60000, input.size() - offset);
      z.next_in = const_cast<Bytef*>(input.data() + offset);
      z.avail_in = uInt(n);
      offset += n;
    }
    const bool finish = offset == input.size() && z.avail_in == 0;
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    const int result = deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    if (result == Z_STREAM_END || (result != Z_OK && result != Z_BUF_ERROR)) break;
  }
  deflateEnd(&z);
  return out;
}

class BufferSink : public DataSink {
public:
  explicit BufferSink(Bytes& out) : m_out(out) {}
  bool SpaceAvailable(DWORD* count) override {
    *count = DWORD(m_out.size() - m_used);
    return true;
  }
  bool Write(const void* data, DWORD count) override {
    std::memcpy(m_out.data() + m_used, data, count);
    m_used += count;
    return true;
  }
  std::size_t Used() const { return m_used; }

private:
  Bytes& m_out;
  std::size_t m_used = 0;
};

bool OurDecompress(const Bytes& compressed, Bytes& out) {
  InflateState2 decoder;
  BufferSink sink(out);
  decoder.SetSink(&sink);
  decoder.InflateBlock(compressed.data(), DWORD(compressed.size()));
  return !decoder.Failed() && sink.Used() == out.size();
}

bool ZlibDecompress(const Bytes& compressed, Bytes& out) {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = uInt(compressed.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  const int result = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  return result == Z_STREAM_END;
}

void Run(const char* name, const Bytes& data) {
  const double mb = double(data.size()) / 1e6;
  std::printf("\n%s: %.1f MB\n", name, mb);
  std::printf("level | compress MB/s ours  zlib  time ratio | ratio ours  zlib | inflate MB/s ours  zlib  time ratio\n");
  for (int level : {1, 6, 9}) {
    Bytes ours;
    Bytes theirs;
    const double ourCompress = BestSeconds([&] { ours = OurCompress(data, level); });
    const double zlibCompress = BestSeconds([&] { theirs = ZlibCompress(data, level); });
    Bytes out(data.size());
    bool ok = true;
    // Both decoders time the same input, zlib's stream; zlib then checks ours.
    const double ourInflate = BestSeconds([&] { ok = OurDecompress(theirs, out) && ok; });
    ok = ok && out == data;
    const double zlibInflate = BestSeconds([&] { ok = ZlibDecompress(theirs, out) && ok; });
    Bytes check(data.size());
    ok = ok && ZlibDecompress(ours, check) && check == data;
    std::printf("%5d | %17.1f %5.1f %11.2f | %10.3f %5.3f | %16.1f %5.1f %11.2f %s\n", level, mb / ourCompress,
                mb / zlibCompress, ourCompress / zlibCompress, double(ours.size()) / double(data.size()),
                double(theirs.size()) / double(data.size()), mb / ourInflate, mb / zlibInflate,
                ourInflate / zlibInflate, ok ? "" : "MISMATCH");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path pngFolder = argc > 1 ? fs::path(argv[1]) : fs::path(VORNALT_SOURCE_DIR) / "../shared/bench-corpus";
  const fs::path textFolder = argc > 2 ? fs::path(argv[2]) : fs::path("/usr/lib/python3.11");

  Bytes pngFiles;
  Bytes scanlines;
  for (const fs::path& file : FilesWithExtension(pngFolder, ".png")) {
    const Bytes png = ReadFile(file);
    if (pngFiles.size() < kCorpusLimit) pngFiles.insert(pngFiles.end(), png.begin(), png.end());
    if (scanlines.size() < kCorpusLimit) {
      const Bytes lines = PngScanlines(png);
      scanlines.insert(scanlines.end(), lines.begin(), lines.end());
    }
  }
  Bytes text;
  for (const auto& extension : {".py", ".md", ".txt"}) {
    for (const fs::path& file : FilesWithExtension(textFolder, extension)) {
      if (text.size() >= kCorpusLimit) break;
      const Bytes content = ReadFile(file);
      text.insert(text.end(), content.begin(), content.end());
    }
  }
  for (Bytes* corpus : {&pngFiles, &scanlines, &text})
    if (corpus->size() > kCorpusLimit) corpus->resize(kCorpusLimit);

  std::printf("DEFLATE, ours vs zlib %s; best of %d runs; time ratio = ours / zlib\n", zlibVersion(), kRepeats);
  if (pngFiles.empty() && text.empty()) {
    std::fprintf(stderr, "no input: give a folder of PNG files and a folder of text files\n");
    return 1;
  }
  if (!pngFiles.empty()) Run("PNG files (raw bytes)", pngFiles);
  if (!scanlines.empty()) Run("PNG scanlines (inflated IDAT)", scanlines);
  if (!text.empty()) Run(("text (" + textFolder.string() + ")").c_str(), text);
  return 0;
}
