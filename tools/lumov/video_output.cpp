#include "video_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "errors.h"

namespace lumov::tool {
namespace fs = std::filesystem;
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsPattern(const std::string& name) {
  char formatted[1024];
  return av_get_frame_filename2(formatted, sizeof formatted, name.c_str(), 0, 0) == 0;
}

std::string PictureName(const std::string& pattern, int64_t number) {
  char formatted[1024];
  if (av_get_frame_filename2(formatted, sizeof formatted, pattern.c_str(), int(number), 0) < 0)
    throw Failure("cannot name picture " + std::to_string(number) + " after " + pattern);
  return formatted;
}

// The file's permissions as if it had been created plainly, not as a private temporary.
void SetCreationMode(int descriptor) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(descriptor, 0666 & ~mask);
}

bool HasChromaSubsampling(AVPixelFormat format, bool horizontal) {
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(format);
  if (description == nullptr) return false;
  return (horizontal ? description->log2_chroma_w : description->log2_chroma_h) > 0;
}

bool IsYuv(AVPixelFormat format) {
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(format);
  return description != nullptr && (description->flags & AV_PIX_FMT_FLAG_RGB) == 0 &&
         description->nb_components >= 3;
}

// The encoder's pixel format closest to `wanted` that the scaler can produce.
AVPixelFormat PixelFormatFor(const AVCodec* codec, AVPixelFormat wanted) {
  if (codec->pix_fmts == nullptr) return wanted;
  for (const AVPixelFormat* format = codec->pix_fmts; *format != AV_PIX_FMT_NONE; ++format) {
    if (*format == wanted) return wanted;
  }
  std::vector<AVPixelFormat> usable;
  for (const AVPixelFormat* format = codec->pix_fmts; *format != AV_PIX_FMT_NONE; ++format) {
    if (sws_isSupportedOutput(*format)) usable.push_back(*format);
  }
  if (usable.empty()) return AV_PIX_FMT_NONE;
  usable.push_back(AV_PIX_FMT_NONE);
  return avcodec_find_best_pix_fmt_of_list(usable.data(), AV_PIX_FMT_BGR0, 0, nullptr);
}

std::vector<const AVCodec*> H264Encoders() {
  std::vector<const AVCodec*> encoders;
  if (const AVCodec* preferred = avcodec_find_encoder_by_name("libx264")) {
    encoders.push_back(preferred);
  }
  void* iterator = nullptr;
  while (const AVCodec* codec = av_codec_iterate(&iterator)) {
    if (av_codec_is_encoder(codec) && codec->id == AV_CODEC_ID_H264 &&
        std::find(encoders.begin(), encoders.end(), codec) == encoders.end() &&
        std::strcmp(codec->name, "libx264rgb") != 0) {
      encoders.push_back(codec);
    }
  }
  return encoders;
}

}  // namespace

VideoOutput::VideoOutput(const std::string& path, const OutputSettings& settings)
    : path(path), settings(settings), frame(av_frame_alloc()), packet(av_packet_alloc()) {
  if (!frame || !packet) throw Failure("out of memory");
  try {
    Start();
  } catch (...) {
    Discard();
    Close();
    throw;
  }
}

void VideoOutput::Start() {
  const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
  if (format == nullptr) {
    throw UsageError("cannot tell the output format from \"" + path +
                     "\": use .mp4, .mkv, .png, .y4m or another extension FFmpeg writes");
  }
  if (std::strcmp(format->name, "image2") == 0) {
    if (IsPattern(fs::path(path).parent_path().string()))
      throw UsageError("\"" + path + "\": only the file name may hold a %d pattern");
    kind =
        IsPattern(fs::path(path).filename().string()) ? Kind::PictureSequence : Kind::SinglePicture;
  }
  ChooseEncoder(format);
  CreateTemporary();
  if (kind == Kind::Container) {
    int result = avformat_alloc_output_context2(&muxer, format, nullptr, path.c_str());
    if (result < 0) throw Failure("cannot write " + path + ": " + AvError(result));
    stream = avformat_new_stream(muxer, nullptr);
    if (stream == nullptr) throw Failure("out of memory");
    avcodec_parameters_from_context(stream->codecpar, encoder.get());
    stream->time_base = encoder->time_base;
    stream->avg_frame_rate = encoder->framerate;
    result = avio_open(&muxer->pb, temporary.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) throw Failure("cannot write " + path + ": " + AvError(result));
    result = avformat_write_header(muxer, nullptr);
    if (result < 0) throw Failure("cannot write " + path + ": " + AvError(result));
  }
  frame->format = encoder->pix_fmt;
  frame->width = encodeWidth;
  frame->height = encodeHeight;
  if (av_frame_get_buffer(frame.get(), 0) < 0) throw Failure("out of memory");
}

