// Shared test helpers: the built modules, temporary log directories, and a rig that drives one
// effect object the way a host does and checks that every host object ends with the reference
// count it started with.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "effect_instance.h"
#include "image.h"
#include "parameter_set.h"
#include "plugin_module.h"

namespace lumov::test {

namespace fs = std::filesystem;
using lumov::ComRef;

inline constexpr const char* kModuleNames[] = {"LumovMirror", "LumovMultiple", "LumovHotspot",
                                               "LumovHotspotMove", "LumovReverse"};

std::string PluginPath(const std::string& moduleName);
std::unique_ptr<host::PluginModule> LoadModule(const std::string& moduleName);

// A fresh directory, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const fs::path& Path() const { return path; }
  fs::path operator/(const std::string& name) const { return path / name; }

 private:
  fs::path path;
};

// Points LUMOV_LOG_DIR at a temporary directory for the modules loaded while it lives; with
// `marker`, each module's marker file is created there, switching its log on.
class LogDir {
 public:
  explicit LogDir(bool marker = true);
  ~LogDir();
  fs::path LogPath(const std::string& moduleName) const { return dir / (moduleName + ".LOG"); }
  // The log's lines without their 9-character time stamps.
  std::vector<std::string> Messages(const std::string& moduleName) const;
  const fs::path& Path() const { return dir.Path(); }

 private:
  TempDir dir;
};

std::vector<std::string> ReadLines(const fs::path& path);

// Fills every byte of an image's picture rows from a function of (x, y, byte in pixel).
template <class Function>
void Fill(host::Image& image, Function value) {
  const uint32_t bytes = image.Shape().BytesPerPixel();
  for (uint32_t y = 0; y < image.Height(); ++y)
    for (uint32_t x = 0; x < image.Width(); ++x)
      for (uint32_t b = 0; b < bytes; ++b) image.Row(y)[x * bytes + b] = uint8_t(value(x, y, b));
}

ComRef<host::Image> MakeImage(const host::ImageShape& shape);

// A top-down shape without row padding.
host::ImageShape ShapeOf(uint32_t width, uint32_t height, uint32_t bitDepth = 32);

// The picture's bytes row after row from the top, without padding.
std::vector<uint8_t> PictureBytes(const host::Image& image);

// The bytes of pixel (x, y) of the picture.
std::vector<uint8_t> PixelBytes(const host::Image& image, uint32_t x, uint32_t y);

// One effect object of a module as the host drives it; at the end the effect is released and
// every host object must be back to the one reference the host holds.
class EffectRig {
 public:
  explicit EffectRig(const std::string& moduleName);
  ~EffectRig();

  host::EffectInstance& Instance() const { return *instance; }
  IRenderEffect* Effect() const { return instance->Effect(); }
  host::ParameterSet& Parameters() const { return instance->Parameters(); }
  host::ImageFactory& Images() const { return instance->Images(); }
  host::FramePosition& Position() const { return instance->Position(); }
  // Sets the current value of parameter `index`.
  void Set(int32_t index, double value);

  void SetInput(ComRef<host::Image> image) { instance->Input().Set(std::move(image)); }
  host::Image* Input() const { return instance->Input().Get(); }
  host::Image* Output() const { return instance->Output().Get(); }

  int32_t Begin() { return instance->Begin(); }
  int32_t Process() { return instance->Process(); }
  int32_t End() { return instance->End(); }
  // ProcessBegin, Process and ProcessEnd, expecting 0 from each.
  void RenderFrame();

 private:
  std::unique_ptr<host::EffectInstance> instance;
};

}  // namespace lumov::test
