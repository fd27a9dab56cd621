#include "log_file.h"

#include <cstdarg>

namespace lumov {
namespace {

constexpr char kNewLogNotice[] = "%s%s*INFO* New log file opened    *************************\n";
constexpr char kActualLogNotice[] = "%s%s*INFO* Actual log file opened *************************\n";
constexpr char kClosedNotice[] = "%s%s*INFO* Log file closed        *************************\n";
constexpr char kDateChangedNotice[] = "%s%s*INFO* Date changed\n";
constexpr char kMaxLengthNotice[] = "%s%s*INFO*: Max length reached, log file closed\n";
constexpr char kNextLogNotice[] = "%s%s*INFO* New log file opened\n";
constexpr char kTooLongText[] = "*ERROR*: max buffer size reached\n";

constexpr int kReadBufferSize = 256;
constexpr int kMessageBufferSize = 1200;
constexpr int kRenameFailed = 999;

}  // namespace

LogFile::LogFile(const std::string& basePath, int32_t limit, const char* markerPath,
                 const platform::LogServices& services)
    : services(services),
      maxLines(limit < 10 ? 1000 : limit),
      logPath(basePath + ".LOG"),
      backupPath(basePath + ".BAK") {
  if (markerPath != nullptr && !services.exists(markerPath)) return;
  UpdateStamps(false);
  if (!services.exists(logPath.c_str())) {
    file = services.openFile(logPath.c_str(), "at");
    if (file == nullptr) return;
    WriteNotice(kNewLogNotice);
  } else {
    std::FILE* existing = services.openFile(logPath.c_str(), "rt");
    if (existing == nullptr) return;
    char buffer[kReadBufferSize];
    while (std::fgets(buffer, kReadBufferSize, existing) != nullptr) ++lineCount;
    std::fclose(existing);
    file = services.openFile(logPath.c_str(), "at");
    if (file == nullptr) return;
    WriteNotice(kActualLogNotice);
  }
  ++lineCount;
  std::fflush(file);
}

LogFile::~LogFile() {
  if (file == nullptr) return;
  WriteNotice(kClosedNotice);
  std::fclose(file);
  file = nullptr;
}

void LogFile::Write(const char* format, ...) {
  if (file == nullptr) return;
  UpdateStamps(true);
  char text[kMessageBufferSize];
  std::va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  const char* line = length < 0 || length > kMaxMessageLength ? kTooLongText : text;
  std::fprintf(file, "%s%s\n", timeStamp, line);
  std::fflush(file);
  ++lineCount;
  RotateIfFull();
}

void LogFile::WriteNotice(const char* format) {
  std::fprintf(file, format, timeStamp, dateStamp);
}

int LogFile::UpdateStamps(bool writeNotice) {
  const std::tm now = services.localNow();
  std::snprintf(timeStamp, sizeof timeStamp, "%02d:%02d:%02d ", now.tm_hour, now.tm_min,
                now.tm_sec);
  if (now.tm_year == lastYear && now.tm_mon == lastMonth && now.tm_mday == lastDay) return 0;
  lastYear = now.tm_year;
  lastMonth = now.tm_mon;
  lastDay = now.tm_mday;
  std::snprintf(dateStamp, sizeof dateStamp, "%02d.%02d.%04d ", now.tm_mday, now.tm_mon + 1,
                now.tm_year + 1900);
  if (writeNotice) {
    WriteNotice(kDateChangedNotice);
    ++lineCount;
  }
  return 1;
}

void LogFile::RotateIfFull() {
  if (file == nullptr || lineCount <= maxLines) return;
  WriteNotice(kMaxLengthNotice);
  std::fclose(file);
  BackupLogFile(logPath.c_str(), backupPath.c_str());
  file = services.openFile(logPath.c_str(), "at");
  if (file == nullptr) return;
  WriteNotice(kNextLogNotice);
  std::fflush(file);
  lineCount = 1;
}

int LogFile::BackupLogFile(const char* logPath, const char* backupPath) {
  if (services.exists(backupPath)) services.removeFile(backupPath);
  return services.renameFile(logPath, backupPath) ? 0 : kRenameFailed;
}

}  // namespace lumov
