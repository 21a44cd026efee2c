// The main of every GoogleTest program: GoogleTest's own, except that a run which skipped a case
// (GTEST_SKIP) and failed none exits with kSkippedExitCode, which CTest reports as skipped
// (SKIP_RETURN_CODE in cmake/tests.cmake) rather than as passed. A failure still fails.
#include <gtest/gtest.h>

namespace {
constexpr int kSkippedExitCode = 77;
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (result == 0 && testing::UnitTest::GetInstance()->skipped_test_count() > 0) return kSkippedExitCode;
  return result;
}
