// The diagnostic log on its own, with a clock the test sets and a rename that can be made to fail.
#include "log_file.h"

#include <climits>
#include <fstream>

#include "support.h"

namespace lumov::test {
namespace {

// What the fake services answer; reset by every test.
struct FakeWorld {
  std::tm now{};
  bool renameFails = false;
};
FakeWorld world;

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

// Like the Win32 rename, it never replaces an existing file.
bool FakeRename(const char* from, const char* to) {
  const platform::LogServices& system = platform::SystemLogServices();
  return !world.renameFails && !system.exists(to) && system.renameFile(from, to);
}

std::tm FakeNow() {
  return world.now;
}

const platform::LogServices kFakeServices{platform::SystemLogServices().exists,
                                          platform::SystemLogServices().removeFile, FakeRename,
                                          platform::SystemLogServices().openFile, FakeNow};

constexpr char kNewNotice[] = "*INFO* New log file opened    *************************";
constexpr char kActualNotice[] = "*INFO* Actual log file opened *************************";
constexpr char kClosedNotice[] = "*INFO* Log file closed        *************************";
constexpr char kFullNotice[] = "*INFO*: Max length reached, log file closed";
constexpr char kNextNotice[] = "*INFO* New log file opened";

class LogFileTest : public ::testing::Test {
 protected:
  LogFileTest() { world = FakeWorld{.now = At(2024, 3, 5, 7, 8, 9)}; }

  std::string Base() const { return (dir / "Test").string(); }
  fs::path LogPath() const { return dir / "Test.LOG"; }
  fs::path BackupPath() const { return dir / "Test.BAK"; }
  std::string MarkerPath() const { return (dir / "Test.sem").string(); }
  std::unique_ptr<LogFile> Open(int32_t limit = 10000) const {
    return std::make_unique<LogFile>(Base(), limit, MarkerPath().c_str(), kFakeServices);
  }
  void WriteFile(const fs::path& path, const std::string& content) const {
    std::ofstream(path, std::ios::binary) << content;
  }

