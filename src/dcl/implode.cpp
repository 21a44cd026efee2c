// implode: the encoder of the PKWARE Data Compression Library "implode" stream format (dcl_format.h).
//
// The format's codes are fixed, so the exact cost in bits of every literal and every copy is known in
// advance. The encoder therefore chooses its parse by shortest path rather than greedily: for each
// position it finds the copies available there (for every length, the nearest distance that reaches it,
// since nearer distances never cost more), and relaxes the cost of the positions they lead to. Whenever
// no pending choice jumps over the current position, every cheapest path passes through it: the path up
// to there is final and is written out ("cut").
//
// Matches come from binary trees of the positions in the dictionary, one tree per hash of the first three
// bytes, ordered by the bytes that follow each position, the newest position at the root (each insertion
// makes the new position the root and splits the old tree along the search path). Walking down such a
// tree visits, for every length, the nearest position whose match reaches that length. Copies of length 2
// (which may reach 256 bytes back only) come from a table of the last position of each 2-byte prefix.
// A copy of kNiceLength bytes or more is taken as it stands, without planning inside it; this bounds the
// work on very repetitive input.
//
// All state lives in one struct in the caller's work area (CMP_IMPLODE_WORK_SIZE bytes). Positions in
// the tables are absolute input positions modulo 2^16: tree links never span more than two dictionaries,
// and the hash heads are swept of old entries every 16K positions.
#include <cstddef>
#include <cstring>

#include "dcl/dcl_format.h"
#include "dcl/pklib.h"

namespace dcl {
namespace {

// ---- tuning (the macros let measurements build other settings, see bench/README.md)
#ifndef DCL_NICE
#define DCL_NICE 64
#endif
#ifndef DCL_CHAIN
#define DCL_CHAIN 48
#endif
constexpr unsigned kNiceLength = DCL_NICE;    // copies this long are taken without looking inside them
constexpr unsigned kMaxChain = DCL_CHAIN;      // tree nodes visited per position

// ---- sizes of the work area's parts
constexpr unsigned kHashBits = 11;
constexpr unsigned kHash2Bits = 11;
constexpr unsigned kTreeSize = kMaxDict;         // tree nodes, by position modulo kTreeSize
constexpr unsigned kMaxTreeDistance = kTreeSize - 1;  // the node of i - kTreeSize is reused for i
constexpr unsigned kReadChunk = 512;             // input read at a time
constexpr unsigned kCompareSlack = 8;            // 8-byte compares may read this far past the data
constexpr unsigned kBufSize = kMaxDict + kMaxMatch + kReadChunk;
constexpr unsigned kPlanSize = 1024;             // ring of path-finding entries
constexpr unsigned kMaxPlan = kPlanSize - kMaxMatch - 2;  // longest stretch planned before a forced cut
constexpr unsigned kOutSize = 256;              // output handed to write_buf at a time
constexpr uint16_t kInfinity = 0xFFFF;

// ---- cost tables (bits)

struct LengthCosts {
  uint8_t bits[kMaxMatch + 1] = {};    // length code + extra bits, for lengths 2..518
  uint8_t symbol[kEndLength + 1] = {};  // length symbol of lengths 2..519
};

constexpr LengthCosts makeLengthCosts() {
  LengthCosts t{};
  for (unsigned len = kMinMatch; len <= kEndLength; ++len) {
    unsigned s = lengthSymbol(len);
    t.symbol[len] = static_cast<uint8_t>(s);
    if (len <= kMaxMatch) t.bits[len] = static_cast<uint8_t>(kLengthCodeBits[s] + kLengthExtra[s]);
  }
  return t;
}

constexpr LengthCosts kLengthCosts = makeLengthCosts();

struct Implode {
  dcl_read_fn read;
  dcl_write_fn write;
  void* param;
  unsigned lowBits;    // dictionary size code: plain low bits of a distance
  unsigned dictSize;
  bool ascii;
  bool eof;

  // input: buf[0, filled) holds input positions [bufBase, bufBase + filled)
  unsigned bufBase;
  unsigned filled;

  // output
  uint64_t bits;
  unsigned count;
  unsigned outPos;

  uint16_t head[1u << kHashBits];    // root of the tree of each 3-byte hash: its last position
  uint16_t head2[1u << kHash2Bits];  // last position of each 2-byte hash
  uint16_t tree[2 * kTreeSize];      // children of each position's node: [0] sorts before, [1] after

