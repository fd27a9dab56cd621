// Process of every Mirror mode and of Multiple, each beside the plain frame copy of the same size,
// and the host's Resample that Multiple's Process includes, timed on its own.
#include <chrono>
#include <string>

#include "bench_support.h"

namespace lumov::bench {
namespace {

struct MirrorMode {
  const char* name;
  int32_t vertical;
  int32_t horizontal;
};

constexpr MirrorMode kMirrorModes[] = {
    {"Left", 1, 0},          {"Right", 2, 0},
    {"LeftRightFlip", 3, 0}, {"Top", 0, 1},
    {"Bottom", 0, 2},        {"TopBottomFlip", 0, 3},
    {"Left+Top", 1, 1},      {"Right+Bottom", 2, 2},
    {"Turn180", 3, 3},       {"Left+TopBottomFlip", 1, 3},
};

struct FrameSize {
  uint32_t width;
  uint32_t height;
};

constexpr FrameSize kFrameSizes[] = {{1920, 1080}, {720, 576}};

// "<group>/<variant>/<width>x<height>"
std::string BenchmarkName(const char* group, const std::string& variant, FrameSize size) {
  std::string name = group;
  name += '/';
  name += variant;
  name += '/';
  name += std::to_string(size.width);
  name += 'x';
  name += std::to_string(size.height);
  return name;
}

// A fresh full-size copy of the picture, for effects that change their source.
ComRef<host::Image> CopyOf(host::Image& picture) {
  auto copy = host::Image::Create(picture.Shape());
  picture.CopyTo(copy.get(), 2);
  return copy;
}

void MirrorProcess(benchmark::State& state, MirrorMode mode, FrameSize size) {
  auto effect = LoadEffect("LumovMirror");
  auto picture = MakePicture(size.width, size.height);
  effect->Input().Set(CopyOf(*picture));
  effect->Parameters().Find(0)->SetValue(mode.vertical);
  effect->Parameters().Find(1)->SetValue(mode.horizontal);
  if (effect->Begin() != 0) {
    state.SkipWithError("ProcessBegin failed");
    return;
  }
  // With both passes Process leaves the column-mirrored picture in the source.
  const bool changesSource = mode.vertical != 0 && mode.horizontal != 0;
  for (auto _ : state) {
    if (changesSource) {
      state.PauseTiming();
      picture->CopyTo(effect->Input().Get(), 2);
      state.ResumeTiming();
    }
    effect->Process();
    benchmark::DoNotOptimize(effect->Output().Get()->GetPixels());
    benchmark::ClobberMemory();
  }
}

void MultipleProcess(benchmark::State& state, int32_t frameSize, FrameSize size) {
  auto effect = LoadEffect("LumovMultiple");
  auto picture = MakePicture(size.width, size.height);
  effect->Input().Set(CopyOf(*picture));
  effect->Parameters().Find(1)->SetValue(frameSize);
  effect->Parameters().Find(2)->SetValue(255);
  if (effect->Begin() != 0) {
    state.SkipWithError("ProcessBegin failed");
    return;
  }
  for (auto _ : state) {
    // Process reduces its source in place: every frame starts from a full-size one.
    state.PauseTiming();
    effect->Input().Set(CopyOf(*picture));
    state.ResumeTiming();
    effect->Process();
    benchmark::DoNotOptimize(effect->Output().Get()->GetPixels());
    benchmark::ClobberMemory();
  }
}

// A source image that times the host's Resample it passes on, so that the rest of Multiple's
// Process can be timed in the same frame.
class TimedResampleImage : public host::ForwardingImage {
 public:
  using ForwardingImage::ForwardingImage;

  int32_t LUMOV_CALL Resample(double sx, double sy, int32_t a, int32_t b) override {
    const auto start = std::chrono::steady_clock::now();
    const int32_t result = Inner().Resample(sx, sy, a, b);
    resampleSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
  }

  double ResampleSeconds() const { return resampleSeconds; }

 private:
  double resampleSeconds = 0.0;
};

class SourceHolder : public host::HostObject<IImageHolder> {
 public:
  explicit SourceHolder(IImageBuffer* image) : image(image) {}
  IImageBuffer* LUMOV_CALL GetImage() override { return image; }

 private:
  IImageBuffer* image;
};

// Multiple's Process less the time of the host's Resample inside it, frame by frame.
void MultipleWithoutResample(benchmark::State& state, FrameSize size) {
  auto effect = LoadEffect("LumovMultiple");
  auto picture = MakePicture(size.width, size.height);
  effect->Input().Set(CopyOf(*picture));
  if (effect->Begin() != 0) {
    state.SkipWithError("ProcessBegin failed");
    return;
  }
  for (auto _ : state) {
    auto source = host::New<TimedResampleImage>(CopyOf(*picture));
    auto holder = host::New<SourceHolder>(source.get());
    IImageHolder* holders[] = {holder.get()};
    InputList inputs{0, holders};
    const auto start = std::chrono::steady_clock::now();
    effect->Effect()->Process(&effect->Output(), &inputs, &effect->Parameters(),
                              &effect->Position(), &effect->Images());
    benchmark::DoNotOptimize(effect->Output().Get()->GetPixels());
    benchmark::ClobberMemory();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds - source->ResampleSeconds());
  }
}

// The reduction Multiple's Process asks of the host with the default two blocks.
void HostResample(benchmark::State& state, FrameSize size) {
  auto picture = MakePicture(size.width, size.height);
  for (auto _ : state) {
    state.PauseTiming();
    auto source = CopyOf(*picture);
    state.ResumeTiming();
    source->Resample(0.5, 0.5, 0, 0);
    benchmark::DoNotOptimize(source->GetPixels());
    benchmark::ClobberMemory();
  }
}

void RegisterAll() {
  for (FrameSize size : kFrameSizes) {
    RegisterFrameCopy(size.width, size.height);
    for (const MirrorMode& mode : kMirrorModes)
      benchmark::RegisterBenchmark(BenchmarkName("Mirror", mode.name, size).c_str(), MirrorProcess,
                                   mode, size)
          ->Unit(benchmark::kMicrosecond);
    for (int32_t frameSize : {0, 100})
      benchmark::RegisterBenchmark(
          BenchmarkName("Multiple", "N2-Frame" + std::to_string(frameSize), size).c_str(),
          MultipleProcess, frameSize, size)
          ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(
        BenchmarkName("Multiple", "N2-Frame0-WithoutResample", size).c_str(),
        MultipleWithoutResample, size)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(BenchmarkName("HostResample", "0.5", size).c_str(), HostResample,
                                 size)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace
}  // namespace lumov::bench

int main(int argc, char** argv) {
  lumov::bench::RegisterAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
