// ReleaseModuleAndExitThread with a module, on POSIX: the module's last
// reference goes after the thread's own code has run.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "platform/module.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace bridgefw::platform {
namespace {

// A library of the C runtime that nothing else in this process loads.
constexpr const char* kSpareLibrary = "libBrokenLocale.so.1";

bool IsLoaded(const char* name) {
  void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

struct ModuleProbe {
  void* module = nullptr;
  std::atomic<bool> loadedWhileUnwinding{false};
};

class RecordLoadedOnDestruction {
 public:
  explicit RecordLoadedOnDestruction(ModuleProbe& probe) : m_probe(probe) {}
  ~RecordLoadedOnDestruction() { m_probe.loadedWhileUnwinding = IsLoaded(kSpareLibrary); }
  RecordLoadedOnDestruction(const RecordLoadedOnDestruction&) = delete;
  RecordLoadedOnDestruction& operator=(const RecordLoadedOnDestruction&) = delete;

 private:
  ModuleProbe& m_probe;
};

// Still loaded while the thread's stack unwinds, unloaded once a wait for the
// thread has returned.
TEST(ModulePosix, ReleaseModuleAndExitThreadUnloadsAfterTheThreadsCode) {
  ASSERT_FALSE(IsLoaded(kSpareLibrary));
  ModuleProbe probe;
  probe.module = dlopen(kSpareLibrary, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(probe.module, nullptr) << dlerror();

  ThreadObject* thread = CreateSuspendedThread(
      [](void* raw) -> uint32_t {
        auto& p = *static_cast<ModuleProbe*>(raw);
        {
          RecordLoadedOnDestruction guard(p);
          ReleaseModuleAndExitThread(p.module, 9);
        }
      },
      &probe);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(ResumeThread(thread));
  uint32_t code = 0;
  EXPECT_EQ(WaitForThread(thread, 10000, &code), kWaitObject0);
  EXPECT_EQ(code, 9u);
  EXPECT_TRUE(probe.loadedWhileUnwinding);
  EXPECT_FALSE(IsLoaded(kSpareLibrary));
  EXPECT_TRUE(CloseThread(thread));
}

}  // namespace
}  // namespace bridgefw::platform
