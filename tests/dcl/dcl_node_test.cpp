// Interoperability with an independent implementation, the npm package node-pkware: its explode reads
// our implode's streams in every mode and dictionary, and our explode reads its implode's streams.
// Skipped, with a message, when node or the package is not installed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "dcl/dcl.h"

namespace {

using Bytes = std::vector<uint8_t>;

class NodePkwareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("node --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "node is not installed: interoperability not checked";
    if (access((std::string(MV_NODE_PKWARE) + "/dist/simple/index.js").c_str(), R_OK) != 0)
      GTEST_SKIP() << "node-pkware is not installed at " MV_NODE_PKWARE ": interoperability not checked";
    char dir[] = "/tmp/mvdclnodeXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    tmp = dir;
  }
  void TearDown() override {
    if (!tmp.empty()) std::system(("rm -rf '" + tmp + "'").c_str());
  }
  static void write(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  }
  static Bytes read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
  }
  // Runs the package; false when it reports a failure.
  bool node(const std::string& args) {
    std::string cmd = "node '" MV_NODE_SCRIPT "' '" MV_NODE_PKWARE "' " + args + " 2>" + tmp + "/err";
    return std::system(cmd.c_str()) == 0;
  }
  Bytes nodeExplode(const Bytes& stream, bool& ok) {
    write(tmp + "/s.pk", stream);
    ok = node("x " + tmp + "/s.pk " + tmp + "/s.out");
    return read(tmp + "/s.out");
  }
  Bytes nodeImplode(const Bytes& data, const char* type, int dict) {
    write(tmp + "/d.bin", data);
    EXPECT_TRUE(node("i " + tmp + "/d.bin " + tmp + "/d.pk " + type + " " + std::to_string(dict)));
    return read(tmp + "/d.pk");
  }
  std::string tmp;
};

Bytes sample(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  static const char* words[] = {"alpha ", "beta ", "gamma\n", "delta ", "{x: 1}, ", "0000 "};
  Bytes out;
  while (out.size() < n) {
    if (rng() % 5 == 0) {
      for (int k = 0; k < 40; ++k) out.push_back(uint8_t(rng()));
    } else if (rng() % 7 == 0 && out.size() > 600) {
      size_t from = out.size() - 1 - rng() % 600, len = 2 + rng() % 600;
      for (size_t k = 0; k < len; ++k) out.push_back(out[from + k]);
    } else {
      const char* w = words[rng() % 6];
      while (*w) out.push_back(uint8_t(*w++));
    }
  }
  out.resize(n);
  return out;
}

TEST_F(NodePkwareTest, NodeExplodesOurStreams) {
  std::vector<Bytes> inputs = {{}, {'A'}, {'A', 'B'}, Bytes(3000, 'z'), sample(50000, 1), sample(9000, 2)};
  for (const char* type : {"binary", "ascii"}) {
    for (int dict : {1024, 2048, 4096}) {
      for (const Bytes& data : inputs) {
        Bytes stream = dclImplode(data.data(), data.size(), type[0] == 'a' ? 1 : 0, dict);
        bool ok = false;
        Bytes back = nodeExplode(stream, ok);
        EXPECT_TRUE(ok) << type << " " << dict << " " << data.size() << ": " << read(tmp + "/err").size();
        EXPECT_TRUE(back == data) << type << " " << dict << " size " << data.size() << " got " << back.size();
      }
    }
  }
}

TEST_F(NodePkwareTest, WeExplodeNodeStreams) {
  // node-pkware writes broken streams for inputs under 3 bytes; those sizes are left out.
  std::vector<Bytes> inputs = {{'A', 'B', 'C'}, Bytes(3000, 'z'), sample(50000, 3), sample(7000, 4)};
  for (const char* type : {"binary", "ascii"}) {
    for (int dict : {1024, 2048, 4096}) {
      for (const Bytes& data : inputs) {
        Bytes stream = nodeImplode(data, type, dict), back;
        EXPECT_EQ(dclExplode(stream.data(), stream.size(), back), dcl::kOk) << type << " " << dict;
        EXPECT_TRUE(back == data) << type << " " << dict << " size " << data.size();
      }
    }
  }
}

}  // namespace
