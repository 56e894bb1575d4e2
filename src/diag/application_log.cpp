#include "diag/application_log.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "diag/file_error.h"
#include "diag/program_exception.h"
#include "diag/string_tokenizer.h"
#include "diag/wformat.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file.h"

namespace bridgefw {
namespace {

// Written by the control thread only, but read by any thread that writes an
// entry (a host thread whose message allocation failed), hence atomic.
// DestroyInstance must still not overlap a Write: the control thread
// destroys the log at its very end, after the host stopped sending.
std::atomic<ApplicationLog*> g_instance{nullptr};

constexpr const WChar* kMonths[12] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                      u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};

void AppendDigits(WString& out, long value, int width) {
  WChar digits[8];
  for (int i = width - 1; i >= 0; --i) {
    digits[i] = static_cast<WChar>(u'0' + value % 10);
    value /= 10;
  }
  out.append(digits, static_cast<size_t>(width));
}

// The file is 8-bit text: a UTF-16 unit up to U+00FF is written as the byte
// of the same value, a unit above it as '?'. The entry thus always goes out
// whole, with its line end, rather than being cut at the first character
// that the file cannot hold. A line feed becomes CR LF, as a text-mode
// write would make it.
void AppendEncoded(std::string& out, const WChar* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const WChar c = text[i];
    if (c == u'\n') {
      out += "\r\n";
    } else if (c <= 0xFF) {
      out.push_back(static_cast<char>(static_cast<unsigned char>(c)));
    } else {
      out.push_back('?');
    }
  }
}

// "<stamp>> <text>\n" as the bytes of the file. The text ends at its first
// NUL, as a C string would.
std::string EncodeEntry(const WString& stamp, const WString& text) {
  const size_t textLength = std::min(text.size(), text.find(u'\0'));
  std::string out;
  out.reserve(stamp.size() + textLength + 8);
  AppendEncoded(out, stamp.data(), stamp.size());
  out += "> ";
  AppendEncoded(out, text.data(), textLength);
  out += "\r\n";
  return out;
}

// Closes the log file when an exception leaves Write, so that a failed
// entry never keeps the file (and its lock) open.
class OpenLogFile {
 public:
  explicit OpenLogFile(platform::FileObject* file) : m_file(file) {}
  ~OpenLogFile() {
    if (m_file != nullptr) platform::CloseFile(m_file);
  }
  OpenLogFile(const OpenLogFile&) = delete;
  OpenLogFile& operator=(const OpenLogFile&) = delete;

  platform::FileObject* get() const { return m_file; }
  platform::FileObject* release() { return std::exchange(m_file, nullptr); }

 private:
  platform::FileObject* m_file;
};

[[noreturn]] void ThrowFileError() {
  throw FileError(platform::GetLastErrorCode());
}

}  // namespace

ApplicationLog::ApplicationLog(const WString& directory, const WString& fileName)
    : m_logDirectory(directory), m_logFileName(fileName), m_localTime(platform::CurrentLocalTime) {}

void ApplicationLog::CreateInstance(const WString& directory, const WString& fileName) {
  if (g_instance.load(std::memory_order_acquire) == nullptr) {
    std::unique_ptr<ApplicationLog> log(new ApplicationLog(directory, fileName));
    ApplicationLog* expected = nullptr;
    if (g_instance.compare_exchange_strong(expected, log.get(), std::memory_order_acq_rel)) {
      log.release();
      return;
    }
  }
  throw ProgramException(u"ApplicationLog", u"CreateInstance", u"ApplicationLog already called.");
}

ApplicationLog& ApplicationLog::Instance() {
  ApplicationLog* log = g_instance.load(std::memory_order_acquire);
  if (log == nullptr) {
    throw ProgramException(u"ApplicationLog", u"Instance", u"CreateInstance must be called first.");
  }
  return *log;
}

bool ApplicationLog::Exists() {
  return g_instance.load(std::memory_order_acquire) != nullptr;
}

void ApplicationLog::Write(const WString& text) {
  Instance().WriteEntry(text);
}