  TempDir dir;
};

class LogFileWithMarker : public LogFileTest {
 protected:
  LogFileWithMarker() { WriteFile(MarkerPath(), ""); }
};

TEST_F(LogFileTest, StaysInactiveAndTouchesNothingWithoutItsMarker) {
  auto log = Open();
  EXPECT_FALSE(log->IsActive());
  log->Write("dropped %d", 1);
  log.reset();
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST_F(LogFileTest, AnyKindOfMarkerOrNoneSwitchesItOn) {
  fs::create_directory(MarkerPath());
  EXPECT_TRUE(Open()->IsActive()) << "a directory as marker";
  fs::remove(LogPath());
  EXPECT_TRUE(LogFile(Base(), 10000, nullptr, kFakeServices).IsActive()) << "no marker path";
}

TEST_F(LogFileWithMarker, StartsANewFileWithItsBanner) {
  auto log = Open();
  EXPECT_EQ(log->LineCount(), 1);
  EXPECT_EQ(ReadLines(LogPath()),
            std::vector<std::string>{std::string("07:08:09 05.03.2024 ") + kNewNotice});
}

struct ExistingFileCase {
  const char* name;
  std::string content;
  int32_t reads;  // pieces of at most 255 characters, each ending at the latest after a line end
};

void PrintTo(const ExistingFileCase& existing, std::ostream* out) {
  *out << existing.name;
}

class ExistingLogFile : public LogFileWithMarker,
                        public ::testing::WithParamInterface<ExistingFileCase> {};

std::string Lines(int count, const std::string& line) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line + "\n";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Counting, ExistingLogFile,
    ::testing::Values(ExistingFileCase{"FiveHundredShortLines", Lines(500, "short line"), 500},
                      ExistingFileCase{"OneLineOf300", Lines(1, std::string(300, 'x')), 2},
                      ExistingFileCase{"OneLineOf254", Lines(1, std::string(254, 'x')), 1},
                      ExistingFileCase{"OneLineOf255", Lines(1, std::string(255, 'x')), 2},
                      ExistingFileCase{"LastLineWithoutLineEnd", "one\ntwo", 2},
                      ExistingFileCase{"Empty", "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(ExistingLogFile, CountsItsLinesAndAppendsTheNotice) {
  const ExistingFileCase& existing = GetParam();
  WriteFile(LogPath(), existing.content);
  auto log = Open();
  EXPECT_EQ(log->LineCount(), existing.reads + 1);
  std::ifstream in(LogPath(), std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(content, existing.content + "07:08:09 05.03.2024 " + kActualNotice + "\n");
}

TEST(LogFileLimit, BelowTenBecomesAThousand) {
  const TempDir dir;
  for (const auto& [limit, maxLines] :
       {std::pair{9, 1000}, {10, 10}, {0, 1000}, {-1, 1000}, {INT_MIN, 1000}, {10000, 10000}}) {
    EXPECT_EQ(LogFile((dir / "Test").string(), limit, nullptr, kFakeServices).MaxLines(), maxLines)
        << "limit " << limit;
  }
}

TEST_F(LogFileWithMarker, MovesAFullFileToTheBackup) {
  WriteFile(BackupPath(), "an older backup\n");
  auto log = Open(10);
  for (int i = 1; i <= 9; ++i) log->Write("message %d", i);
  EXPECT_EQ(log->LineCount(), 10);
  EXPECT_EQ(ReadLines(BackupPath()), std::vector<std::string>{"an older backup"});
  world.now = At(2024, 3, 5, 7, 9, 0);
  log->Write("message %d", 10);

  const std::vector<std::string> backup = ReadLines(BackupPath());
  ASSERT_EQ(backup.size(), 12u);
  EXPECT_EQ(backup.front(), std::string("07:08:09 05.03.2024 ") + kNewNotice);
  EXPECT_EQ(backup[10], "07:09:00 message 10");
  EXPECT_EQ(backup.back(), std::string("07:09:00 05.03.2024 ") + kFullNotice);
  EXPECT_EQ(ReadLines(LogPath()),
            std::vector<std::string>{std::string("07:09:00 05.03.2024 ") + kNextNotice});
  EXPECT_EQ(log->LineCount(), 1);
  log->Write("message 11");
  EXPECT_EQ(ReadLines(LogPath()).back(), "07:09:00 message 11");
}

TEST_F(LogFileWithMarker, KeepsWritingToTheSameFileWhenTheRenameFails) {
  WriteFile(BackupPath(), "an older backup\n");
  world.renameFails = true;
  auto log = Open(10);
  for (int i = 1; i <= 11; ++i) log->Write("message %d", i);

  std::vector<std::string> expected = {std::string("07:08:09 05.03.2024 ") + kNewNotice};
  for (int i = 1; i <= 10; ++i) expected.push_back("07:08:09 message " + std::to_string(i));
  expected.push_back(std::string("07:08:09 05.03.2024 ") + kFullNotice);
  expected.push_back(std::string("07:08:09 05.03.2024 ") + kNextNotice);
  expected.push_back("07:08:09 message 11");
  EXPECT_EQ(ReadLines(LogPath()), expected);
  EXPECT_EQ(log->LineCount(), 2);
  EXPECT_TRUE(log->IsActive());
}

TEST_F(LogFileWithMarker, ReplacesMessagesLongerThan1198Characters) {
  auto log = Open();
  const std::string fits(1198, 'a');
  for (size_t length : {1198, 1199, 5000}) {
    const int32_t countBefore = log->LineCount();
    log->Write("%s", std::string(length, 'a').c_str());
    EXPECT_EQ(log->LineCount(), countBefore + 1) << length;
  }
  EXPECT_EQ(
      ReadLines(LogPath()),
      (std::vector<std::string>{std::string("07:08:09 05.03.2024 ") + kNewNotice,
                                "07:08:09 " + fits, "07:08:09 *ERROR*: max buffer size reached", "",
                                "07:08:09 *ERROR*: max buffer size reached", ""}));
}

TEST_F(LogFileWithMarker, NotesADateChangeBeforeTheMessage) {
  world.now = At(2024, 12, 31, 23, 59, 58);
  auto log = Open();
  world.now = At(2024, 12, 31, 23, 59, 59);
  log->Write("same day");
  EXPECT_EQ(log->LineCount(), 2);
  world.now = At(2025, 1, 1, 0, 0, 1);
  log->Write("next day");
  EXPECT_EQ(log->LineCount(), 4);
  EXPECT_EQ(ReadLines(LogPath()),
            (std::vector<std::string>{
                std::string("23:59:58 31.12.2024 ") + kNewNotice, "23:59:59 same day",
                "00:00:01 01.01.2025 *INFO* Date changed", "00:00:01 next day"}));
}

TEST_F(LogFileWithMarker, ClosingNoticeCarriesTheStampsOfTheLastLine) {
  auto log = Open();
  world.now = At(2024, 3, 5, 10, 0, 5);
  log->Write("last");
  world.now = At(2024, 3, 6, 11, 30, 0);
  log.reset();
  EXPECT_EQ(ReadLines(LogPath()).back(), std::string("10:00:05 05.03.2024 ") + kClosedNotice);
}

}  // namespace
}  // namespace lumov::test