  // path finding, by position modulo kPlanSize: cost from the last cut, and the step that reached it
  uint16_t cost[kPlanSize];
  uint16_t stepLength[kPlanSize];    // 1 = literal, else copy length
  uint16_t stepDist[kPlanSize];

  uint8_t out[kOutSize + 8];
  uint8_t buf[kBufSize + kCompareSlack];

  void fill();
  void putBits(uint32_t value, unsigned n) {
    bits |= uint64_t{value} << count;
    count += n;
    if (count >= 32) {
      for (int k = 0; k < 4; ++k) out[outPos++] = static_cast<uint8_t>(bits >> (8 * k));
      bits >>= 32;
      count -= 32;
      if (outPos >= kOutSize) flushOut();
    }
  }
  void flushOut() {
    unsigned int n = outPos;
    if (n) write(reinterpret_cast<char*>(out), &n, param);
    outPos = 0;
  }
  void putLiteral(unsigned byte) {
    if (ascii)
      putBits(unsigned{kLiteralCode.value[byte]} << 1, 1 + kLiteralCodeBits[byte]);
    else
      putBits(byte << 1, 9);
  }
  void putCopy(unsigned length, unsigned dist) {
    unsigned s = kLengthCosts.symbol[length];
    putBits(1u | unsigned{kLengthCode.value[s]} << 1, 1 + kLengthCodeBits[s]);
    if (kLengthExtra[s]) putBits(length - kLengthBase[s], kLengthExtra[s]);
    if (length == kEndLength) return;
    unsigned low = length == 2 ? 2 : lowBits;
    unsigned high = (dist - 1) >> low;
    putBits(kDistCode.value[high], kDistCodeBits[high]);
    putBits((dist - 1) & ((1u << low) - 1), low);
  }
  unsigned copyCost(unsigned length, unsigned dist) const {
    unsigned low = length == 2 ? 2 : lowBits;
    return 1 + kLengthCosts.bits[length] + kDistCodeBits[(dist - 1) >> low] + low;
  }

