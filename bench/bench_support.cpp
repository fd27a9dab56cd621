#include "bench_support.h"

#include <cstdio>
#include <cstdlib>

namespace lumov::bench {

std::unique_ptr<host::EffectInstance> LoadEffect(const std::string& moduleName) {
  std::string error;
  auto module =
      host::PluginModule::Load(std::string(LUMOV_PLUGIN_DIR) + "/" + moduleName + ".fex", &error);
  std::unique_ptr<host::EffectInstance> instance;
  if (module != nullptr) instance = host::EffectInstance::Create(std::move(module), &error);
  if (instance == nullptr) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  return instance;
}

ComRef<host::Image> MakePicture(uint32_t width, uint32_t height, uint32_t bitDepth,
                                int32_t fieldMode) {
  host::ImageShape shape;
  shape.width = width;
  shape.height = height;
  shape.bitDepth = bitDepth;
  shape.fieldMode = fieldMode;
  auto image = host::Image::Create(shape);
  uint32_t noise = 12345;
  const uint32_t bytes = shape.BytesPerPixel();
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = image->Row(y);
    for (uint32_t x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      for (uint32_t b = 0; b < bytes; ++b)
        row[x * bytes + b] = uint8_t((x * (b + 1) + y * 3 + (noise >> (24 + b))) & 0xFF);
    }
  }
  return image;
}

void FrameCopy(benchmark::State& state) {
  const auto width = uint32_t(state.range(0));
  const auto height = uint32_t(state.range(1));
  auto source = MakePicture(width, height);
  auto target = MakePicture(width, height);
  for (auto _ : state) {
    source->CopyTo(target.get(), 2);
    benchmark::DoNotOptimize(target->GetPixels());
    benchmark::ClobberMemory();
  }
}

void RegisterFrameCopy(uint32_t width, uint32_t height) {
  benchmark::RegisterBenchmark(
      ("FrameCopy/" + std::to_string(width) + "x" + std::to_string(height)).c_str(), FrameCopy)
      ->Args({int64_t(width), int64_t(height)})
      ->Unit(benchmark::kMicrosecond);
}

}  // namespace lumov::bench
