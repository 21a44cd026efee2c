// The one SWF header reader and version rule, and the panel and the renderer agreeing with it.
#include <gtest/gtest.h>

#include <string>

#include "flash/flash_panel.h"
#include "flash/render/first_frame.h"
#include "flash/swf.h"
#include "flash/swf_header.h"
#include "platform/host/host_platform.h"
#include "swf_builder.h"

using namespace mv;

namespace {

SwfHeader headerOf(const std::string& bytes) {
  return readSwfHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(SwfHeader, ReadsAsFarAsTheBytesGo) {
  const std::string whole("CWS\x06\x10\x20\x30\x40" "more", 12);
  for (size_t size = 0; size <= whole.size(); ++size) {
    SCOPED_TRACE(size);
    const SwfHeader h = headerOf(whole.substr(0, size));
    EXPECT_EQ(h.signature, size >= 3 ? SwfSignature::compressed : SwfSignature::none);
    EXPECT_EQ(h.hasVersion(), size >= 4);
    EXPECT_EQ(h.version, size >= 4 ? 6 : 0);
    EXPECT_EQ(h.complete(), size >= 8);
    EXPECT_EQ(h.length, size >= 8 ? 0x40302010u : 0u);  // little-endian
  }
  EXPECT_EQ(headerOf("FWS\x05").signature, SwfSignature::plain);
  for (const char* other : {"fws", "CWs", "ZWS", "GIF89a"}) EXPECT_EQ(headerOf(other).signature, SwfSignature::none);
}

TEST(SwfHeader, VersionRuleAndExpansionBound) {
  EXPECT_EQ(swfVersionFit(0), SwfVersionFit::tooOld);
  EXPECT_EQ(swfVersionFit(2), SwfVersionFit::tooOld);
  EXPECT_EQ(swfVersionFit(3), SwfVersionFit::played);
  EXPECT_EQ(swfVersionFit(6), SwfVersionFit::played);
  EXPECT_EQ(swfVersionFit(7), SwfVersionFit::tooNew);
  EXPECT_EQ(swfVersionFit(255), SwfVersionFit::tooNew);

  SwfHeader h;
  h.length = 100;
  EXPECT_EQ(swfBodyBound(h, 1000), 92u);
  EXPECT_EQ(swfBodyBound(h, 50), 42u);  // the bound counts the header too
  h.length = 5;
  EXPECT_EQ(swfBodyBound(h, 1000), 0u);  // a length shorter than the header: nothing to expand
  h.length = 0xFFFFFFFFu;
  EXPECT_EQ(swfBodyBound(h, 4096), 4088u);
}

// The panel's header parse and the renderer within the panel's bounds refuse the same versions, plain and
// compressed.
TEST(SwfHeader, ThePanelAndTheRendererApplyTheOneVersionRule) {
  HostSandbox sb;
  sb->createDirectory("C:\\movies");
  for (int version = 0; version < 256; ++version) {
    SCOPED_TRACE(version);
    const std::string plain = swftest::fws(version, swftest::bg(1, 2, 3) + swftest::showFrame());
    ASSERT_TRUE(sb->writeWholeFile("C:\\movies\\m.swf", plain));
    SwfHeaderInfo info;
    const Result panel = parseSwfHeader(sb.platform(), sb.platform(), "C:\\movies\\m.swf", info);

    const SwfVersionFit fit = swfVersionFit(version);
    EXPECT_EQ(panel, fit == SwfVersionFit::tooNew ? rc::swfTooNew : fit == SwfVersionFit::tooOld ? rc::swfTooOld : 0);
    for (const std::string& movie : {plain, swftest::cwsOf(plain)}) {
      render::FrameStatus why = render::FrameStatus::ok;
      render::FirstFrame::load(reinterpret_cast<const uint8_t*>(movie.data()), movie.size(), nullptr,
                               MoviePanel::firstFrameLimits(), &why);
      EXPECT_EQ(why, fit == SwfVersionFit::tooNew   ? render::FrameStatus::versionTooNew
                     : fit == SwfVersionFit::tooOld ? render::FrameStatus::versionTooOld
                                                    : render::FrameStatus::ok);
    }
  }
}

}  // namespace