VideoOutput::~VideoOutput() {
  if (!finished) Discard();
  Close();
}

void VideoOutput::Close() {
  encoder.reset();
  if (muxer != nullptr) {
    if (muxer->pb != nullptr) avio_closep(&muxer->pb);
    avformat_free_context(muxer);
    muxer = nullptr;
  }
}

void VideoOutput::ChooseEncoder(const AVOutputFormat* format) {
  const std::string extension = Lower(fs::path(path).extension().string());
  const AVCodecID codecId = extension == ".mkv" ? AV_CODEC_ID_FFV1
                                                : av_guess_codec(format, nullptr, path.c_str(),
                                                                 nullptr, AVMEDIA_TYPE_VIDEO);
  if (codecId == AV_CODEC_ID_NONE)
    throw UsageError("\"" + path + "\": the " + format->name + " format holds no video");

  if (codecId == AV_CODEC_ID_H264) {
    for (const AVCodec* codec : H264Encoders()) {
      if (OpenEncoder(codec, PixelFormatFor(codec, AV_PIX_FMT_YUV420P))) return;
    }
    const AVCodec* fallback = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (fallback != nullptr && OpenEncoder(fallback, AV_PIX_FMT_YUV420P)) {
      notes.push_back("no H.264 encoder works here; " + path + " gets MPEG-4 Part 2 video");
      return;
    }
    throw Failure("cannot write " + path + ": no H.264 or MPEG-4 encoder available");
  }

  const AVCodec* codec = avcodec_find_encoder(codecId);
  if (codec == nullptr)
    throw Failure("cannot write " + path + ": no " + avcodec_get_name(codecId) + " encoder");
  AVPixelFormat wanted = AV_PIX_FMT_YUV420P;
  if (codecId == AV_CODEC_ID_FFV1 || codecId == AV_CODEC_ID_RAWVIDEO) {
    wanted = AV_PIX_FMT_BGR0;  // the exact pixels; the padding byte is not alpha
  } else if (codecId == AV_CODEC_ID_PNG) {
    wanted = AV_PIX_FMT_RGB24;
  }
  const AVPixelFormat pixelFormat = PixelFormatFor(codec, wanted);
  if (pixelFormat == AV_PIX_FMT_NONE || !OpenEncoder(codec, pixelFormat))
    throw Failure("cannot write " + path + ": the " + codec->name + " encoder does not start");
}

