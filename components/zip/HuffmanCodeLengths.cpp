#include "components/zip/HuffmanCodeLengths.h"

#include "components/zip/DeflateTables.h"

#include <algorithm>

namespace deflate_format {

void BuildCodeLengths(const std::uint16_t* freq, unsigned n, unsigned maxBits, std::uint8_t* lengths) {
  struct Leaf {
    unsigned freq;
    unsigned symbol;
  };
  Leaf leaves[kLitLenAlphabet];
  unsigned count = 0;
  for (unsigned s = 0; s < n; ++s) {
    lengths[s] = 0;
    if (freq[s] != 0) leaves[count++] = {freq[s], s};
  }
  for (unsigned filler = 0; count < 2; ++filler)
    if (count == 0 || leaves[0].symbol != filler) leaves[count++] = {1, filler};
  std::sort(leaves, leaves + count, [](const Leaf& a, const Leaf& b) {
    return a.freq != b.freq ? a.freq < b.freq : a.symbol < b.symbol;
  });

  // Two-queue Huffman construction: leaves in frequency order, internal nodes made in weight order.
  unsigned weight[2 * kLitLenAlphabet];
  unsigned parent[2 * kLitLenAlphabet];
  for (unsigned i = 0; i < count; ++i) weight[i] = leaves[i].freq;
  unsigned nextLeaf = 0;
  unsigned nextInternal = count;
  const unsigned nodes = 2 * count - 1;
  auto takeSmallest = [&](unsigned made) {
    if (nextLeaf < count && (nextInternal >= made || weight[nextLeaf] <= weight[nextInternal])) return nextLeaf++;
    return nextInternal++;
  };
  for (unsigned made = count; made < nodes; ++made) {
    unsigned a = takeSmallest(made);
    unsigned b = takeSmallest(made);
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = made;
  }
  // Depths, root last; reuse weight[] for them.
  unsigned* depth = weight;
  depth[nodes - 1] = 0;
  unsigned lengthCount[2 * kLitLenAlphabet] = {};
  unsigned deepest = 0;
  for (unsigned node = nodes - 1; node-- > 0;) {
    depth[node] = depth[parent[node]] + 1;
    if (node < count) {
      ++lengthCount[depth[node]];
      deepest = std::max(deepest, depth[node]);
    }
  }

  // Limit the depth: a pair of leaves at the deepest level moves up to their parent's level, and a
  // shallower leaf becomes the parent of itself and one of them. The code stays complete.
  for (unsigned level = deepest; level > maxBits; --level) {
    while (lengthCount[level] > 0) {
      unsigned shallow = level - 2;
      while (shallow > 0 && lengthCount[shallow] == 0) --shallow;
      lengthCount[level] -= 2;
      lengthCount[level - 1] += 1;
      lengthCount[shallow + 1] += 2;
      lengthCount[shallow] -= 1;
    }
  }

  // The least frequent symbols take the longest codes.
  unsigned next = 0;
  for (unsigned bits = std::min(deepest, maxBits); bits >= 1; --bits)
    for (unsigned c = lengthCount[bits]; c > 0; --c) lengths[leaves[next++].symbol] = std::uint8_t(bits);
}

}  // namespace deflate_format
