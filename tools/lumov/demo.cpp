#include "demo.h"

#include <cstdio>
#include <map>
#include <system_error>

#include "errors.h"
#include "font.h"
#include "plugins.h"
#include "render.h"
#include "sample_clip.h"
#include "video_output.h"

namespace lumov::tool {
namespace fs = std::filesystem;
namespace {

constexpr const char* kClip = "sample:640x360:100";
constexpr const char* kInterlacedClip = "sample:640x360:100:interlaced";
constexpr int64_t kSheetFrame = 30;

// One picture of the contact sheet: a render, or the source itself when there is no effect.
struct DemoRender {
  const char* label;
  const char* file;
  const char* effect;
  std::vector<std::string> parameters;
  bool interlaced;
};

const std::vector<DemoRender>& Renders() {
  static const std::vector<DemoRender> renders = {
      {"Source", nullptr, nullptr, {}, false},
      {"Mirror",
       "mirror.mp4",
       "Mirror",
       {"Vertical type=Left frame side", "Horizontal type=Top frame side"},
       false},
      {"Multiple",
       "multiple.mp4",
       "Multiple",
       {"Number of Blocks=3", "Frame Size=40", "Frame Color Red=255@0,40@99",
        "Frame Color Green=200", "Frame Color Blue=0@0,255@99"},
       false},
      {"Hotspot",
       "hotspot.mp4",
       "Hotspot",
       {"X-Position=-35", "Y-Position=-10", "Radius=40", "Intensity=60", "Outside: Black/White=on"},
       false},
      {"HotspotMove",
       "hotspotmove.mp4",
       "HotspotMove",
       {"Display/Render=Move Hotspot", "X-Start Position=-70", "Y-Start Position=-40",
        "X-End Position=70", "Y-End Position=40", "Radius=30", "Intensity=70"},
       false},
      {"Reverse", "reverse.mp4", "Reverse", {}, false},
      {"Source (interlaced)", nullptr, nullptr, {}, true},
      {"Mirror (interlaced)",
       "mirror-interlaced.mp4",
       "Mirror",
       {"Vertical type=Complete frame", "Horizontal type=Complete frame"},
       true},
      {"Reverse (interlaced)", "reverse-interlaced.mp4", "Reverse", {}, true},
  };
  return renders;
}

// A half-size copy of a picture for the contact sheet.
ComRef<host::Image> Thumbnail(host::Image& picture) {
  host::ImageShape shape = picture.Shape();
  shape.bitDepth = 32;
  auto copy = host::Image::Create(shape);
  if (!copy || picture.CopyTo(copy.get(), 2) != kResultOk ||
      copy->Resample(0.5, 0.5, 0, 0) != kResultOk)
    throw Failure("cannot make the contact sheet's pictures");
  return copy;
}

void WriteSheet(const fs::path& file,
                const std::vector<std::pair<std::string, ComRef<host::Image>>>& cells) {
  constexpr int kColumns = 3;
  constexpr int kMargin = 12;
  constexpr int kLabelScale = 2;
  constexpr int kLabelHeight = kGlyphHeight * kLabelScale + 8;
  const int cellWidth = int(cells.front().second->Width());
  const int cellHeight = int(cells.front().second->Height());
  const int rows = (int(cells.size()) + kColumns - 1) / kColumns;
  const int titleHeight = kLabelHeight + kMargin;

  host::ImageShape shape;
  shape.width = uint32_t(kColumns * cellWidth + (kColumns + 1) * kMargin);
  shape.height = uint32_t(titleHeight + rows * (kLabelHeight + cellHeight) + (rows + 1) * kMargin);
  shape.bitDepth = 32;
  auto sheet = host::Image::Create(shape);
  if (!sheet) throw Failure("out of memory for the contact sheet");
  Canvas canvas(*sheet);
  canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), {30, 30, 30});
  const Color white = {235, 235, 235};
  DrawText(canvas, kMargin, kMargin,
           "LUMOV DEMO - FRAME " + std::to_string(kSheetFrame) + " OF EVERY RENDER", kLabelScale,
           white);
  for (size_t i = 0; i < cells.size(); ++i) {
    const int left = kMargin + int(i % kColumns) * (cellWidth + kMargin);
    const int top =
        titleHeight + kMargin + int(i / kColumns) * (kLabelHeight + cellHeight + kMargin);
    DrawText(canvas, left, top, cells[i].first, kLabelScale, white);
    host::Image& picture = *cells[i].second;
    for (uint32_t y = 0; y < picture.Height(); ++y) {
      const uint8_t* row = picture.Row(y);
      for (uint32_t x = 0; x < picture.Width(); ++x)
        canvas.Put(left + int(x), top + kLabelHeight + int(y),
                   {row[x * 4], row[x * 4 + 1], row[x * 4 + 2]});
    }
  }
  VideoOutput output(file.string(),
                     OutputSettings{int(shape.width), int(shape.height), {25, 1}, {}});
  output.Write(*sheet, {});
  output.Finish();
}

ComRef<host::Image> SourceFrame(const std::string& input) {
  SampleClip clip(ParseSampleSpec(input));
  host::ImageShape shape;
  shape.width = uint32_t(clip.Width());
  shape.height = uint32_t(clip.Height());
  auto picture = host::Image::Create(shape);
  if (!picture) throw Failure("out of memory");
  clip.Read(kSheetFrame, *picture);
  return Thumbnail(*picture);
}

}  // namespace

void RunDemo(const fs::path& directory, const std::vector<fs::path>& pluginDirectories, bool quiet,
             bool verbose) {
  std::error_code error;
  fs::create_directories(directory, error);
  if (error) throw Failure("cannot create " + directory.string() + ": " + error.message());

  std::map<std::string, fs::path> modules;
  for (const ModuleEntry& entry : ScanModules(pluginDirectories)) {
    if (!entry.effectName.empty()) modules.emplace(entry.effectName, entry.path);
  }
  for (const DemoRender& render : Renders()) {
    if (render.effect != nullptr && modules.count(render.effect) == 0) {
      throw Failure(std::string("the demo needs the ") + render.effect + " module; none in " +
                    JoinDirectories(pluginDirectories));
    }
  }

  std::vector<std::pair<std::string, ComRef<host::Image>>> cells;
  for (const DemoRender& render : Renders()) {
    const char* input = render.interlaced ? kInterlacedClip : kClip;
    if (render.effect == nullptr) {
      cells.emplace_back(render.label, SourceFrame(input));
      continue;
    }
    RenderJob job;
    job.module = modules.at(render.effect);
    job.input = input;
    job.output = (directory / render.file).string();
    job.parameters = render.parameters;
    job.quiet = quiet;
    job.verbose = verbose;
    job.grabFrame = kSheetFrame;
    std::string label = render.label;
    job.grab = [&cells, label](host::Image& picture) {
      cells.emplace_back(label, Thumbnail(picture));
    };
    Render(job);
  }
  const fs::path sheet = directory / "overview.png";
  WriteSheet(sheet, cells);
  if (!quiet) std::fprintf(stderr, "lumov: wrote %s\n", sheet.c_str());
}

}  // namespace lumov::tool
