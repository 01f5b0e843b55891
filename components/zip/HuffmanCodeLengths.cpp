#include "components/zip/HuffmanCodeLengths.h"

#include "components/zip/DeflateTables.h"

#include <algorithm>

namespace deflate_format {

namespace {

constexpr unsigned kHeapSize = 2 * kLitLenAlphabet + 1;

// The tree under construction: leaves 0..n-1, internal nodes from n on; the heap is 1-based.
struct TreeBuild {
  unsigned freq[kHeapSize];
  unsigned dad[kHeapSize];
  unsigned len[kHeapSize];
  unsigned char depth[kHeapSize];
  unsigned heap[kHeapSize];
  unsigned heapLen = 0;
  unsigned heapMax = kHeapSize;

  // Lower frequency first; on equal frequency the shallower subtree.
  bool Smaller(unsigned a, unsigned b) const {
    return freq[a] < freq[b] || (freq[a] == freq[b] && depth[a] <= depth[b]);
  }

  void DownHeap(unsigned k) {
    const unsigned v = heap[k];
    unsigned j = k << 1;
    while (j <= heapLen) {
      if (j < heapLen && Smaller(heap[j + 1], heap[j])) ++j;
      if (Smaller(v, heap[j])) break;
      heap[k] = heap[j];
      k = j;
      j <<= 1;
    }
    heap[k] = v;
  }
};

}  // namespace

void BuildCodeLengths(const std::uint16_t* frequencies, unsigned n, unsigned maxBits, std::uint8_t* lengths) {
  TreeBuild t;
  int maxCode = -1;
  for (unsigned s = 0; s < n; ++s) {
    lengths[s] = 0;
    t.len[s] = 0;
    t.freq[s] = frequencies[s];
    t.depth[s] = 0;
    if (frequencies[s] != 0) {
      t.heap[++t.heapLen] = s;
      maxCode = int(s);
    }
  }
  // At least two codes, so that the code is complete.
  while (t.heapLen < 2) {
    const unsigned node = maxCode < 2 ? unsigned(++maxCode) : 0;
    t.heap[++t.heapLen] = node;
    t.freq[node] = 1;
    t.depth[node] = 0;
  }
  for (unsigned k = t.heapLen / 2; k >= 1; --k) t.DownHeap(k);

  // Join the two least frequent nodes until one is left; every removed node is recorded at the
  // top of the heap array in the order of removal (the least frequent deepest).
  unsigned node = n;
  do {
    const unsigned a = t.heap[1];
    t.heap[1] = t.heap[t.heapLen--];
    t.DownHeap(1);
    const unsigned b = t.heap[1];
    t.heap[--t.heapMax] = a;
    t.heap[--t.heapMax] = b;
    t.freq[node] = t.freq[a] + t.freq[b];
    t.depth[node] = std::uint8_t(std::max(t.depth[a], t.depth[b]) + 1);
    t.dad[a] = t.dad[b] = node;
    t.heap[1] = node++;
    t.DownHeap(1);
  } while (t.heapLen >= 2);
  t.heap[--t.heapMax] = t.heap[1];

  // Lengths from the root down, clipped at maxBits; each clipped leaf is an overflow.
  unsigned count[16] = {};
  unsigned overflow = 0;
  t.len[t.heap[t.heapMax]] = 0;
  for (unsigned h = t.heapMax + 1; h < kHeapSize; ++h) {
    const unsigned nd = t.heap[h];
    unsigned bits = t.len[t.dad[nd]] + 1;
    if (bits > maxBits) {
      bits = maxBits;
      ++overflow;
    }
    t.len[nd] = bits;
    if (int(nd) > maxCode) continue;
    ++count[bits];
  }
  if (overflow > 0) {
    // Repair: a leaf moves from the longest length below maxBits one level down, taking an
    // overflowed leaf as its brother; repeat until the lengths describe a complete code again.
    do {
      unsigned bits = maxBits - 1;
      while (count[bits] == 0) --bits;
      --count[bits];
      count[bits + 1] += 2;
      --count[maxBits];
      overflow -= overflow >= 2 ? 2 : overflow;
    } while (overflow > 0);
    // Hand the lengths out again, longest first, to the leaves in order of rising frequency.
    unsigned h = kHeapSize;
    for (unsigned bits = maxBits; bits != 0; --bits) {
      for (unsigned left = count[bits]; left != 0;) {
        const unsigned m = t.heap[--h];
        if (int(m) > maxCode) continue;
        t.len[m] = bits;
        --left;
      }
    }
  }
  for (int s = 0; s <= maxCode; ++s) lengths[s] = std::uint8_t(t.len[s]);
}

}  // namespace deflate_format
