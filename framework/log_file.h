// The module's diagnostic log: time-stamped lines appended to <base>.LOG while a marker file
// <base>.sem exists at load, with date-change notices and rotation into one backup <base>.BAK.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform.h"

#if defined(__GNUC__)
#define LUMOV_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define LUMOV_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

namespace lumov {

class LogFile {
 public:
  // A limit below 10 becomes 1000. Without a marker path the log does not depend on a marker.
  LogFile(const std::string& basePath, int32_t limit, const char* markerPath,
          const platform::LogServices& services = platform::SystemLogServices());
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Writes one time-stamped message line; does nothing while the log is inactive.
  void Write(const char* format, ...) LUMOV_PRINTF_FORMAT(2, 3);

  bool IsActive() const { return file != nullptr; }
  int32_t LineCount() const { return lineCount; }
  int32_t MaxLines() const { return maxLines; }

  // Messages longer than this are replaced by an error text.
  static constexpr int kMaxMessageLength = 1198;

 private:
  int UpdateStamps(bool writeNotice);
  void RotateIfFull();
  int BackupLogFile(const char* logPath, const char* backupPath);
  void WriteNotice(const char* format);

  const platform::LogServices& services;
  int32_t maxLines;
  int32_t lineCount = 0;
  std::string logPath;
  std::string backupPath;
  char timeStamp[40] = {};
  char dateStamp[40] = {};
  std::FILE* file = nullptr;
  int32_t lastYear = 0;
  int32_t lastMonth = 0;
  int32_t lastDay = 0;
};

// The one log of this module, open from load to unload.
extern LogFile ModuleLog;

}  // namespace lumov
