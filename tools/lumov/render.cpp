#include "render.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "clip.h"
#include "decoded_frames.h"
#include "effect_instance.h"
#include "errors.h"
#include "frame_source.h"
#include "parameter_values.h"
#include "plugins.h"
#include "video_input.h"
#include "video_output.h"

namespace lumov::tool {
namespace fs = std::filesystem;
namespace {

volatile std::sig_atomic_t interruptRequested = 0;

void OnInterrupt(int) {
  interruptRequested = 1;
}

// "frames done of total, frames per second, time left" on one line of a terminal.
class Progress {
 public:
  Progress(int64_t total, bool enabled)
      : total(total), enabled(enabled && ::isatty(STDERR_FILENO) == 1) {}
  ~Progress() { Clear(); }

  void Clear() {
    if (shown) std::fprintf(stderr, "\r%*s\r", int(width), "");
    shown = false;
  }

  void Update(int64_t done) {
    if (!enabled) return;
    const auto now = Clock::now();
    if (done < total && now - lastShown < std::chrono::milliseconds(250)) return;
    lastShown = now;
    const double seconds = std::chrono::duration<double>(now - start).count();
    const double rate = seconds > 0.0 ? double(done) / seconds : 0.0;
    const auto left = rate > 0.0 ? int64_t(double(total - done) / rate + 0.5) : int64_t(0);
    char line[128];
    width =
        size_t(std::snprintf(line, sizeof line, "frame %lld of %lld  %.1f fps  %lld:%02lld left  ",
                             static_cast<long long>(done), static_cast<long long>(total), rate,
                             static_cast<long long>(left / 60), static_cast<long long>(left % 60)));
    std::fprintf(stderr, "\r%s", line);
    std::fflush(stderr);
    shown = true;
  }

