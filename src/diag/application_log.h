// ApplicationLog: the plugin's text log. A singleton; every Write prepares
// the directory chain, opens the file without sharing, appends one
// time-stamped entry and closes the file again.
//
// Encoding: one byte per UTF-16 unit; units up to U+00FF are written as
// that byte, a unit above U+00FF as '?'. Line feeds in a text become CR LF.
//
// Threads: CreateInstance and DestroyInstance on the control thread only;
// Write from any thread while the instance exists (two overlapping writes
// cannot both open the file: the later one drops its entry).
#pragma once

#include <ctime>
#include <functional>

#include "platform/text.h"

namespace bridgefw {

class ApplicationLog {
 public:
  // The local time of an entry; false when it cannot be had (the stamp is
  // then empty).
  using LocalTimeSource = std::function<bool(std::tm&)>;

  // Raises "ApplicationLog::CreateInstance:ApplicationLog already called."
  // when an instance exists. Touches neither the disk nor the file.
  static void CreateInstance(const WString& directory, const WString& fileName);
  // Raises "ApplicationLog::Instance:CreateInstance must be called first."
  static ApplicationLog& Instance();
  static bool Exists();
  static void Write(const WString& text);
  static void DestroyInstance();

  // Replaces the clock of this instance (tests use a fixed time); an empty
  // source restores the platform clock.
  void SetLocalTimeSource(LocalTimeSource source);

  const WString& directory() const { return m_logDirectory; }
  const WString& fileName() const { return m_logFileName; }

  // "%d-%b-%Y %I:%M:%S %p" with English month names and AM/PM.
  static WString FormatTimeStamp(const std::tm& time);

  // Creates every directory of `path` that is missing (drive and server
  // components excepted). A path with one leading backslash is rooted: its
  // chain is created below the root, not below the current directory.
  // Raises "[%u]Unable to create directory(%s)." with the error code and the
  // path up to the directory that failed.
  static void CreateDirectories(const WString& path);

 private:
  ApplicationLog(const WString& directory, const WString& fileName);
  void WriteEntry(const WString& text);

  WString m_logDirectory;
  WString m_logFileName;
  LocalTimeSource m_localTime;
};

}  // namespace bridgefw
