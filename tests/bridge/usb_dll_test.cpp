// Loading and binding the vendor's USB library, against the stand-in and
// its deliberately incomplete builds.
#include "bridge/usb_dll.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "bridge/usb_dll_api.h"
#include "platform/module.h"
#include "platform/text.h"

namespace bridgefw {
namespace {

std::string VariantPath(const std::string& missing) {
  return std::string(BRIDGEFW_VENDOR_VARIANT_DIR) + "/" + BRIDGEFW_SHARED_PREFIX +
         "QNUsbDll_missing_" + missing + BRIDGEFW_SHARED_SUFFIX;
}

bool IsLoaded(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (module == nullptr) return false;
  dlclose(module);
  return true;
}

struct Outcome {
  platform::ModuleHandle module;
  std::string output;
};

template <typename Load>
Outcome Capture(Load load) {
  ::testing::internal::CaptureStdout();
  platform::ModuleHandle module = load();
  return {module, ::testing::internal::GetCapturedStdout()};
}

Outcome LoadNamed(const std::string& path) {
  const WString name = WidenUtf8(path);
  return Capture([&name] { return LoadUsbDllNamed(name.c_str()); });
}

TEST(UsbDll, AnIncompleteGroupIsReportedWithItsTextAndNothingStaysLoaded) {
  const char* const kQn72x = "QN72x DLL APIs function pointers get fail!\n";
  const char* const kQn72xEx = "QN72x DLL APIs Ex function pointers get fail!\n";
  const struct {
    const char* missing;
    const char* text;
  } cases[] = {
      {"1", kQn72x},
      {"2", "QN72x  DLL APIs Safe Remove function pointers get fail!\n"},
      {"3", kQn72x},
      {"4", kQn72xEx},
      {"5", kQn72x},
      {"6", kQn72xEx},
      {"7", "QN74X/8xx DLL APIs function pointers get fail!\n"},
      {"8", "ATA command get status DLL APIs function pointers get fail!\n"},
      {"9", "SCSI CDB Pass Through DLL APIs function pointers get fail!\n"},
      {"10", "QNGetDiskLetterEx / QNGetUsbId DLL APIs function pointers get fail!\n"},
      {"11", "QNSelectDeviceEx / QNGetSelectedUsbId DLL APIs function pointers get fail!\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "group " << c.missing);
    const std::string path = VariantPath(c.missing);
    const Outcome outcome = LoadNamed(path);
    EXPECT_EQ(outcome.module, nullptr);
    EXPECT_EQ(outcome.output, c.text);
    EXPECT_FALSE(IsLoaded(path));
  }
}

TEST(UsbDll, ALibraryThatCannotBeLoadedIsReported) {
  const Outcome outcome = LoadNamed("/nonexistent/libQNUsbDll.so");
  EXPECT_EQ(outcome.module, nullptr);
  EXPECT_EQ(outcome.output, "DLL file loading fail!\n");
}

TEST(UsbDll, TheOptionalNamesMayBeMissing) {
  const std::string path = VariantPath("optional");
  const Outcome outcome = LoadNamed(path);
  ASSERT_NE(outcome.module, nullptr);
  EXPECT_EQ(outcome.output, "");
  EXPECT_TRUE(platform::FreeModule(outcome.module));
  EXPECT_FALSE(IsLoaded(path));
}

// By its module name, as the plugin loads it: found beside the program.
TEST(UsbDll, TheStandInBindsCompletelyAndIsReleasedByOneFree) {
  const Outcome outcome = Capture([] { return LoadUsbDll(); });
  ASSERT_NE(outcome.module, nullptr);
  EXPECT_EQ(outcome.output, "");
  UsbDllApi api;
  EXPECT_TRUE(BindUsbDllApi(outcome.module, api));
  EXPECT_NE(api.GetUsbIdList, nullptr);
  EXPECT_NE(api.QNSelectDeviceEx, nullptr);
  EXPECT_NE(api.QN8XXSerialFlashReadEx, nullptr);
  EXPECT_NE(api.QN8XXSerialFlashProgrammingEx, nullptr);
  EXPECT_NE(api.QN847ChipRestEx, nullptr);
  EXPECT_TRUE(platform::FreeModule(outcome.module));
  EXPECT_FALSE(IsLoaded(BRIDGEFW_VENDOR_LIBRARY));
}

// A library that another part of the process loaded is used, and the
// caller's free leaves that other reference alone.
TEST(UsbDll, ALoadedLibraryIsUsedWithAReferenceOfItsOwn) {
  void* other = dlopen(BRIDGEFW_VENDOR_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(other, nullptr) << dlerror();
  const Outcome outcome = Capture([] { return LoadUsbDll(); });
  EXPECT_EQ(outcome.module, other);
  EXPECT_TRUE(platform::FreeModule(outcome.module));
  EXPECT_TRUE(IsLoaded(BRIDGEFW_VENDOR_LIBRARY));
  dlclose(other);
  EXPECT_FALSE(IsLoaded(BRIDGEFW_VENDOR_LIBRARY));
}

TEST(UsbDllApi, AMissingFunctionFailsTheBindingAndStaysNull) {
  const WString path = WidenUtf8(VariantPath("7"));
  platform::ModuleHandle module = platform::LoadModule(path.c_str());
  ASSERT_NE(module, nullptr);
  UsbDllApi api;
  EXPECT_FALSE(BindUsbDllApi(module, api));
  EXPECT_EQ(api.QN847ChipRestEx, nullptr);
  EXPECT_NE(api.GetUsbIdList, nullptr);
  EXPECT_NE(api.QN8XXSerialFlashProgrammingEx, nullptr);
  EXPECT_TRUE(platform::FreeModule(module));
}

}  // namespace
}  // namespace bridgefw
