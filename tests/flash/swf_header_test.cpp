// The movie panel's header parse and the renderer within the panel's bounds apply the one version rule
// (swf/header.h).
#include <gtest/gtest.h>

#include <string>

#include "flash/flash_panel.h"
#include "flash/render/first_frame.h"
#include "flash/swf.h"
#include "swf/header.h"
#include "swf_builder.h"

using namespace mv;

namespace {

// They refuse the same versions, plain and compressed.
TEST(SwfHeader, ThePanelAndTheRendererApplyTheOneVersionRule) {
  for (int version = 0; version < 256; ++version) {
    SCOPED_TRACE(version);
    const std::string plain = swftest::fws(version, swftest::bg(1, 2, 3) + swftest::showFrame());
    SwfHeaderInfo info;
    const Result panel =
        parseSwfHeader(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), "C:\\movies\\m.swf", info);

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
