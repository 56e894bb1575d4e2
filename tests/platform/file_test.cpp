#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace bridgefw::platform {
namespace {

using bridgefw::testing::IsDirectory;
using bridgefw::testing::PathExists;
using bridgefw::testing::ReadWholeFile;
using bridgefw::testing::TempDir;
using bridgefw::testing::WriteWholeFile;

class FileTest : public ::testing::Test {
 protected:
  void TearDown() override { DisarmAllFaults(); }

  // Opens, seeks to the end, appends `bytes` and closes.
  static void Append(const WString& path, const std::string& bytes) {
    FileObject* file = OpenFileForAppend(path);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(SeekFileToEnd(file));
    EXPECT_TRUE(WriteFileBytes(file, bytes.data(), bytes.size()));
    EXPECT_TRUE(CloseFile(file));
  }

  TempDir m_temp;
};

TEST_F(FileTest, CreateDirectoryReportsCreatedExistingAndMissingParent) {
  EXPECT_TRUE(CreateDirectoryAt(m_temp.Core("a")));
  EXPECT_TRUE(IsDirectory(m_temp.Native("a")));

  SetLastErrorCode(kErrorSuccess);
  EXPECT_FALSE(CreateDirectoryAt(m_temp.Core("a")));
  EXPECT_EQ(GetLastErrorCode(), kErrorAlreadyExists);

  // A file of that name also "exists", as on Windows.
  WriteWholeFile(m_temp.Native("plain"), "x");
  EXPECT_FALSE(CreateDirectoryAt(m_temp.Core("plain")));
  EXPECT_EQ(GetLastErrorCode(), kErrorAlreadyExists);

  EXPECT_FALSE(CreateDirectoryAt(m_temp.Core("missing/child")));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  EXPECT_FALSE(PathExists(m_temp.Native("missing")));

  EXPECT_FALSE(CreateDirectoryAt(m_temp.Core("plain/child")));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
}

TEST_F(FileTest, OpenCreatesTheFileAndNeverTruncates) {
  const WString path = m_temp.Core("log.txt");
  Append(path, "first\r\n");
  EXPECT_EQ(ReadWholeFile(m_temp.Native("log.txt")), "first\r\n");

  // Opening and closing without writing keeps the content.
  FileObject* file = OpenFileForAppend(path);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(CloseFile(file));
  EXPECT_EQ(ReadWholeFile(m_temp.Native("log.txt")), "first\r\n");

  Append(path, "second\r\n");
  EXPECT_EQ(ReadWholeFile(m_temp.Native("log.txt")), "first\r\nsecond\r\n");
}

TEST_F(FileTest, LargeWriteArrivesWhole) {
  std::string bytes(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  Append(m_temp.Core("big.bin"), bytes);
  EXPECT_EQ(ReadWholeFile(m_temp.Native("big.bin")), bytes);
}

TEST_F(FileTest, SecondOpenerIsKeptOutUntilTheFirstCloses) {
  const WString path = m_temp.Core("held.txt");
  FileObject* holder = OpenFileForAppend(path);
  ASSERT_NE(holder, nullptr);

  SetLastErrorCode(kErrorSuccess);
  EXPECT_EQ(OpenFileForAppend(path), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);

  EXPECT_TRUE(CloseFile(holder));
  FileObject* second = OpenFileForAppend(path);
  EXPECT_NE(second, nullptr);
  EXPECT_TRUE(CloseFile(second));
}

TEST_F(FileTest, OpenFailuresCarryFittingErrors) {
  ASSERT_TRUE(CreateDirectoryAt(m_temp.Core("dir")));
  struct Case {
    const char* relative;
    uint32_t error;
  };
  const Case cases[] = {
      {"missing/file.txt", kErrorPathNotFound},
      {"dir", kErrorAccessDenied},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.relative);
    SetLastErrorCode(kErrorSuccess);
    EXPECT_EQ(OpenFileForAppend(m_temp.Core(c.relative)), nullptr);
    EXPECT_EQ(GetLastErrorCode(), c.error);
  }
}

TEST_F(FileTest, NullFileIsAnInvalidHandle) {
  const char byte = 'x';
  const std::function<bool()> calls[] = {
      [] { return SeekFileToEnd(nullptr); },
      [&byte] { return WriteFileBytes(nullptr, &byte, 1); },
      [] { return CloseFile(nullptr); },
  };
  for (const auto& call : calls) {
    SetLastErrorCode(kErrorSuccess);
    EXPECT_FALSE(call());
    EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
  }
}

TEST_F(FileTest, InjectedFaultsFailLikeTheRealCalls) {
  const WString path = m_temp.Core("faults.txt");
  const std::string text = "abc";
  struct Case {
    FaultSite site;
    uint32_t error;
    std::function<bool(FileObject*)> step;  // runs on an open file
  };
  const Case cases[] = {
      {FaultSite::kSeekFile, kErrorInvalidParameter,
       [](FileObject* f) { return SeekFileToEnd(f); }},
      {FaultSite::kWriteFile, kErrorDiskFull,
       [&text](FileObject* f) { return WriteFileBytes(f, text.data(), text.size()); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<uint32_t>(c.site));
    FileObject* file = OpenFileForAppend(path);
    ASSERT_NE(file, nullptr);
    ArmFault(c.site, 1, false);
    SetLastErrorCode(kErrorSuccess);
    EXPECT_FALSE(c.step(file));
    EXPECT_EQ(GetLastErrorCode(), c.error);
    EXPECT_TRUE(CloseFile(file));
  }
  EXPECT_EQ(ReadWholeFile(m_temp.Native("faults.txt")), "");

  // A failing close still releases the file.
  FileObject* file = OpenFileForAppend(path);
  ASSERT_NE(file, nullptr);
  ArmFault(FaultSite::kCloseFile, 1, false);
  EXPECT_FALSE(CloseFile(file));
  EXPECT_EQ(GetLastErrorCode(), kErrorWriteFault);
  file = OpenFileForAppend(path);
  EXPECT_NE(file, nullptr);
  EXPECT_TRUE(CloseFile(file));

  ArmFault(FaultSite::kOpenFile, 1, false);
  EXPECT_EQ(OpenFileForAppend(path), nullptr);
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);

  ArmFault(FaultSite::kCreateDirectory, 1, false);
  EXPECT_FALSE(CreateDirectoryAt(m_temp.Core("never")));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
  EXPECT_FALSE(PathExists(m_temp.Native("never")));
}

TEST_F(FileTest, ReadFileBytesReadsUpToTheMaximum) {
  std::string content(40000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i % 253);
  WriteWholeFile(m_temp.Native("image.bin"), content);
  struct Case {
    size_t maximum;
    size_t expected;
  };
  const Case cases[] = {{0xC000, 40000}, {20000, 20000}, {40000, 40000}, {0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.maximum);
    std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_TRUE(ReadFileBytes(m_temp.Core("image.bin"), c.maximum, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content.substr(0, c.expected));
  }
}

TEST_F(FileTest, ReadFileBytesFailures) {
  std::vector<uint8_t> bytes{1, 2, 3};
  EXPECT_FALSE(ReadFileBytes(m_temp.Core("absent.bin"), 100, bytes));
  EXPECT_EQ(GetLastErrorCode(), kErrorFileNotFound);
  EXPECT_TRUE(bytes.empty());

  WriteWholeFile(m_temp.Native("there.bin"), "data");
  ArmFault(FaultSite::kReadFile, 1, false);
  EXPECT_FALSE(ReadFileBytes(m_temp.Core("there.bin"), 100, bytes));
  EXPECT_TRUE(ReadFileBytes(m_temp.Core("there.bin"), 100, bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "data");
}

}  // namespace
}  // namespace bridgefw::platform
