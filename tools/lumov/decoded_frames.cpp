#include "decoded_frames.h"

#include <exception>

namespace lumov::tool {

bool DecodedFrames::Read(int64_t number, host::Image& image, std::string& error) {
  try {
    clip->Read(first + number, image);
    return true;
  } catch (const std::exception& failure) {
    error = failure.what();
    return false;
  }
}

}  // namespace lumov::tool