bool VideoOutput::OpenEncoder(const AVCodec* codec, AVPixelFormat pixelFormat) {
  if (pixelFormat == AV_PIX_FMT_NONE || !sws_isSupportedOutput(pixelFormat)) return false;
  encodeWidth = settings.width;
  encodeHeight = settings.height;
  // 4:2:0 and 4:2:2 pictures need even sizes: the last column or row is left out.
  if (HasChromaSubsampling(pixelFormat, true)) encodeWidth &= ~1;
  if (HasChromaSubsampling(pixelFormat, false)) encodeHeight &= ~1;
  if (encodeWidth < 2 || encodeHeight < 2) return false;

  CodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context) throw Failure("out of memory");
  context->width = encodeWidth;
  context->height = encodeHeight;
  context->pix_fmt = pixelFormat;
  context->time_base = AVRational{settings.rate.den, settings.rate.num};
  context->framerate = AVRational{settings.rate.num, settings.rate.den};
  context->sample_aspect_ratio = AVRational{1, 1};
  context->thread_count = 0;
  if (IsYuv(pixelFormat)) {
    const AVColorSpace space = DefaultColorSpace(encodeHeight);
    const bool hd = space == AVCOL_SPC_BT709;
    context->colorspace = space;
    // JPEG pictures use the full range of values; video the limited one.
    context->color_range = codec->id == AV_CODEC_ID_MJPEG ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    context->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
    context->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
  }
  if (settings.fields.interlaced) {
    context->field_order = settings.fields.bottomFirst ? AV_FIELD_BB : AV_FIELD_TT;
    // For PNG the flag means Adam7 interlacing, which has nothing to do with video fields.
    if (codec->id != AV_CODEC_ID_PNG)
      context->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
  } else {
    context->field_order = AV_FIELD_PROGRESSIVE;
  }

  AVDictionary* options = nullptr;
  if (std::strcmp(codec->name, "libx264") == 0) {
    av_dict_set(&options, "crf", "18", 0);
    av_dict_set(&options, "preset", "medium", 0);
    // Half the preset's look-ahead: at 1080p each frame it holds costs several megabytes, and
    // the quality it buys beyond 20 frames is slight.
    av_dict_set(&options, "rc-lookahead", "20", 0);
  } else if (codec->id == AV_CODEC_ID_FFV1) {
    context->gop_size = 1;  // every frame a key frame: any frame can be read directly
  } else if (codec->id == AV_CODEC_ID_MPEG4) {
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = FF_QP2LAMBDA * 3;
  } else if (codec->id != AV_CODEC_ID_PNG && codec->id != AV_CODEC_ID_WRAPPED_AVFRAME &&
             codec->id != AV_CODEC_ID_RAWVIDEO) {
    context->bit_rate = int64_t(double(encodeWidth) * encodeHeight * settings.rate.Value() * 0.15);
  }
  if (kind == Kind::Container) {
    const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
    if (format != nullptr && (format->flags & AVFMT_GLOBALHEADER) != 0)
      context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  const int result = avcodec_open2(context.get(), codec, &options);
  av_dict_free(&options);
  if (result < 0) return false;
  encoder = std::move(context);
  if (encodeWidth != settings.width || encodeHeight != settings.height) {
    notes.push_back(path + ": " + std::to_string(settings.width) + "x" +
                    std::to_string(settings.height) + " written as " + std::to_string(encodeWidth) +
                    "x" + std::to_string(encodeHeight) + " (" + av_get_pix_fmt_name(pixelFormat) +
                    " needs even sizes)");
  }
  return true;
}

void VideoOutput::CreateTemporary() {
  const fs::path target(path);
  fs::path directory = target.parent_path();
  if (directory.empty()) directory = ".";
  struct stat existing {};
  if (kind != Kind::PictureSequence && ::stat(path.c_str(), &existing) == 0 &&
      !S_ISREG(existing.st_mode)) {
    if (S_ISDIR(existing.st_mode)) throw Failure("cannot write " + path + ": it is a directory");
    // A device or a pipe cannot be replaced by a rename: it is written directly.
    direct = true;
    temporary = target;
    return;
  }
  if (kind == Kind::PictureSequence) {
    std::string name = (directory / ".lumov-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr)
      throw Failure("cannot write " + path + ": " + std::strerror(errno));
    temporary = name;
    return;
  }
  std::string name = (directory / ("." + target.filename().string() + ".lumov-XXXXXX")).string();
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) throw Failure("cannot write " + path + ": " + std::strerror(errno));
  SetCreationMode(descriptor);
  ::close(descriptor);
  temporary = name;
}

