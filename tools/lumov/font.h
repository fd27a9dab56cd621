// A tiny 5 x 7 bitmap font (digits, capital letters and a little punctuation; small letters are
// drawn as capitals) for frame numbers and labels, and the pixel grid it draws on.
#pragma once

#include <cstdint>
#include <string>

#include "image.h"

namespace lumov::tool {

struct Color {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
};

// Writes whole pixels into an image's picture rows, clipped to the picture.
class Canvas {
 public:
  explicit Canvas(host::Image& image);

  int Width() const { return width; }
  int Height() const { return height; }
  void Put(int x, int y, Color color);
  void FillRect(int x, int y, int w, int h, Color color);

 private:
  host::Image& image;
  int width;
  int height;
  uint32_t bytesPerPixel;
};

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = 6;  // a blank column between characters

// Width in pixels of `text` drawn at `scale` (each font pixel a scale x scale square).
int TextWidth(const std::string& text, int scale);
// Draws `text` with its top-left corner at (x, y); characters the font lacks are blanks.
void DrawText(Canvas& canvas, int x, int y, const std::string& text, int scale, Color color);

}  // namespace lumov::tool
