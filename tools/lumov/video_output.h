// Writing the rendered frames, in the format the output name's extension asks for: .mp4 H.264
// (yuv420p), .mkv FFV1 (lossless), .png one picture or a numbered sequence (a %d pattern), .y4m,
// or whatever else FFmpeg writes for the extension. Everything goes to a temporary file beside
// the output that takes the output's name only when all is written; until then, and after any
// failure, an existing output is left as it was.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "clip.h"
#include "ffmpeg.h"
#include "image.h"

namespace lumov::tool {

struct OutputSettings {
  int width = 0;
  int height = 0;
  Rational rate;
  FieldOrder fields;  // of the material, for the stream's field order
};

class VideoOutput {
 public:
  // Chooses format and encoder (UsageError when the extension names none) and creates the
  // temporary file (Failure when the place cannot be written).
  VideoOutput(const std::string& path, const OutputSettings& settings);
  // Without Finish, removes whatever was written.
  ~VideoOutput();
  VideoOutput(const VideoOutput&) = delete;
  VideoOutput& operator=(const VideoOutput&) = delete;

  // A 24- or 32-bit picture of the settings' size (another size is scaled to it).
  void Write(host::Image& image, FieldOrder fields);
  // Flushes the encoder and gives the result the output's name.
  void Finish();

  // One still picture: only the first frame written is kept.
  bool SinglePicture() const { return kind == Kind::SinglePicture; }
  // The encoder and pixel format chosen, for messages.
  std::string Description() const;
  // Things the user should know about the choices made, one line each.
  const std::vector<std::string>& Notes() const { return notes; }

 private:
  enum class Kind { Container, SinglePicture, PictureSequence };

  void Start();
  void ChooseEncoder(const AVOutputFormat* format);
  bool OpenEncoder(const AVCodec* codec, AVPixelFormat pixelFormat);
  void CreateTemporary();
  void Encode(const AVFrame* frame);
  void WritePacket(AVPacket* packet);
  void WritePicture(const AVPacket* packet);
  void Discard();
  void Close();

  std::string path;
  OutputSettings settings;
  Kind kind = Kind::Container;
  int encodeWidth = 0;
  int encodeHeight = 0;
  CodecContextPtr encoder;
  AVFormatContext* muxer = nullptr;
  AVStream* stream = nullptr;
  FramePtr frame;
  PacketPtr packet;
  ScalerPtr scaler;
  uint32_t scalerDepth = 0;
  int64_t framesWritten = 0;
  int64_t picturesWritten = 0;
  bool finished = false;

  std::filesystem::path temporary;         // the file or, for a sequence, the directory
  bool direct = false;                     // the output is a device or pipe: written as is
  std::vector<std::string> sequenceNames;  // pictures written into the temporary directory
  std::vector<std::string> notes;
};

}  // namespace lumov::tool