  struct Candidate {
    unsigned length, dist;
  };
  unsigned insertAndFind(unsigned i, const uint8_t* p, unsigned reachBack, unsigned maxLen, Candidate* found);
  void writeSteps(unsigned from, unsigned to);
  void run();
};

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline uint16_t load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Number of equal bytes at a and b, up to limit (reads up to 7 bytes past limit).
inline unsigned matchLength(const uint8_t* a, const uint8_t* b, unsigned limit) {
  unsigned n = 0;
  while (n < limit) {
    uint64_t x = load64(a + n) ^ load64(b + n);
    if (x) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      n += static_cast<unsigned>(__builtin_clzll(x)) >> 3;
#else
      n += static_cast<unsigned>(__builtin_ctzll(x)) >> 3;
#endif
      return n < limit ? n : limit;
    }
    n += 8;
  }
  return limit;
}

inline unsigned hash3(const uint8_t* p) {
  uint32_t v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  return (v * 2654435761u) >> (32 - kHashBits);
}
inline unsigned hash2(const uint8_t* p) {
  uint32_t v = uint32_t{p[0]} | uint32_t{p[1]} << 8;
  return (v * 2654435761u) >> (32 - kHash2Bits);
}

// Reads input until the buffer is full or read_buf has no more.
void Implode::fill() {
  while (!eof && filled < kBufSize) {
    unsigned int size = kBufSize - filled;
    unsigned int got = read(reinterpret_cast<char*>(buf + filled), &size, param);
    if (got == 0) {
      eof = true;
      break;
    }
    if (got > kBufSize - filled) got = kBufSize - filled;
    filled += got;
  }
  std::memset(buf + filled, 0, kCompareSlack);
}

// Makes position i the root of its tree and returns the matches met on the way down: strictly longer
// ones as the walk goes on, each at the nearest distance that reaches its length (within kMaxChain nodes).
// Nodes older than reachBack are cut off. Comparisons stop at kNiceLength bytes: such a node takes the
// place of i's subtrees and its match is measured to its full length.
unsigned Implode::insertAndFind(unsigned i, const uint8_t* p, unsigned reachBack, unsigned maxLen,
                                Candidate* found) {
  const unsigned h = hash3(p);
  unsigned cand = head[h];
  head[h] = static_cast<uint16_t>(i);
  const uint16_t none = static_cast<uint16_t>(i - kTreeSize - 1);
  uint16_t* before = &tree[2 * (i & (kTreeSize - 1))];  // where the next node sorting before p goes
  uint16_t* after = before + 1;                          // ... and after p
  unsigned lenBefore = 0, lenAfter = 0;  // bytes known equal on each side of the search
  const unsigned limit = maxLen < kNiceLength ? maxLen : kNiceLength;
  unsigned best = 1, nFound = 0;
  for (unsigned depth = kMaxChain;; --depth) {
    const unsigned d = (i - cand) & 0xFFFF;
    if (d - 1 >= reachBack || depth == 0) {  // too far back (or a stale root), or walked far enough
      *before = *after = none;
      return nFound;
    }
    uint16_t* node = &tree[2 * (cand & (kTreeSize - 1))];
    const uint8_t* q = p - d;
    // Every node below the two boundaries shares at least the shorter boundary's bytes with p (the tree
    // is ordered by the first kNiceLength bytes). In the last bytes of the input, where fewer remain,
    // that order is not kept up, and matches are measured from their first byte.
    unsigned len = limit < kNiceLength ? 0 : lenBefore < lenAfter ? lenBefore : lenAfter;
    len += matchLength(p + len, q + len, limit - len);
    if (len > best) {
      best = len;
      unsigned full = len == kNiceLength ? len + matchLength(p + len, q + len, maxLen - len) : len;
      found[nFound++] = {full, d};
    }
    if (len >= limit) {  // equal as far as the tree looks: cand's subtrees become p's
      *before = node[0];
      *after = node[1];
      return nFound;
    }
    if (q[len] < p[len]) {
      *before = static_cast<uint16_t>(cand);  // cand and its earlier subtree sort before p
      before = &node[1];
      cand = node[1];
      lenBefore = len;
    } else {
      *after = static_cast<uint16_t>(cand);
      after = &node[0];
      cand = node[0];
      lenAfter = len;
    }
  }
}

// Writes the cheapest path from position `from` to the cut `to`. The plan holds, at each position the
// path reaches, the step that reached it; turning the links around gives the steps in writing order.
void Implode::writeSteps(unsigned from, unsigned to) {
  unsigned j = to, carryLen = 0, carryDist = 0;
  while (j != from) {
    unsigned k = j & (kPlanSize - 1);
    unsigned len = stepLength[k], dist = stepDist[k];
    stepLength[k] = static_cast<uint16_t>(carryLen);
    stepDist[k] = static_cast<uint16_t>(carryDist);
    carryLen = len;
    carryDist = dist;
    j -= len;
  }
  for (j = from; j != to;) {
    unsigned k = j & (kPlanSize - 1);
    unsigned len = j == from ? carryLen : stepLength[k];
    unsigned dist = j == from ? carryDist : stepDist[k];
    if (len == 1)
      putLiteral(buf[j - bufBase]);
    else
      putCopy(len, dist);
    j += len;
  }
}

void Implode::run() {
  out[0] = ascii ? 1 : 0;
  out[1] = static_cast<uint8_t>(lowBits);
  outPos = 2;
  bits = 0;
  count = 0;
  bufBase = 0;
  filled = 0;
  eof = false;
  const uint16_t none = static_cast<uint16_t>(0u - kTreeSize - 1);  // farther back than any dictionary
  for (uint16_t& h : head) h = none;
  for (uint16_t& h : head2) h = none;
  fill();

  Candidate found[kMaxChain + 2];

  unsigned start = 0;  // first position not yet written; cost[start] == 0
  unsigned reach = 0;  // farthest position any step planned so far leads to
  unsigned skipUntil = 0;
  cost[0] = 0;
  for (unsigned i = 0;; ++i) {
    // Keep the dictionary before i and the longest copy after it in the buffer.
    if (!eof && i - bufBase + kMaxMatch > filled) {
      unsigned keep = i - bufBase > dictSize ? i - bufBase - dictSize : 0;
      std::memmove(buf, buf + keep, filled - keep);
      filled -= keep;
      bufBase += keep;
      fill();
    }
    const unsigned bi = i - bufBase;
    const unsigned avail = filled - bi;
    // Positions are kept modulo 2^16: now and then, heads older than any dictionary are reset, so that
    // one can never pass for a recent position (which would mislead the tree walk).
    if ((i & 0x3FFF) == 0 && i != 0) {
      const uint16_t stale = static_cast<uint16_t>(i - kTreeSize - 1);
      for (uint16_t& h : head)
        if (((i - h) & 0xFFFF) > kTreeSize) h = stale;
      for (uint16_t& h : head2)
        if (((i - h) & 0xFFFF) > kTreeSize) h = stale;
    }

    if (reach <= i && i != start) {  // nothing jumps over i: the path up to i is final
      writeSteps(start, i);
      start = i;
      cost[i & (kPlanSize - 1)] = 0;
    }
    if (avail == 0) break;
    if (i - start >= kMaxPlan && i >= skipUntil) {  // planned far without a cut: make one here
      writeSteps(start, i);
      start = i;
      cost[i & (kPlanSize - 1)] = 0;
      reach = i;
      skipUntil = i;  // plans continue from i, so i must be planned from
    }

    const uint8_t* p = buf + bi;
    const unsigned maxLen = avail < kMaxMatch ? avail : kMaxMatch;

    // Matches: the nearest copy of length 2, and down the 3-byte tree one per longer length.
    unsigned nFound = 0, dist2 = 0;
    if (avail >= 2) {
      const unsigned reach2 = bi < kMaxDistance2 ? bi : kMaxDistance2;
      unsigned h2 = hash2(p);
      unsigned d = (i - head2[h2]) & 0xFFFF;
      if (d - 1 < reach2 && load16(p - d) == load16(p)) dist2 = d;
      head2[h2] = static_cast<uint16_t>(i);
    }
    if (avail >= 3) {
      const unsigned limit = bi < kMaxTreeDistance ? bi : kMaxTreeDistance;
      nFound = insertAndFind(i, p, limit < dictSize ? limit : dictSize, maxLen, found);
      if (i < skipUntil) nFound = 0;  // inside a long copy: the tree is kept up, nothing is planned
      if (!dist2 && nFound && found[0].dist <= kMaxDistance2) dist2 = found[0].dist;
    }
    if (i < skipUntil) continue;

    // Relax the positions the literal and the copies lead to.
    const unsigned longest = nFound ? found[nFound - 1].length : dist2 ? 2 : 1;
    while (reach < i + longest) cost[++reach & (kPlanSize - 1)] = kInfinity;
    const unsigned base = cost[i & (kPlanSize - 1)];
    auto relax = [&](unsigned len, unsigned dist, unsigned c) {
      unsigned k = (i + len) & (kPlanSize - 1);
      if (c < cost[k]) {
        cost[k] = static_cast<uint16_t>(c);
        stepLength[k] = static_cast<uint16_t>(len);
        stepDist[k] = static_cast<uint16_t>(dist);
      }
    };
    relax(1, 0, base + (ascii ? 1 + kLiteralCodeBits[*p] : 9));
    if (dist2) relax(2, dist2, base + copyCost(2, dist2));
    unsigned len = 3;
    for (unsigned f = 0; f < nFound; ++f) {
      const unsigned d = found[f].dist;
      const unsigned dc = base + 1 + kDistCodeBits[(d - 1) >> lowBits] + lowBits;
      for (; len <= found[f].length; ++len) relax(len, d, dc + kLengthCosts.bits[len]);
    }
    if (longest >= kNiceLength) skipUntil = i + longest;
  }
  putCopy(kEndLength, 0);
  while (count > 0) {
    out[outPos++] = static_cast<uint8_t>(bits);
    bits >>= 8;
    count = count > 8 ? count - 8 : 0;
  }
  flushOut();
}

static_assert(sizeof(Implode) + alignof(Implode) - 1 <= CMP_IMPLODE_WORK_SIZE, "implode work area too small");

}  // namespace
}  // namespace dcl

extern "C" unsigned int DCL_CALL dcl_implode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf,
                                             void* param, unsigned int* type, unsigned int* dsize) {
  using namespace dcl;
  unsigned lowBits;
  switch (*dsize) {
    case 1024: lowBits = 4; break;
    case 2048: lowBits = 5; break;
    case 4096: lowBits = 6; break;
    default: return CMP_INVALID_DICTSIZE;
  }
  if (*type != CMP_BINARY && *type != CMP_ASCII) return CMP_INVALID_MODE;
  Implode* s = static_cast<Implode*>(alignUp(work_buf, alignof(Implode)));
  s->read = read_buf;
  s->write = write_buf;
  s->param = param;
  s->lowBits = lowBits;
  s->dictSize = *dsize;
  s->ascii = *type == CMP_ASCII;
  s->run();
  return CMP_NO_ERROR;
}
