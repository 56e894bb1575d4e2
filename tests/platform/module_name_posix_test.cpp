// The shared-object file names that POSIX uses for module names.
#include <gtest/gtest.h>

#include <string>

#include "platform/module_posix.h"

namespace bridgefw::platform {
namespace {

TEST(ModuleNamePosix, WindowsNamesBecomeSharedObjectNames) {
  const struct {
    const char16_t* name;
    const char* file;
  } cases[] = {
      {u"QNUsbDll.dll", "libQNUsbDll.so"},   {u"QNUsbDll", "libQNUsbDll.so"},
      {u"QNUsbDll.DLL", "libQNUsbDll.so"},   {u"my.vendor.dll", "libmy.vendor.so"},
      {u"libfoo.so", "libfoo.so"},           {u"libBrokenLocale.so.1", "libBrokenLocale.so.1"},
      {u"./QNUsbDll.dll", "./QNUsbDll.dll"}, {u"/opt/x/libQNUsbDll.so", "/opt/x/libQNUsbDll.so"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NativeModuleName(c.name), c.file);
  }
}

}  // namespace
}  // namespace bridgefw::platform
