#include "sample_clip.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "errors.h"
#include "font.h"

namespace lumov::tool {
namespace {

constexpr const char* kPrefix = "sample:";
constexpr int kMaxSide = 8192;

// 75 % colour bars, left to right.
constexpr Color kBars[] = {{191, 191, 191}, {0, 191, 191}, {191, 191, 0}, {0, 191, 0},
                           {191, 0, 191},   {0, 0, 191},   {191, 0, 0},   {0, 0, 0}};
constexpr Color kBall = {40, 90, 240};
constexpr Color kBox = {40, 220, 230};
constexpr Color kWhite = {255, 255, 255};
constexpr Color kBlack = {0, 0, 0};

bool ParseNumber(const std::string& text, int64_t* value) {
  if (text.empty() || text.size() > 12) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *value = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

// Where the moving shapes are at time t (in frames) in a middle band from `top` to `bottom`.
struct Scene {
  double ballX, ballY, ballRadius;
  double boxX, boxY, boxHalf;

  Scene(double t, int width, int top, int bottom) {
    const double band = bottom - top;
    const double ballPhase = std::fmod(t / 50.0, 1.0);
    ballRadius = band / 6.0;
    ballX = width * (0.1 + 0.8 * ballPhase);
    ballY = top + band * (0.35 + 0.2 * std::sin(2.0 * std::numbers::pi * t / 50.0));
    const double boxPhase = std::fmod(t / 80.0, 1.0);
    boxHalf = band / 8.0;
    boxX = width * (0.9 - 0.8 * boxPhase);
    boxY = top + band * 0.75;
  }
};

}  // namespace

SampleSpec ParseSampleSpec(const std::string& input) {
  SampleSpec shape;
  const std::string rest = input.substr(std::string(kPrefix).size());
  const auto bad = [&](const std::string& why) {
    return UsageError("sample clip \"" + input + "\": " + why +
                      " (use sample:[WxH][:FRAMES][:interlaced], e.g. sample:640x360:100)");
  };
  size_t start = 0;
  while (start <= rest.size()) {
    const size_t end = std::min(rest.find(':', start), rest.size());
    const std::string token = rest.substr(start, end - start);
    start = end + 1;
    if (token.empty()) continue;
    int64_t value = 0;
    if (token == "interlaced") {
      shape.interlaced = true;
    } else if (const size_t x = token.find('x'); x != std::string::npos) {
      int64_t width = 0;
      int64_t height = 0;
      if (!ParseNumber(token.substr(0, x), &width) || !ParseNumber(token.substr(x + 1), &height))
        throw bad("\"" + token + "\" is not a size");
      if (width < 16 || height < 16 || width > kMaxSide || height > kMaxSide)
        throw bad("the size must be 16 to " + std::to_string(kMaxSide) + " pixels each way");
      shape.width = int(width);
      shape.height = int(height);
    } else if (ParseNumber(token, &value)) {
      if (value < 1 || value > 10'000'000) throw bad("the frame count must be 1 to 10000000");
      shape.frames = value;
    } else {
      throw bad("\"" + token + "\" is neither a size, a frame count nor \"interlaced\"");
    }
  }
  return shape;
}

FieldOrder SampleClip::Read(int64_t index, host::Image& image) {
  const int width = int(image.Width());
  const int height = int(image.Height());
  const uint32_t bytes = image.Shape().BytesPerPixel();
  const int barsEnd = height / 4;
  const int rampStart = height - height / 6;

  for (int y = 0; y < height; ++y) {
    // With upper field first the odd rows are the later field.
    const double t = double(index) + (shape.interlaced && y % 2 == 1 ? 0.5 : 0.0);
    const Scene scene(t, width, barsEnd, rampStart);
    uint8_t* row = image.Row(uint32_t(y));
    for (int x = 0; x < width; ++x) {
      Color color;
      if (y < barsEnd) {
        color = kBars[x * 8 / width];
      } else if (y >= rampStart) {
        const auto grey = uint8_t(x * 255 / std::max(width - 1, 1));
        color = {grey, grey, grey};
      } else {
        const auto shade = uint8_t(40 + 50 * (y - barsEnd) / std::max(rampStart - barsEnd, 1));
        color = {shade, uint8_t(shade / 2), uint8_t(shade / 3)};
        const double dx = x + 0.5 - scene.boxX;
        const double dy = y + 0.5 - scene.boxY;
        if (std::abs(dx) <= scene.boxHalf && std::abs(dy) <= scene.boxHalf) color = kBox;
        const double bx = x + 0.5 - scene.ballX;
        const double by = y + 0.5 - scene.ballY;
        if (bx * bx + by * by <= scene.ballRadius * scene.ballRadius) color = kBall;
      }
      uint8_t* pixel = row + size_t(x) * bytes;
      pixel[0] = color.blue;
      pixel[1] = color.green;
      pixel[2] = color.red;
      if (bytes == 4) pixel[3] = 0;
    }
  }

  Canvas canvas(image);
  char number[24];
  std::snprintf(number, sizeof number, "%04lld", static_cast<long long>(index));
  const int scale = std::max(1, height / 48);
  const int textX = (width - TextWidth(number, scale)) / 2;
  const int textY = barsEnd + (rampStart - barsEnd - kGlyphHeight * scale) / 2;
  const int shadow = std::max(1, scale / 3);
  DrawText(canvas, textX + shadow, textY + shadow, number, scale, kBlack);
  DrawText(canvas, textX, textY, number, scale, kWhite);
  const int small = std::max(1, height / 180);
  DrawText(canvas, 2 * small, barsEnd + 2 * small, "LUMOV SAMPLE", small, kWhite);
  return {shape.interlaced, false};
}

}  // namespace lumov::tool
