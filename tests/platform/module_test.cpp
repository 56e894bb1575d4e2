// Loading, looking into and freeing modules (platform/module.h), with the
// test library "ModuleProbe" that is built beside this program.
#include "platform/module.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/error.h"

namespace bridgefw::platform {
namespace {

constexpr const WChar* kProbe = u"ModuleProbe.dll";
constexpr const char* kProbeFunction = "BridgefwModuleProbeAnswer";

using ProbeFunction = int32_t (*)();

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(GetLoadedModule(kProbe), nullptr); }
  void TearDown() override { EXPECT_EQ(GetLoadedModule(kProbe), nullptr); }
};

TEST_F(ModuleTest, ALoadedModuleIsFoundByEitherFormOfItsName) {
  ModuleHandle module = LoadModule(kProbe);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetLoadedModule(u"ModuleProbe"), module);
  EXPECT_EQ(GetLoadedModule(kProbe), module);
  EXPECT_TRUE(FreeModule(module));
}

TEST_F(ModuleTest, SymbolsAreFoundByName) {
  ModuleHandle module = LoadModule(kProbe);
  ASSERT_NE(module, nullptr);
  const auto answer = reinterpret_cast<ProbeFunction>(GetModuleSymbol(module, kProbeFunction));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);

  SetLastErrorCode(0);
  EXPECT_EQ(GetModuleSymbol(module, "NoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorProcNotFound);
  EXPECT_TRUE(FreeModule(module));
}

// Each load is one reference; finding the loaded module takes none, so the
// last free unloads it.
TEST_F(ModuleTest, EveryLoadIsFreedOnceAndFindingAddsNoReference) {
  ModuleHandle first = LoadModule(kProbe);
  ModuleHandle second = LoadModule(u"ModuleProbe");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(second, first);
  EXPECT_EQ(GetLoadedModule(kProbe), first);

  EXPECT_TRUE(FreeModule(first));
  EXPECT_EQ(GetLoadedModule(kProbe), first);
  EXPECT_TRUE(FreeModule(second));
  EXPECT_EQ(GetLoadedModule(kProbe), nullptr);
}

TEST_F(ModuleTest, MissingModulesAndBadArgumentsFail) {
  SetLastErrorCode(0);
  EXPECT_EQ(LoadModule(u"NoSuchModuleHere.dll"), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorModNotFound);
  EXPECT_EQ(GetLoadedModule(u"NoSuchModuleHere"), nullptr);
  EXPECT_EQ(LoadModule(nullptr), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidParameter);
  EXPECT_EQ(GetModuleSymbol(nullptr, kProbeFunction), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
  EXPECT_FALSE(FreeModule(nullptr));
}

}  // namespace
}  // namespace bridgefw::platform
