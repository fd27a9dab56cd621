#include "options.h"

#include <cstdlib>

#include "errors.h"

namespace lumov::tool {

const char* const kUsage = R"(usage: lumov [--plugins DIR] [--verbose] [--quiet] COMMAND ...

commands:
  lumov list                  the plug-in modules found: effect, display name, category,
                              class GUID, version, file
  lumov info EFFECT           the effect's parameters as its module declares them
  lumov render EFFECT -i INPUT -o OUTPUT [-p NAME=VALUE]... [--fields auto|progressive|tff|bff]
               [--frames FIRST:LAST] [--depth 24|32] [--log DIR]
                              renders INPUT through the effect into OUTPUT
  lumov demo [DIR]            renders the built-in clip through every effect into DIR
                              (default lumov-demo/): an .mp4 per effect and overview.png

EFFECT     an effect name (Mirror, Multiple, Hotspot, HotspotMove, Reverse; any case) or the
           path of a .fex module
INPUT      a video, a still image, an image sequence (frames_%04d.png), or the built-in clip
           sample:[WxH][:FRAMES][:interlaced] (default 640x360, 100 frames)
OUTPUT     by extension: .mp4 H.264, .mkv FFV1 lossless, .png one picture (the first frame) or
           a %d sequence numbered from 0, .y4m, or any other format FFmpeg writes
-p         a parameter by label (any case) or index: a number, on/off, or a choice's label or
           index; key frames as VALUE@FRAME,VALUE@FRAME,... ("X-Position=-100@0,100@99"),
           interpolated for numbers and held for choices and on/off
--fields   field order: from the decoder (auto, the default) or as given
--frames   the part of INPUT to render, frames FIRST to LAST counted from 0
--depth    32 (BGRA, the default) or 24 (BGR) bits per pixel for the plug-in
--log DIR  the plug-in writes its diagnostic log into DIR
--plugins  look for modules in DIR only (else LUMOV_PLUGIN_PATH, else beside the tool)
--quiet    no progress line and no messages besides errors
--verbose  more messages, FFmpeg's own included

exit status: 0 done, 2 wrong usage, 1 failure
)";

namespace {

bool TakesValue(const std::string& name) {
  return name == "-i" || name == "--input" || name == "-o" || name == "--output" || name == "-p" ||
         name == "--parameter" || name == "--fields" || name == "--frames" || name == "--depth" ||
         name == "--log" || name == "--plugins";
}

bool ParseFrame(const std::string& text, int64_t* frame) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *frame = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

void ParseFrames(const std::string& text, Options& options) {
  const auto bad = [&]() {
    return UsageError("--frames " + text + ": expected FIRST:LAST, FIRST:, :LAST or one frame");
  };
  const size_t colon = text.find(':');
  int64_t value = 0;
  if (colon == std::string::npos) {
    if (!ParseFrame(text, &value)) throw bad();
    options.first = options.last = value;
    return;
  }
  const std::string first = text.substr(0, colon);
  const std::string last = text.substr(colon + 1);
  if (first.empty() && last.empty()) throw bad();
  if (!first.empty()) {
    if (!ParseFrame(first, &value)) throw bad();
    options.first = value;
  }
  if (!last.empty()) {
    if (!ParseFrame(last, &value)) throw bad();
    options.last = value;
  }
  if (options.first && options.last && *options.first > *options.last)
    throw UsageError("--frames " + text + ": FIRST comes after LAST");
}

void SetValue(const std::string& name, const std::string& value, Options& options) {
  if (name == "-i" || name == "--input") {
    options.input = value;
  } else if (name == "-o" || name == "--output") {
    options.output = value;
  } else if (name == "-p" || name == "--parameter") {
    options.parameters.push_back(value);
  } else if (name == "--fields") {
    if (value == "auto") {
      options.fields = FieldsMode::Auto;
    } else if (value == "progressive") {
      options.fields = FieldsMode::Progressive;
    } else if (value == "tff") {
      options.fields = FieldsMode::TopFieldFirst;
    } else if (value == "bff") {
      options.fields = FieldsMode::BottomFieldFirst;
    } else {
      throw UsageError("--fields " + value + ": expected auto, progressive, tff or bff");
    }
  } else if (name == "--frames") {
    ParseFrames(value, options);
  } else if (name == "--depth") {
    if (value != "24" && value != "32")
      throw UsageError("--depth " + value + ": expected 24 or 32");
    options.depth = std::atoi(value.c_str());
  } else if (name == "--log") {
    if (value.empty()) throw UsageError("--log needs a directory");
    options.logDirectory = value;
  } else if (name == "--plugins") {
    options.plugins = value;
  }
}

}  // namespace

Options ParseOptions(int argc, const char* const* argv) {
  Options options;
  std::vector<std::string> positional;
  std::vector<std::string> renderOnly;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      positional.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = argument;
    std::optional<std::string> value;
    if (const size_t equals = argument.find('=');
        argument.rfind("--", 0) == 0 && equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    if (name == "-h" || name == "--help") {
      options.command = Command::Help;
      return options;
    }
    if (name == "--version") {
      options.command = Command::Version;
      return options;
    }
    if (name == "-q" || name == "--quiet") {
      options.quiet = true;
    } else if (name == "-v" || name == "--verbose") {
      options.verbose = true;
    } else if (TakesValue(name)) {
      if (!value) {
        if (i + 1 >= argc) throw UsageError(name + " needs a value");
        value = argv[++i];
      }
      SetValue(name, *value, options);
      if (name != "--plugins") renderOnly.push_back(name);
    } else {
      throw UsageError("unknown option " + name + " (lumov --help lists them)");
    }
  }

  if (positional.empty()) return options;
  const std::string command = positional[0];
  size_t expected = 1;
  if (command == "list") {
    options.command = Command::List;
  } else if (command == "info" || command == "render") {
    options.command = command == "info" ? Command::Info : Command::Render;
    if (positional.size() < 2)
      throw UsageError(command + " needs an EFFECT (lumov list shows them)");
    options.effect = positional[1];
    expected = 2;
  } else if (command == "demo") {
    options.command = Command::Demo;
    if (positional.size() >= 2) options.demoDirectory = positional[1];
    expected = 2;
  } else if (command == "help") {
    options.command = Command::Help;
    return options;
  } else {
    throw UsageError("unknown command \"" + command + "\" (commands: list, info, render, demo)");
  }
  if (positional.size() > expected)
    throw UsageError("unexpected argument \"" + positional[expected] + "\"");
  if (options.command != Command::Render && !renderOnly.empty())
    throw UsageError(renderOnly.front() + " belongs to lumov render");
  if (options.command == Command::Render) {
    if (options.input.empty()) throw UsageError("render needs an input: -i INPUT");
    if (options.output.empty()) throw UsageError("render needs an output: -o OUTPUT");
  }
  return options;
}

}  // namespace lumov::tool
