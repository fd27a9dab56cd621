#include "support.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace lumov::test {

std::string PluginPath(const std::string& moduleName) {
  return std::string(LUMOV_PLUGIN_DIR) + "/" + moduleName + ".fex";
}

std::unique_ptr<host::PluginModule> LoadModule(const std::string& moduleName) {
  std::string error;
  auto module = host::PluginModule::Load(PluginPath(moduleName), &error);
  EXPECT_NE(module, nullptr) << error;
  return module;
}

TempDir::TempDir() {
  std::random_device random;
  path = fs::temp_directory_path() / ("lumov-test-" + std::to_string(random()));
  fs::create_directories(path);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

LogDir::LogDir(bool marker) {
  ::setenv("LUMOV_LOG_DIR", dir.Path().c_str(), 1);
  if (marker) {
    for (const char* name : kModuleNames) std::ofstream(dir / (std::string(name) + ".sem"));
  }
}

LogDir::~LogDir() {
  ::unsetenv("LUMOV_LOG_DIR");
}

std::vector<std::string> LogDir::Messages(const std::string& moduleName) const {
  std::vector<std::string> messages;
  for (const std::string& line : ReadLines(LogPath(moduleName)))
    messages.push_back(line.size() >= 9 ? line.substr(9) : line);
  return messages;
}

std::vector<std::string> ReadLines(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

ComRef<host::Image> MakeImage(const host::ImageShape& shape) {
  auto image = host::Image::Create(shape);
  EXPECT_TRUE(image);
  return image;
}

host::ImageShape ShapeOf(uint32_t width, uint32_t height, uint32_t bitDepth) {
  host::ImageShape shape;
  shape.width = width;
  shape.height = height;
  shape.bitDepth = bitDepth;
  return shape;
}

std::vector<uint8_t> PictureBytes(const host::Image& image) {
  std::vector<uint8_t> bytes;
  for (uint32_t y = 0; y < image.Height(); ++y)
    bytes.insert(bytes.end(), image.Row(y), image.Row(y) + image.RowBytes());
  return bytes;
}

std::vector<uint8_t> PixelBytes(const host::Image& image, uint32_t x, uint32_t y) {
  const uint32_t bytes = image.Shape().BytesPerPixel();
  const uint8_t* pixel = image.Row(y) + size_t(x) * bytes;
  return {pixel, pixel + bytes};
}

EffectRig::EffectRig(const std::string& moduleName) {
  auto module = LoadModule(moduleName);
  if (module == nullptr) throw std::runtime_error("cannot load " + moduleName);
  std::string error;
  instance = host::EffectInstance::Create(std::move(module), &error);
  if (instance == nullptr) throw std::runtime_error("cannot make the effect: " + error);
}

EffectRig::~EffectRig() {
  EXPECT_EQ(instance->ReleaseEffect(), 0) << "the effect object was not destroyed";
  host::EffectInstance& host = *instance;
  for (IRootObject* object :
       std::initializer_list<IRootObject*>{&host.Parameters(), &host.Factory(), &host.Images(),
                                           &host.Position(), &host.Input(), &host.Output()}) {
    EXPECT_EQ(object->GetRefCount(), 1) << "a host object kept or lost a reference";
  }
  for (const auto& parameter : host.Parameters().Parameters()) {
    EXPECT_EQ(parameter->GetRefCount(), 1) << "parameter " << parameter->Index();
    EXPECT_EQ(parameter->ValueObject()->GetRefCount(), 1) << "parameter " << parameter->Index();
    EXPECT_EQ(parameter->DefaultObject()->GetRefCount(), 1) << "parameter " << parameter->Index();
  }
  for (host::Image* image : {Input(), Output()}) {
    if (image != nullptr) {
      EXPECT_EQ(image->GetRefCount(), 1) << "an image kept a reference";
    }
  }
}

void EffectRig::Set(int32_t index, double value) {
  host::Parameter* parameter = Parameters().Find(index);
  ASSERT_NE(parameter, nullptr) << "no parameter " << index;
  parameter->SetValue(value);
}

void EffectRig::RenderFrame() {
  ASSERT_EQ(Begin(), 0);
  ASSERT_EQ(Process(), 0);
  ASSERT_EQ(End(), 0);
}

}  // namespace lumov::test
