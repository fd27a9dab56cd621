// Reverse at 1920 x 1080, 32 bits, reading its frames from a clip in memory, beside the plain
// frame copy. Each read costs the host one frame copy (into an image it recycles); progressive
// material reads one frame, interlaced material two. Besides, the effect copies the current
// frame and the fetched frame into the output, and interlaced material half a frame of rows.
#include "bench_support.h"
#include "frame_source.h"

namespace lumov::bench {
namespace {

constexpr uint32_t kWidth = 1920;
constexpr uint32_t kHeight = 1080;
// Output frame 1 of 4 shows source frame 2 and, interlaced, takes a field of source frame 3:
// both are real reads at non-zero offsets.
constexpr int32_t kClipFrames = 4;
constexpr int32_t kCurrentFrame = 1;

void Reverse(benchmark::State& state) {
  const auto fieldMode = int32_t(state.range(0));
  auto instance = LoadEffect("LumovReverse");
  host::ClipFrameSource::Clip frames;
  for (int32_t f = 0; f < kClipFrames; ++f)
    frames.push_back(MakePicture(kWidth, kHeight, 32, fieldMode));
  auto source = host::New<host::ClipFrameSource>(std::move(frames), instance->Position());
  source->ProvideFramesTo(instance->Images());
  {
    ComRef<IFrameAccess> access;
    instance->Effect()->QueryInterface(&IFrameAccess::kIid, access.PutVoid());
    int32_t a = 0;
    int32_t b = 0;
    access->AttachFrameSource(&a, &b, source.get());
  }
  instance->Parameters().SetClipTiming(host::ClipTimingFor(kClipFrames));
  instance->Position().Set(kCurrentFrame);
  instance->Input().Set(MakePicture(kWidth, kHeight, 32, fieldMode));
  if (instance->Begin() != 0) state.SkipWithError("ProcessBegin failed");
  for (auto _ : state) {
    instance->Process();
    benchmark::DoNotOptimize(instance->Output().Get()->GetPixels());
    benchmark::ClobberMemory();
  }
}

}  // namespace
}  // namespace lumov::bench

int main(int argc, char** argv) {
  using lumov::bench::kHeight;
  using lumov::bench::kWidth;
  lumov::bench::RegisterFrameCopy(kWidth, kHeight);
  benchmark::RegisterBenchmark("Reverse/progressive", lumov::bench::Reverse)
      ->Arg(0)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Reverse/interlaced", lumov::bench::Reverse)
      ->Arg(1)
      ->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
