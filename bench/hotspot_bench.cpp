// Whole frames (ProcessBegin, Process, ProcessEnd) of Hotspot and HotspotMove, each beside the
// plain frame copy of the same size: with the default spot held still, so that the table is
// reused, and moving, so that it is rebuilt on every frame; and, as the worst case, the largest
// spot with the outside made grey, so that every pixel is shaded.
#include <string>

#include "bench_support.h"

namespace lumov::bench {
namespace {

struct FrameSize {
  uint32_t width;
  uint32_t height;
};

constexpr FrameSize kFrameSizes[] = {{1920, 1080}, {720, 576}};

// Parameter indexes.
constexpr int32_t kHotspotX = 0;
constexpr int32_t kHotspotRadius = 2;  // Outside: Black/White is 3 further on in both effects
constexpr int32_t kMoveDisplay = 0;
constexpr int32_t kMoveXStart = 1;
constexpr int32_t kMoveYStart = 2;
constexpr int32_t kMoveXEnd = 3;
constexpr int32_t kMoveYEnd = 4;
constexpr int32_t kMoveRadius = 5;
constexpr int32_t kMoveHotspot = 2;
constexpr int64_t kClipFrames = 1000;

std::unique_ptr<host::EffectInstance> Prepare(const char* moduleName, FrameSize size) {
  auto effect = LoadEffect(moduleName);
  effect->Input().Set(MakePicture(size.width, size.height));
  return effect;
}

void RunFrame(benchmark::State& state, host::EffectInstance& effect) {
  if (effect.Begin() != 0 || effect.Process() != 0 || effect.End() != 0)
    state.SkipWithError("the frame failed");
  benchmark::DoNotOptimize(effect.Output().Get()->GetPixels());
  benchmark::ClobberMemory();
}

// The default spot, the same on every frame.
void SteadyFrame(benchmark::State& state, const char* moduleName, FrameSize size) {
  auto effect = Prepare(moduleName, size);
  for (auto _ : state) RunFrame(state, *effect);
}

// The spot at its largest with the outside made grey: every pixel is shaded.
void WholeFrame(benchmark::State& state, const char* moduleName, int32_t radiusIndex,
                FrameSize size) {
  auto effect = Prepare(moduleName, size);
  effect->Parameters().Find(radiusIndex)->SetValue(100.0);
  effect->Parameters().Find(radiusIndex + 3)->SetValue(1.0);
  for (auto _ : state) RunFrame(state, *effect);
}

// Hotspot with its X-Position changed before every frame.
void HotspotMovingFrame(benchmark::State& state, FrameSize size) {
  auto effect = Prepare("LumovHotspot", size);
  host::Parameter* x = effect->Parameters().Find(kHotspotX);
  int64_t frame = 0;
  for (auto _ : state) {
    x->SetValue(-50.0 + 0.1 * double(frame++ % kClipFrames));
    RunFrame(state, *effect);
  }
}

// HotspotMove's "Move Hotspot" across a long clip, one frame further every time.
void HotspotMoveMovingFrame(benchmark::State& state, FrameSize size) {
  auto effect = Prepare("LumovHotspotMove", size);
  effect->Parameters().Find(kMoveDisplay)->SetValue(kMoveHotspot);
  effect->Parameters().Find(kMoveXStart)->SetValue(-60.0);
  effect->Parameters().Find(kMoveYStart)->SetValue(-20.0);
  effect->Parameters().Find(kMoveXEnd)->SetValue(60.0);
  effect->Parameters().Find(kMoveYEnd)->SetValue(20.0);
  effect->Parameters().SetClipTiming(host::ClipTimingFor(kClipFrames));
  int32_t frame = 0;
  for (auto _ : state) {
    effect->Position().Set(frame);
    frame = (frame + 1) % int32_t(kClipFrames);
    RunFrame(state, *effect);
  }
}

std::string Name(const char* group, FrameSize size) {
  return std::string(group) + "/" + std::to_string(size.width) + "x" + std::to_string(size.height);
}

void RegisterAll() {
  for (const FrameSize size : kFrameSizes) {
    RegisterFrameCopy(size.width, size.height);
    benchmark::RegisterBenchmark(Name("HotspotSteady", size).c_str(), SteadyFrame, "LumovHotspot",
                                 size)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("HotspotMoveSteady", size).c_str(), SteadyFrame,
                                 "LumovHotspotMove", size)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("HotspotWholeFrame", size).c_str(), WholeFrame,
                                 "LumovHotspot", kHotspotRadius, size)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("HotspotMoveWholeFrame", size).c_str(), WholeFrame,
                                 "LumovHotspotMove", kMoveRadius, size)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("HotspotMoving", size).c_str(), HotspotMovingFrame, size)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("HotspotMoveMoving", size).c_str(), HotspotMoveMovingFrame,
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
