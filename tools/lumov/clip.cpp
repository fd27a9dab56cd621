#include "clip.h"

#include "sample_clip.h"
#include "video_input.h"

namespace lumov::tool {

bool IsSampleClip(const std::string& input) {
  return input.rfind("sample:", 0) == 0;
}

std::unique_ptr<Clip> OpenClip(const std::string& input, ClipAccess access) {
  if (IsSampleClip(input)) return std::make_unique<SampleClip>(ParseSampleSpec(input));
  return std::make_unique<VideoInput>(input, access);
}

}  // namespace lumov::tool