void VideoOutput::Write(host::Image& image, FieldOrder fields) {
  const uint32_t depth = image.Shape().bitDepth;
  if (depth != 24 && depth != 32)
    throw Failure("the effect's output has " + std::to_string(depth) + " bits per pixel");
  if (SinglePicture() && picturesWritten > 0) return;
  // A picture of the expected size is cropped to the encoder's size, any other one scaled.
  const bool expected =
      int(image.Width()) == settings.width && int(image.Height()) == settings.height;
  const int sourceWidth = expected ? encodeWidth : int(image.Width());
  const int sourceHeight = expected ? encodeHeight : int(image.Height());
  SwsContext* previous = scaler.get();
  scaler.reset(sws_getCachedContext(
      scaler.release(), sourceWidth, sourceHeight, depth == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGR0,
      encodeWidth, encodeHeight, encoder->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!scaler) throw Failure("cannot convert pictures for " + path);
  if (scaler.get() != previous && IsYuv(encoder->pix_fmt)) {
    sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(encoder->colorspace),
                             encoder->color_range == AVCOL_RANGE_JPEG ? 1 : 0, 0, 1 << 16, 1 << 16);
  }
  const int result = av_frame_make_writable(frame.get());
  if (result < 0) throw Failure("out of memory");
  const uint8_t* source[4] = {image.Row(0), nullptr, nullptr, nullptr};
  const int sourceStride[4] = {
      image.Height() > 1 ? int(image.Row(1) - image.Row(0)) : image.GetRowStride(), 0, 0, 0};
  sws_scale(scaler.get(), source, sourceStride, 0, sourceHeight, frame->data, frame->linesize);
  frame->pts = framesWritten++;
  SetInterlacing(frame.get(), fields.interlaced, !fields.bottomFirst);
  Encode(frame.get());
}

void VideoOutput::Encode(const AVFrame* picture) {
  int result = avcodec_send_frame(encoder.get(), picture);
  if (result < 0 && result != AVERROR_EOF)
    throw Failure("cannot encode " + path + ": " + AvError(result));
  while ((result = avcodec_receive_packet(encoder.get(), packet.get())) >= 0) {
    if (kind == Kind::Container) {
      WritePacket(packet.get());
    } else {
      WritePicture(packet.get());
    }
    av_packet_unref(packet.get());
  }
  if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
    throw Failure("cannot encode " + path + ": " + AvError(result));
}

void VideoOutput::WritePacket(AVPacket* encoded) {
  av_packet_rescale_ts(encoded, encoder->time_base, stream->time_base);
  encoded->stream_index = stream->index;
  const int result = av_interleaved_write_frame(muxer, encoded);
  if (result < 0) throw Failure("cannot write " + path + ": " + AvError(result));
}

void VideoOutput::WritePicture(const AVPacket* encoded) {
  if (SinglePicture() && picturesWritten > 0) return;
  fs::path file = temporary;
  if (kind == Kind::PictureSequence) {
    const std::string name = PictureName(fs::path(path).filename().string(), picturesWritten);
    file = temporary / name;
    sequenceNames.push_back(name);
  }
  std::FILE* stream = std::fopen(file.c_str(), "wb");
  bool written = stream != nullptr && std::fwrite(encoded->data, 1, size_t(encoded->size),
                                                  stream) == size_t(encoded->size);
  if (stream != nullptr && std::fclose(stream) != 0) written = false;
  if (!written) throw Failure("cannot write " + path + ": " + std::strerror(errno));
  ++picturesWritten;
}

void VideoOutput::Finish() {
  Encode(nullptr);
  if (kind == Kind::Container) {
    int result = av_write_trailer(muxer);
    if (result >= 0) result = avio_closep(&muxer->pb);
    if (result < 0) throw Failure("cannot write " + path + ": " + AvError(result));
  }
  std::error_code error;
  if (kind == Kind::PictureSequence) {
    const fs::path directory = fs::path(path).parent_path();
    for (const std::string& name : sequenceNames) {
      fs::rename(temporary / name, directory / name, error);
      if (error)
        throw Failure("cannot write " + (directory / name).string() + ": " + error.message());
    }
    fs::remove_all(temporary, error);
  } else if (!direct) {
    fs::rename(temporary, path, error);
    if (error) throw Failure("cannot write " + path + ": " + error.message());
  }
  finished = true;
}

void VideoOutput::Discard() {
  if (muxer != nullptr && muxer->pb != nullptr) avio_closep(&muxer->pb);
  if (direct || temporary.empty()) return;
  std::error_code ignored;
  fs::remove_all(temporary, ignored);
}

std::string VideoOutput::Description() const {
  std::string text =
      std::string(encoder->codec->name) + " " + av_get_pix_fmt_name(encoder->pix_fmt);
  if (muxer != nullptr) text += " in " + std::string(muxer->oformat->name);
  return text;
}

}  // namespace lumov::tool
