// The tool as a user runs it: the real binary in a child process, its files read back with the
// ffmpeg command-line program (independent of the tool's own reader) and compared with what each
// effect must make of the input.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <tuple>

#include "support.h"

namespace lumov::test {
namespace {

struct Result {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
  long peakKilobytes = 0;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Starts `program` with `arguments`, its output going to files in `dir`; the tool finds its
// modules beside itself, not through the caller's environment.
pid_t Start(const std::string& program, const std::vector<std::string>& arguments,
            const fs::path& dir) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::unsetenv("LUMOV_PLUGIN_PATH");
    ::unsetenv("LUMOV_LOG_DIR");
    const int out = ::open((dir / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open((dir / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execvp(program.c_str(), argv.data());
    ::_exit(127);
  }
  return child;
}

Result Finish(pid_t child, const fs::path& dir) {
  Result result;
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.peakKilobytes = usage.ru_maxrss;
  result.out = ReadFile(dir / "stdout");
  result.err = ReadFile(dir / "stderr");
  return result;
}

class LumovTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "the ffmpeg program is needed to make and read test clips";
  }

  Result Lumov(const std::vector<std::string>& arguments) {
    return Finish(Start(LUMOV_BINARY, arguments, logs.Path()), logs.Path());
  }

  fs::path File(const std::string& name) const { return dir / name; }

  // Runs the ffmpeg program; the test fails when it does.
  void Ffmpeg(const std::string& arguments) {
    const std::string command = "ffmpeg -nostdin -v error -y " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // A lossless clip of moving test pictures.
  fs::path MakeClip(const std::string& name, int width, int height, int frames) {
    const fs::path path = File(name);
    Ffmpeg("-f lavfi -i testsrc2=size=" + std::to_string(width) + "x" + std::to_string(height) +
           ":rate=25 -frames:v " + std::to_string(frames) + " -pix_fmt bgr0 -c:v ffv1 " +
           path.string());
    return path;
  }

  TempDir dir;
  TempDir logs;
};

// Decoded pictures as rows of BGR bytes.
struct Frames {
  int width = 0;
  int height = 0;
  std::vector<std::string> pictures;

  uint8_t At(size_t frame, int x, int y, int channel) const {
    return uint8_t(pictures[frame][(size_t(y) * width + x) * 3 + channel]);
  }
};

Frames Decode(const fs::path& path, int width, int height) {
  Frames frames{width, height, {}};
  const std::string command =
      "ffmpeg -nostdin -v error -i '" + path.string() + "' -f rawvideo -pix_fmt bgr24 -";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr);
  if (pipe == nullptr) return frames;
  const size_t size = size_t(width) * height * 3;
  std::string picture(size, '\0');
  while (std::fread(picture.data(), 1, size, pipe) == size) frames.pictures.push_back(picture);
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return frames;
}

// Whether each picture of `actual` is the matching picture of `source` moved pixel by pixel.
template <class Mapping>
bool SameUnder(const Frames& actual, const Frames& source, Mapping map) {
  if (actual.pictures.size() != source.pictures.size()) return false;
  for (size_t f = 0; f < actual.pictures.size(); ++f) {
    for (int y = 0; y < actual.height; ++y) {
      for (int x = 0; x < actual.width; ++x) {
        const auto [sf, sx, sy] = map(f, x, y);
        for (int c = 0; c < 3; ++c) {
          if (actual.At(f, x, y, c) != source.At(sf, sx, sy, c)) return false;
        }
      }
    }
  }
  return true;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

constexpr int kWidth = 62;
constexpr int kHeight = 46;
constexpr int kFrames = 9;

TEST_F(LumovTest, ListShowsOneLinePerModuleWithItsRegistration) {
  const Result result = Lumov({"list"});
  ASSERT_EQ(result.status, 0) << result.err;
  const auto lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 5u) << result.out;
  const std::vector<std::vector<std::string>> expected = {
      {"Hotspot ", "Hotspot (V1.0 by Lumo)", "{C0340313-02D5-4D8E-ABFB-DF916DE4659B}",
       "LumovHotspot.fex"},
      {"HotspotMove ", "HotspotMove (V1.0 by Lumo)", "{6AB20A8B-64ED-4BA9-B327-2C2BE469C4B8}",
       "LumovHotspotMove.fex"},
      {"Mirror ", "Mirror (V1.2 by Lumo)", "{2CF5CDA2-BA06-4102-8E1B-FEEB6D83D1F9}",
       "LumovMirror.fex"},
      {"Multiple ", "Multiple (V1.1 by Lumo)", "{7A6FEFC1-E03C-479D-9B65-7B7B54EAF993}",
       "LumovMultiple.fex"},
      {"Reverse ", "Reverse (V1.1 by Lumo)", "{79FB05E4-D87E-41F2-AB96-966343AD58E5}",
       "LumovReverse.fex"},
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].rfind(expected[i][0], 0), 0u) << lines[i];
    for (const std::string& part : expected[i])
      EXPECT_NE(lines[i].find(part), std::string::npos) << lines[i];
    EXPECT_NE(lines[i].find("  Lumo Video Plugins  "), std::string::npos) << lines[i];
    EXPECT_NE(lines[i].find("  1.0  "), std::string::npos) << lines[i];
  }
}

TEST_F(LumovTest, ModulesAreFoundInTheDirectoryGivenOrNotAtAll) {
  const Result given = Lumov({"--plugins", LUMOV_PLUGIN_DIR, "list"});
  ASSERT_EQ(given.status, 0) << given.err;
  EXPECT_EQ(Lines(given.out).size(), 5u) << given.out;
  const Result byPath = Lumov({"info", PluginPath("LumovMirror")});
  ASSERT_EQ(byPath.status, 0) << byPath.err;
  EXPECT_EQ(Lines(byPath.out).front(), "Mirror (V1.2 by Lumo)");
  const Result none = Lumov({"--plugins", dir.Path().string(), "list"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "lumov: no plug-in modules found in " + dir.Path().string() +
                          " (use --plugins DIR or LUMOV_PLUGIN_PATH)\n");
}

TEST_F(LumovTest, InfoShowsTheDeclaredParameters) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"mirror",
       {"0  Vertical type    choice  0 to 3        0 \"None\"",
        "1  Horizontal type  choice  0 to 3        0 \"None\"",
        "choices of 1 \"Horizontal type\": 0 \"None\", 1 \"Top frame side\", 2 \"Bottom frame "
        "side\", 3 \"Complete frame\""}},
      {"MULTIPLE",
       {"0  Number of Blocks   integer  2 to 10   1     2",
        "4  Frame Color Blue   integer  0 to 255  1     0"}},
      {"Hotspot",
       {"2  Radius                real    10 to 100    0.1   25",
        "6  Transition            on/off  off, on            on",
        "7  Future use            real    -100 to 100  0.1   0"}},
      {"hotspotmove",
       {"0  Display/Render:       choice  0 to 2             0 \"Start Position\"",
        "9  Transition            on/off  off, on            on"}},
      {"reverse", {"Reverse (V1.1 by Lumo)", "no parameters"}},
  };
  for (const auto& [effect, parts] : cases) {
    const Result result = Lumov({"info", effect});
    ASSERT_EQ(result.status, 0) << effect << ": " << result.err;
    for (const std::string& part : parts)
      EXPECT_NE(result.out.find(part), std::string::npos) << effect << " lacks " << part << "\n"
                                                          << result.out;
  }
}