 private:
  using Clock = std::chrono::steady_clock;
  int64_t total;
  bool enabled;
  bool shown = false;
  size_t width = 0;
  Clock::time_point start = Clock::now();
  Clock::time_point lastShown{};
};

FieldOrder Decide(FieldsMode mode, FieldOrder found) {
  switch (mode) {
    case FieldsMode::Progressive:
      return {false, false};
    case FieldsMode::TopFieldFirst:
      return {true, false};
    case FieldsMode::BottomFieldFirst:
      return {true, true};
    case FieldsMode::Auto:
      break;
  }
  return found;
}

std::string CodeText(int32_t code) {
  char text[48];
  std::snprintf(text, sizeof text, "%d (0x%X)", code, unsigned(code));
  return text;
}

// The plug-in reads LUMOV_LOG_DIR when it is loaded and logs only when its marker file exists.
void PrepareLog(const fs::path& directory, const std::string& moduleName, bool quiet) {
  std::error_code error;
  fs::create_directories(directory, error);
  const fs::path absolute = fs::absolute(directory, error);
  if (error)
    throw Failure("cannot use log directory " + directory.string() + ": " + error.message());
  const fs::path marker = absolute / (moduleName + ".sem");
  std::ofstream(marker, std::ios::app);
  if (!fs::exists(marker)) throw Failure("cannot create " + marker.string());
  ::setenv("LUMOV_LOG_DIR", absolute.c_str(), 1);
  if (!quiet)
    std::fprintf(stderr, "lumov: plug-in log: %s\n", (absolute / (moduleName + ".LOG")).c_str());
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
  return interruptRequested != 0;
}

void Render(const RenderJob& job) {
  if (!job.logDirectory.empty())
    PrepareLog(job.logDirectory, job.module.stem().string(), job.quiet);
  std::string error;
  auto module = host::PluginModule::Load(job.module.string(), &error);
  if (!module) throw Failure("cannot load " + job.module.string() + ": " + error);

  // Declared before the effect so that it outlives the effect that borrows it.
  ComRef<host::ClipFrameSource> frameSource;
  auto instance = host::EffectInstance::Create(std::move(module), &error);
  if (!instance) throw Failure(error);
  const std::string effectName = EffectNameOf(instance->Registration().name);
  const auto settings = ParseSettings(job.parameters, instance->Parameters(), effectName);

  auto clip = OpenClip(job.input, ClipAccess::Sequential);
  const int64_t total = clip->FrameCount();
  const int64_t first = job.first.value_or(0);
  const int64_t last = job.last.value_or(total - 1);
  if (first < 0 || first > last || last >= total) {
    throw UsageError("--frames " + std::to_string(first) + ":" + std::to_string(last) + ": " +
                     job.input + " has " + std::to_string(total) + " frames (0 to " +
                     std::to_string(total - 1) + ")");
  }
  const int64_t count = last - first + 1;
  if (count > INT32_MAX) throw UsageError("--frames: at most 2147483647 frames at a time");
  const Rational rate = clip->FrameRate();

  VideoOutput output(job.output, OutputSettings{clip->Width(), clip->Height(), rate,
                                                Decide(job.fields, clip->Fields())});
  if (!job.quiet) {
    for (const std::string& note : output.Notes())
      std::fprintf(stderr, "lumov: %s\n", note.c_str());
  }

  instance->Parameters().SetClipTiming(host::ClipTimingFor(count, rate.num, rate.den));
  IFrameAccess* access = nullptr;
  if (instance->Effect()->QueryInterface(&IFrameAccess::kIid, reinterpret_cast<void**>(&access)) ==
          kResultOk &&
      access != nullptr) {
    auto frames = std::make_shared<DecodedFrames>(clip->Reopen(ClipAccess::Random), first, count);
    const Clip& reader = frames->Reader();
    frameSource = host::New<host::ClipFrameSource>(std::move(frames), instance->Position());
    frameSource->ProvideFramesTo(instance->Images());
    int32_t a = 0;
    int32_t b = 0;
    access->AttachFrameSource(&a, &b, frameSource.get());
    access->Release();
    if (job.verbose) {
      if (const auto* video = dynamic_cast<const VideoInput*>(&reader))
        std::fprintf(stderr, "lumov: frame source keeps at most %zu decoded frames\n",
                     video->CacheCapacity());
    }
  }
  if (job.verbose) {
    std::fprintf(stderr, "lumov: %s, %dx%d, %lld frames at %d/%d fps -> %s (%s)\n",
                 job.module.string().c_str(), clip->Width(), clip->Height(),
                 static_cast<long long>(count), rate.num, rate.den, job.output.c_str(),
                 output.Description().c_str());
  }

  host::ImageShape shape;
  shape.width = uint32_t(clip->Width());
  shape.height = uint32_t(clip->Height());
  shape.bitDepth = uint32_t(job.depth);
  const int64_t frames = output.SinglePicture() ? 1 : count;
  const auto started = std::chrono::steady_clock::now();
  Progress progress(frames, !job.quiet);
  ComRef<host::Image> input;
  for (int64_t frame = 0; frame < frames; ++frame) {
    if (Interrupted()) {
      throw Failure("interrupted at frame " + std::to_string(frame) + " of " +
                    std::to_string(frames) + "; " + job.output + " not written");
    }
    // Effects may resample their input in place (Multiple does): such an image is replaced.
    if (!input || input->Width() != shape.width || input->Height() != shape.height ||
        input->Shape().bitDepth != shape.bitDepth) {
      input = host::Image::Create(shape);
      if (!input)
        throw Failure("out of memory for a picture of " + std::to_string(shape.width) + "x" +
                      std::to_string(shape.height));
    }
    const FieldOrder fields = Decide(job.fields, clip->Read(first + frame, *input));
    input->SetFieldMode(fields.interlaced ? 1 : 0, fields.bottomFirst ? 1 : 0);
    instance->Input().Set(input);
    instance->Position().Set(int32_t(frame));
    ApplySettings(settings, frame);

    const std::string where = effectName + ": frame " + std::to_string(frame);
    if (const int32_t code = instance->Begin(); code != kResultOk)
      throw Failure(where + ": ProcessBegin failed with code " + CodeText(code));
    if (const int32_t code = instance->Process(); code != kResultOk)
      throw Failure(where + ": Process failed with code " + CodeText(code));
    if (const int32_t code = instance->End(); code != kResultOk)
      throw Failure(where + ": ProcessEnd failed with code " + CodeText(code));
    if (frameSource && !frameSource->Error().empty())
      throw Failure(where + ": " + frameSource->Error());
    host::Image* result = instance->Output().Get();
    if (result == nullptr) throw Failure(where + ": the effect left no output picture");
    if (frame == job.grabFrame && job.grab) job.grab(*result);
    output.Write(*result, fields);
    progress.Update(frame + 1);
  }
  if (Interrupted()) throw Failure("interrupted; " + job.output + " not written");
  output.Finish();
  progress.Clear();
  if (!job.quiet) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "lumov: wrote %s (%lld frame%s, %dx%d, %.1f s)\n", job.output.c_str(),
                 static_cast<long long>(frames), frames == 1 ? "" : "s", clip->Width(),
                 clip->Height(), seconds);
  }
}

}  // namespace lumov::tool
