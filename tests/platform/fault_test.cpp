// Fault injection: which calls of a site an armed fault fails.
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace bridgefw::platform {
namespace {

class FaultTest : public ::testing::Test {
 protected:
  void TearDown() override { DisarmAllFaults(); }
};

std::vector<bool> NextAnswers(FaultSite site, size_t calls) {
  std::vector<bool> answers;
  for (size_t i = 0; i < calls; ++i) answers.push_back(ShouldFail(site));
  return answers;
}

TEST_F(FaultTest, UnarmedSitesNeverFail) {
  for (uint32_t site = 0; site < static_cast<uint32_t>(FaultSite::kCount); ++site) {
    EXPECT_FALSE(ShouldFail(static_cast<FaultSite>(site))) << site;
  }
}

TEST_F(FaultTest, TheNthCallFailsOnceOrForGood) {
  struct Case {
    uint32_t nth;
    bool persistent;
    std::vector<bool> answers;
  };
  const Case cases[] = {
      {1, false, {true, false, false, false}},
      {3, false, {false, false, true, false, false}},
      {1, true, {true, true, true, true}},
      {2, true, {false, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "nth " << c.nth << (c.persistent ? ", persistent" : ""));
    ArmFault(FaultSite::kOpenFile, c.nth, c.persistent);
    EXPECT_EQ(NextAnswers(FaultSite::kOpenFile, c.answers.size()), c.answers);
    DisarmFault(FaultSite::kOpenFile);
  }
}

TEST_F(FaultTest, SitesCountSeparately) {
  ArmFault(FaultSite::kWriteFile, 2, false);
  EXPECT_FALSE(ShouldFail(FaultSite::kReadFile));
  EXPECT_FALSE(ShouldFail(FaultSite::kReadFile));
  EXPECT_FALSE(ShouldFail(FaultSite::kWriteFile));
  EXPECT_TRUE(ShouldFail(FaultSite::kWriteFile));
}

TEST_F(FaultTest, ArmingAgainStartsTheCountAfresh) {
  ArmFault(FaultSite::kSeekFile, 2, false);
  EXPECT_FALSE(ShouldFail(FaultSite::kSeekFile));
  ArmFault(FaultSite::kSeekFile, 2, false);
  EXPECT_FALSE(ShouldFail(FaultSite::kSeekFile));
  EXPECT_TRUE(ShouldFail(FaultSite::kSeekFile));
}

TEST_F(FaultTest, DisarmingStopsFailures) {
  ArmFault(FaultSite::kLocalTime, 1, true);
  ArmFault(FaultSite::kAllocMessage, 1, true);
  ArmFault(FaultSite::kCloseFile, 1, true);
  EXPECT_TRUE(ShouldFail(FaultSite::kLocalTime));
  DisarmFault(FaultSite::kLocalTime);
  EXPECT_FALSE(ShouldFail(FaultSite::kLocalTime));
  EXPECT_TRUE(ShouldFail(FaultSite::kAllocMessage));

  // A fault disarmed before its call came never fires.
  ArmFault(FaultSite::kLocalTime, 2, false);
  DisarmFault(FaultSite::kLocalTime);
  EXPECT_EQ(NextAnswers(FaultSite::kLocalTime, 3), std::vector<bool>(3, false));

  DisarmAllFaults();
  EXPECT_FALSE(ShouldFail(FaultSite::kAllocMessage));
  EXPECT_FALSE(ShouldFail(FaultSite::kCloseFile));
}

}  // namespace
}  // namespace bridgefw::platform