void ApplicationLog::DestroyInstance() {
  delete g_instance.exchange(nullptr, std::memory_order_acq_rel);
}

void ApplicationLog::SetLocalTimeSource(LocalTimeSource source) {
  m_localTime = source ? std::move(source) : LocalTimeSource(platform::CurrentLocalTime);
}

WString ApplicationLog::FormatTimeStamp(const std::tm& time) {
  // By hand rather than with strftime, so that neither the locale nor an
  // out-of-range field can change the form. A field out of range gives no
  // stamp at all. Seconds may be 60 (a leap second).
  const bool valid = time.tm_mday >= 1 && time.tm_mday <= 31 && time.tm_mon >= 0 &&
                     time.tm_mon <= 11 && time.tm_year >= -1900 && time.tm_year <= 9999 - 1900 &&
                     time.tm_hour >= 0 && time.tm_hour <= 23 && time.tm_min >= 0 &&
                     time.tm_min <= 59 && time.tm_sec >= 0 && time.tm_sec <= 60;
  if (!valid) return WString();
  const int hour12 = time.tm_hour % 12 == 0 ? 12 : time.tm_hour % 12;
  WString stamp;
  stamp.reserve(23);
  AppendDigits(stamp, time.tm_mday, 2);
  stamp += u'-';
  stamp += kMonths[time.tm_mon];
  stamp += u'-';
  AppendDigits(stamp, static_cast<long>(time.tm_year) + 1900, 4);
  stamp += u' ';
  AppendDigits(stamp, hour12, 2);
  stamp += u':';
  AppendDigits(stamp, time.tm_min, 2);
  stamp += u':';
  AppendDigits(stamp, time.tm_sec, 2);
  stamp += time.tm_hour < 12 ? u" AM" : u" PM";
  return stamp;
}

void ApplicationLog::CreateDirectories(const WString& path) {
  const StringTokenizer components(path.c_str());
  const int32_t count = components.GetCount();
  if (count == 0) return;

  WString working;
  int32_t first = 0;
  if (path.size() >= 2) {
    if (path[1] == u':') {
      // "X:\..." : the drive is there or not; it is never created.
      working = components.GetToken(0);
      first = 1;
    } else if (path[0] == u'\\' && path[1] == u'\\') {
      // "\\server\share\..." : the server is not a directory to create.
      working = u"\\\\" + components.GetToken(0);
      first = 1;
    } else if (path[0] == u'\\') {
      // "\dir\..." (rooted, no drive; every absolute path on POSIX looks
      // like this): keep the leading backslash, so the chain is created
      // below the root, where Write also opens the file, and not below the
      // current directory.
      working = u"\\";
    }
  }

  for (int32_t i = first; i < count; ++i) {
    if (!working.empty() && working.back() != u'\\') working += u'\\';
    working += components.GetToken(i);
    if (!platform::CreateDirectoryAt(working)) {
      const uint32_t code = platform::GetLastErrorCode();
      if (code != platform::kErrorAlreadyExists) {
        throw ProgramException(WFormat(u"[%u]Unable to create directory(%s).", code, working));
      }
    }
  }
}

void ApplicationLog::WriteEntry(const WString& text) {
  // The chain is prepared on every entry, so a directory deleted while the
  // plugin runs comes back with the next entry.
  CreateDirectories(m_logDirectory);

  // A file that cannot be opened (held by another writer, no access) costs
  // the entry, silently.
  OpenLogFile file(platform::OpenFileForAppend(m_logDirectory + u"\\" + m_logFileName));
  if (file.get() == nullptr) return;

  if (!platform::SeekFileToEnd(file.get())) ThrowFileError();

  std::tm now{};
  WString stamp;
  if (m_localTime && m_localTime(now)) stamp = FormatTimeStamp(now);

  // One write for the whole entry.
  const std::string entry = EncodeEntry(stamp, text);
  if (!platform::WriteFileBytes(file.get(), entry.data(), entry.size())) ThrowFileError();

  if (!platform::CloseFile(file.release())) ThrowFileError();
}

}  // namespace bridgefw
