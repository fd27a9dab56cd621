// Shared pieces of the benchmarks: an effect loaded as a host loads it, test pictures, and the
// plain frame copy that every effect is measured against.
#pragma once

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "effect_instance.h"

namespace lumov::bench {

// The effect of a built module, ready for frames; aborts the run when it cannot be made.
std::unique_ptr<host::EffectInstance> LoadEffect(const std::string& moduleName);

// A picture with varied content (gradients and noise), so that no pass is trivially cheap.
ComRef<host::Image> MakePicture(uint32_t width, uint32_t height, uint32_t bitDepth = 32,
                                int32_t fieldMode = 0);

// The yardstick: one plain copy of a frame of the given size with the host's CopyTo.
void FrameCopy(benchmark::State& state);

// Registers FrameCopy for width x height under the name "FrameCopy/<width>x<height>".
void RegisterFrameCopy(uint32_t width, uint32_t height);

}  // namespace lumov::bench