TEST_F(LumovTest, MirrorCompleteFrameInBothTurnsTheInputBy180Degrees) {
  const fs::path input = MakeClip("in.mkv", kWidth, kHeight, kFrames);
  const Frames source = Decode(input, kWidth, kHeight);
  ASSERT_EQ(source.pictures.size(), size_t(kFrames));
  // Full labels, and the shortest beginnings that name one label only.
  for (const auto& [depth, vertical] :
       {std::pair{"32", "Vertical type=Complete frame"}, std::pair{"24", "vert=compl"}}) {
    for (const std::string name : {"turned.mkv", "turned_%02d.png"}) {
      const Result result =
          Lumov({"render", "mirror", "-i", input.string(), "-o", File(name).string(), "-p",
                 vertical, "-p", "1=3", "--depth", depth});
      ASSERT_EQ(result.status, 0) << result.err;
      const Frames turned = Decode(File(name), kWidth, kHeight);
      EXPECT_TRUE(SameUnder(turned, source,
                            [](size_t f, int x, int y) {
                              return std::tuple{f, kWidth - 1 - x, kHeight - 1 - y};
                            }))
          << name << " at depth " << depth;
    }
  }
}

TEST_F(LumovTest, ReverseOfALosslessClipIsTheClipBackwards) {
  const fs::path input = MakeClip("in.mkv", kWidth, kHeight, kFrames);
  Ffmpeg("-i " + input.string() + " -start_number 0 " + File("in_%03d.png").string());
  const Frames source = Decode(input, kWidth, kHeight);
  ASSERT_EQ(source.pictures.size(), size_t(kFrames));
  const auto backwards = [](size_t f, int x, int y) { return std::tuple{kFrames - 1 - f, x, y}; };
  for (const fs::path& from : {input, File("in_%03d.png")}) {
    const Result result =
        Lumov({"render", "Reverse", "-i", from.string(), "-o", File("back.mkv").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(SameUnder(Decode(File("back.mkv"), kWidth, kHeight), source, backwards)) << from;
  }
  // A single picture is the first frame of the reversed clip: the input's last.
  ASSERT_EQ(
      Lumov({"render", "reverse", "-i", input.string(), "-o", File("first.png").string()}).status,
      0);
  const Frames first = Decode(File("first.png"), kWidth, kHeight);
  ASSERT_EQ(first.pictures.size(), 1u);
  EXPECT_EQ(first.pictures[0], source.pictures[kFrames - 1]);
  // The clip handed to the effect is the selected part of the input.
  ASSERT_EQ(Lumov({"render", "reverse", "-i", input.string(), "-o", File("part.mkv").string(),
                   "--frames", "2:5"})
                .status,
            0);
  const Frames part = Decode(File("part.mkv"), kWidth, kHeight);
  ASSERT_EQ(part.pictures.size(), 4u);
  for (size_t f = 0; f < 4; ++f) EXPECT_EQ(part.pictures[f], source.pictures[5 - f]) << f;
}

TEST_F(LumovTest, HotspotAndHotspotMoveWithIntensityZeroGiveTheInput) {
  const fs::path input = MakeClip("in.mkv", kWidth, kHeight, kFrames);
  const Frames source = Decode(input, kWidth, kHeight);
  for (const std::string effect : {"hotspot", "hotspotmove"}) {
    for (const std::string name : {"same.mkv", "same_%d.png"}) {
      const Result result = Lumov({"render", effect, "-i", input.string(), "-o",
                                   File(name).string(), "-p", "Intensity=0", "-p", "radius=60"});
      ASSERT_EQ(result.status, 0) << result.err;
      EXPECT_EQ(Decode(File(name), kWidth, kHeight).pictures, source.pictures)
          << effect << " " << name;
    }
  }
}

// Multiple's grid, built from the host's own resampling of the input.
Frames Grid(const Frames& source, int blocks) {
  Frames grid{source.width, source.height, {}};
  for (const std::string& picture : source.pictures) {
    host::ImageShape shape;
    shape.width = uint32_t(source.width);
    shape.height = uint32_t(source.height);
    auto image = MakeImage(shape);
    for (int y = 0; y < source.height; ++y)
      for (int x = 0; x < source.width; ++x)
        for (int c = 0; c < 3; ++c)
          image->Row(uint32_t(y))[x * 4 + c] =
              uint8_t(picture[(size_t(y) * source.width + x) * 3 + c]);
    image->Resample(1.0 / blocks, 1.0 / blocks, 0, 0);
    const int tileWidth = source.width / blocks;
    const int tileHeight = source.height / blocks;
    std::string out(picture.size(), '\0');
    for (int y = 0; y < tileHeight * blocks; ++y)
      for (int x = 0; x < tileWidth * blocks; ++x)
        for (int c = 0; c < 3; ++c)
          out[(size_t(y) * source.width + x) * 3 + c] =
              char(image->Row(uint32_t(y % tileHeight))[(x % tileWidth) * 4 + c]);
    grid.pictures.push_back(out);
  }
  return grid;
}

TEST_F(LumovTest, MultipleShowsAGridOfReducedCopies) {
  const fs::path input = MakeClip("in.mkv", kWidth, kHeight, 3);
  const Frames source = Decode(input, kWidth, kHeight);
  for (const std::string name : {"grid.mkv", "grid_%d.png"}) {
    const Result result =
        Lumov({"render", "multiple", "-i", input.string(), "-o", File(name).string(), "-p", "0=3"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Decode(File(name), kWidth, kHeight).pictures, Grid(source, 3).pictures) << name;
  }
}

TEST_F(LumovTest, KeyFramesAreInterpolatedForNumbersAndHeldForChoices) {
  const fs::path input = MakeClip("in.mkv", kWidth, kHeight, kFrames);
  const Frames source = Decode(input, kWidth, kHeight);
  // A choice holds its value from its key frame on.
  ASSERT_EQ(Lumov({"render", "mirror", "-i", input.string(), "-o", File("held.mkv").string(), "-p",
                   "Vertical type=None@0,complete frame@5"})
                .status,
            0);
  EXPECT_TRUE(
      SameUnder(Decode(File("held.mkv"), kWidth, kHeight), source, [](size_t f, int x, int y) {
        return std::tuple{f, f >= 5 ? kWidth - 1 - x : x, y};
      }));
  // Frame 6 of 0@0,0@4,40@8 has the intensity 20; an integer between 2@0 and 10@8 is 6 at frame 4.
  const std::vector<std::array<std::string, 4>> cases = {
      {"hotspot", "Intensity=0@0,0@4,40@8", "Intensity=20", "6"},
      {"multiple", "Number of Blocks=2@0,10@8", "Number of Blocks=6", "4"},
  };
  for (const auto& [effect, keyed, constant, frame] : cases) {
    ASSERT_EQ(Lumov({"render", effect, "-i", input.string(), "-o", File("keyed.mkv").string(), "-p",
                     keyed})
                  .status,
              0);
    ASSERT_EQ(Lumov({"render", effect, "-i", input.string(), "-o", File("constant.mkv").string(),
                     "-p", constant})
                  .status,
              0);
    const Frames keyedFrames = Decode(File("keyed.mkv"), kWidth, kHeight);
    const Frames constantFrames = Decode(File("constant.mkv"), kWidth, kHeight);
    const size_t at = size_t(std::stoi(frame));
    ASSERT_EQ(keyedFrames.pictures.size(), size_t(kFrames));
    EXPECT_EQ(keyedFrames.pictures[at], constantFrames.pictures[at]) << effect;
    EXPECT_EQ(keyedFrames.pictures[0] == constantFrames.pictures[0], false) << effect;
  }
}

TEST_F(LumovTest, FieldOrderReachesTheEffect) {
  // Interlaced material shifts Mirror's top-to-bottom flip by one row, and row 0 repeats row 1.
  const fs::path input = MakeClip("in.mkv", kWidth, kHeight, 2);
  const Frames source = Decode(input, kWidth, kHeight);
  for (const std::string fields : {"progressive", "tff", "bff"}) {
    ASSERT_EQ(Lumov({"render", "mirror", "-i", input.string(), "-o", File("flip.mkv").string(),
                     "-p", "Horizontal type=3", "--fields", fields})
                  .status,
              0);
    const bool interlaced = fields != "progressive";
    EXPECT_TRUE(SameUnder(Decode(File("flip.mkv"), kWidth, kHeight), source,
                          [&](size_t f, int x, int y) {
                            if (!interlaced) return std::tuple{f, x, kHeight - 1 - y};
                            return std::tuple{f, x, y == 0 ? kHeight - 1 : kHeight - y};
                          }))
        << fields;
  }
}

TEST_F(LumovTest, OutputFormatFollowsTheExtension) {
  const std::vector<std::array<std::string, 3>> cases = {
      {"out.mp4", "h264", "yuv420p"},
      {"out.mkv", "ffv1", "bgr0"},
      {"out.y4m", "rawvideo", "yuv420p"},
      {"out.png", "png", "rgb24"},
  };
  for (const auto& [name, codec, pixels] : cases) {
    const Result result =
        Lumov({"render", "mirror", "-i", "sample:64x48:5", "-o", File(name).string(), "--quiet"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string probe =
        "ffprobe -v error -show_entries stream=codec_name,pix_fmt,width,height -of csv=p=0 " +
        File(name).string() + " > " + File("probe").string();
    ASSERT_EQ(std::system(probe.c_str()), 0);
    EXPECT_EQ(ReadFile(File("probe")), codec + ",64,48," + pixels + "\n") << name;
  }
  EXPECT_EQ(Decode(File("out.mkv"), 64, 48).pictures.size(), 5u);
}

TEST_F(LumovTest, LogOptionSwitchesThePluginLogOnInTheDirectory) {
  const fs::path logDir = File("logs");
  const Result result = Lumov({"render", "hotspot", "-i", "sample:32x32:2", "-o",
                               File("x.mkv").string(), "--log", logDir.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find((logDir / "LumovHotspot.LOG").string()), std::string::npos)
      << result.err;
  EXPECT_TRUE(fs::exists(logDir / "LumovHotspot.sem"));
  const std::string log = ReadFile(logDir / "LumovHotspot.LOG");
  EXPECT_NE(log.find("RenderHotspot::Initialize of Instance"), std::string::npos) << log;
}

TEST_F(LumovTest, UserErrorsGiveOneLineAnExitStatusAndNoOutput) {
  const fs::path input = MakeClip("in.mkv", kWidth, kHeight, 2);
  std::ofstream(File("existing.mkv")) << "old";
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  };
  const std::string in = input.string();
  const std::vector<Case> cases = {
      {{"render", "sepia", "-i", in, "-o", "OUT"}, 2, "unknown effect \"sepia\""},
      {{"render", "mirror", "-i", in, "-o", "OUT", "-p", "Colour=1"},
       2,
       "unknown parameter \"Colour\""},
      {{"render", "multiple", "-i", in, "-o", "OUT", "-p", "Frame Color=1"},
       2,
       "unknown parameter \"Frame Color\""},
      {{"render", "hotspot", "-i", in, "-o", "OUT", "-p", "X-Position=101"},
       2,
       "\"X-Position\" takes a number from -100 to 100"},
      {{"render", "multiple", "-i", in, "-o", "OUT", "-p", "0=1"},
       2,
       "\"Number of Blocks\" takes a whole number from 2 to 10"},
      {{"render", "mirror", "-i", in, "-o", "OUT", "-p", "Vertical type=Upside"},
       2,
       "\"Vertical type\" takes one of 0 \"None\""},
      {{"render", "hotspot", "-i", in, "-o", "OUT", "-p", "Transition=maybe"},
       2,
       "\"Transition\" takes on or off"},
      {{"render", "hotspot", "-i", in, "-o", "OUT", "-p", "Radius=20@5,30@2"},
       2,
       "increasing frame order"},
      {{"render", "mirror", "-i", File("missing.mp4").string(), "-o", "OUT"}, 1, "cannot read"},
      {{"render", "mirror", "-i", File("stderr").string(), "-o", "OUT"}, 1, "cannot read"},
      {{"render", "mirror", "-i", in, "-o", File("no/such/dir/out.mkv").string()},
       1,
       "cannot write"},
      {{"render", "mirror", "-i", in, "-o", File("out.nosuchformat").string()},
       2,
       "cannot tell the output format"},
      {{"render", "mirror", "-i", in, "-o", "OUT", "--frames", "1:7"}, 2, "has 2 frames"},
  };
  for (const std::string& output : {File("fresh.mkv").string(), File("existing.mkv").string()}) {
    for (Case c : cases) {
      for (std::string& argument : c.arguments) {
        if (argument == "OUT") argument = output;
      }
      const Result result = Lumov(c.arguments);
      EXPECT_EQ(result.status, c.status) << c.message;
      EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
      EXPECT_EQ(result.err.rfind("lumov: ", 0), 0u) << result.err;
      EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
  }
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"existing.mkv", "in.mkv"}));
  EXPECT_EQ(ReadFile(File("existing.mkv")), "old");
}

TEST_F(LumovTest, AFrameTheEffectRefusesStopsTheRenderNamingFrameAndCode) {
  std::ofstream(File("existing.mkv")) << "old";
  const Result result = Lumov({"render", LUMOV_REFUSING_MODULE, "-i", "sample:64x48:5", "-o",
                               File("existing.mkv").string()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(Lines(result.err),
            std::vector<std::string>{
                "lumov: Refusing: frame 2: ProcessBegin failed with code 23130 (0x5A5A)"});
  EXPECT_EQ(ReadFile(File("existing.mkv")), "old");
}

TEST_F(LumovTest, AnInterruptedRenderLeavesNothingBehind) {
  std::ofstream(File("existing.mkv")) << "old";
  const pid_t child = Start(
      LUMOV_BINARY,
      {"render", "mirror", "-i", "sample:64x48:10000000", "-o", File("existing.mkv").string()},
      logs.Path());
  // Once the temporary file is there the render is under way.
  const auto temporary = [&]() {
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
      if (entry.path().filename().string().front() == '.') return true;
    }
    return false;
  };
  // A child that ends before it gets there stays waitable for Finish (WNOWAIT).
  const auto ended = [&]() {
    siginfo_t info{};
    return ::waitid(P_PID, id_t(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == child;
  };
  while (!temporary() && !ended()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(temporary()) << Finish(child, logs.Path()).err;
  ASSERT_EQ(::kill(child, SIGINT), 0);
  const Result result = Finish(child, logs.Path());
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"existing.mkv"});
  EXPECT_EQ(ReadFile(File("existing.mkv")), "old");
}

TEST_F(LumovTest, ReversingAClipHoldsABoundedNumberOfFrames) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's own memory hides the tool's";
#endif
  // 600 frames with a key frame every 25: all of them held as the plug-in sees them would take
  // 184 MB; the frame source may add at most 64 such frames to what rendering without it takes.
  constexpr int width = 320;
  constexpr int height = 240;
  constexpr int frames = 600;
  Ffmpeg(
      "-f lavfi -i testsrc2=size=320x240:rate=25 -frames:v 600 -c:v libx264 -preset ultrafast "
      "-g 25 -keyint_min 25 -pix_fmt yuv420p " +
      File("long.mp4").string());
  const Result plain = Lumov(
      {"render", "mirror", "-i", File("long.mp4").string(), "-o", File("plain.mkv").string()});
  ASSERT_EQ(plain.status, 0) << plain.err;
  const Result reversed = Lumov(
      {"render", "reverse", "-i", File("long.mp4").string(), "-o", File("reversed.mkv").string()});
  ASSERT_EQ(reversed.status, 0) << reversed.err;
  const long frameKilobytes = long(width) * height * 4 / 1024;
  EXPECT_LT(reversed.peakKilobytes - plain.peakKilobytes, 64 * frameKilobytes)
      << "plain " << plain.peakKilobytes << " kB, reversed " << reversed.peakKilobytes << " kB";
  EXPECT_LT(64 * frameKilobytes, frames * frameKilobytes / 2);
  // And the frames come out backwards.
  const Frames forward = Decode(File("plain.mkv"), width, height);
  const Frames backward = Decode(File("reversed.mkv"), width, height);
  ASSERT_EQ(backward.pictures.size(), size_t(frames));
  for (size_t f = 0; f < size_t(frames); f += 37)
    EXPECT_EQ(backward.pictures[f], forward.pictures[frames - 1 - f]) << f;
}

}  // namespace
}  // namespace lumov::test
