// The start of every frame through the built modules: no input, an output the host cannot
// prepare, and the image data that the first successful frame logs.
#include <algorithm>
#include <string>
#include <vector>

#include "support.h"

namespace lumov::test {
namespace {

struct ModuleCase {
  const char* module;
  const char* header;  // the first image data line of instance 1
};

const ModuleCase kModules[] = {
    {"LumovMirror", "1: Template::ProcessBegin   Image Data:"},
    {"LumovMultiple", "1: Multiple::ProcessBegin   Image Data:"},
    {"LumovHotspot", "1: RenderHotspot::ProcessBegin   Image Data:"},
    {"LumovHotspotMove", "1: RenderHotspotMove::ProcessBegin   Image Data:"},
};

void PrintTo(const ModuleCase& module, std::ostream* out) {
  *out << module.module;
}

// An image factory whose PrepareOutput answers a code the test sets and keeps a reference to
// every format object it is given, so that the test can see whether the plug-in released its
// own. With code 0 it prepares the output as the host's factory does.
class PreparingFactory : public host::HostObject<host::ImageFactorySlots> {
 public:
  struct Call {
    GUID iid;
    IImageHolder* output;
    ComRef<IImageFormat> format;
    int32_t a;
    int32_t b;
  };

  int32_t LUMOV_CALL PrepareOutput(const GUID* iid, IImageHolder* output, IImageFormat* format,
                                   int32_t a, int32_t b) override {
    calls.push_back({*iid, output, ComRef<IImageFormat>::Share(format), a, b});
    if (code != kResultOk) return code;
    return host->PrepareOutput(iid, output, format, a, b);
  }
  int32_t LUMOV_CALL CreateImageBufferInstance(const GUID*, IImageBuffer** image, int32_t, int32_t,
                                               IImageFormat*, int32_t, int32_t) override {
    *image = nullptr;
    return host::kUnsupported;
  }

  int32_t code = kResultOk;
  std::vector<Call> calls;

 private:
  ComRef<host::ImageFactory> host = host::New<host::ImageFactory>();
};

class ProcessBeginTest : public ::testing::TestWithParam<ModuleCase> {
 protected:
  host::ImageShape InputSpec() const {
    host::ImageShape shape;
    shape.width = 720;
    shape.height = 576;
    shape.bitDepth = 24;
    shape.bottomUp = true;
    shape.colorSpace = 3;
    shape.fieldMode = 1;
    return shape;
  }
  int32_t Begin() {
    host::EffectInstance& host = rig.Instance();
    return rig.Effect()->ProcessBegin(&host.Output(), host.Inputs(), &host.Parameters(),
                                      &host.Position(), factory.get());
  }
  std::vector<std::string> Messages() const { return log.Messages(GetParam().module); }
  // The positions of the image data header in the log.
  std::vector<size_t> Headers() const {
    std::vector<size_t> found;
    const std::vector<std::string> lines = Messages();
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].find("Image Data:") != std::string::npos) found.push_back(i);
    return found;
  }
  void ExpectImageDataOnce() const {
    const std::vector<size_t> headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    const std::vector<std::string> lines = Messages();
    const std::vector<std::string> expected = {
        GetParam().header,   "  Width      = 720", "  Height     = 576",
        "  BitDepth   = 24", "  ColorSpace = 3",   "  FieldMode  = 1 (Progressive=0, Interlaced=1)",
    };
    ASSERT_GE(lines.size(), headers[0] + expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + ptrdiff_t(headers[0]),
                                       lines.begin() + ptrdiff_t(headers[0] + expected.size())),
              expected);
  }
  void TearDown() override {
    factory->calls.clear();
    EXPECT_EQ(factory->GetRefCount(), 1);
  }

  LogDir log;
  EffectRig rig{GetParam().module};
  ComRef<PreparingFactory> factory = host::New<PreparingFactory>();
};

TEST_P(ProcessBeginTest, WithoutAnInputImageNothingHappens) {
  EXPECT_EQ(Begin(), kNoInputImage);
  EXPECT_TRUE(factory->calls.empty());
  EXPECT_EQ(rig.Output(), nullptr);
  EXPECT_TRUE(Headers().empty());
  // A host may go on to call Process for that frame; there is nothing to render.
  EXPECT_EQ(rig.Process(), kResultOk);

  // The first frame that has an input still logs its image data.
  rig.SetInput(MakeImage(InputSpec()));
  EXPECT_EQ(Begin(), kResultOk);
  ExpectImageDataOnce();
}

TEST_P(ProcessBeginTest, AFailedPrepareOutputIsReturnedWithoutALogLine) {
  rig.SetInput(MakeImage(InputSpec()));
  factory->code = 0x5123;
  EXPECT_EQ(Begin(), 0x5123);
  ASSERT_EQ(factory->calls.size(), 1u);
  const PreparingFactory::Call& call = factory->calls[0];
  EXPECT_EQ(call.iid, "{85935AD3-4D52-4B64-B3CB-1E43BFF0B411}"_guid);
  EXPECT_EQ(call.output, &rig.Instance().Output());
  EXPECT_EQ(call.a, 512);
  EXPECT_EQ(call.b, 64);
  // The input's own format, released by the plug-in: only the factory's reference is left.
  auto* format = dynamic_cast<host::ImageFormat*>(call.format.get());
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format->Shape(), InputSpec());
  EXPECT_EQ(format->GetRefCount(), 1);
  EXPECT_TRUE(Headers().empty());

  factory->code = kResultOk;
  EXPECT_EQ(Begin(), kResultOk);
  ASSERT_EQ(factory->calls.size(), 2u);
  EXPECT_EQ(factory->calls[1].format->GetRefCount(), 1);
  ASSERT_NE(rig.Output(), nullptr);
  EXPECT_EQ(rig.Output()->Shape(), InputSpec());
  ExpectImageDataOnce();
}

TEST_P(ProcessBeginTest, ImageDataIsLoggedOnceAtTheFirstFrame) {
  rig.SetInput(MakeImage(InputSpec()));
  EXPECT_EQ(Begin(), kResultOk);
  // Later frames log nothing, even when the image has changed.
  rig.SetInput(MakeImage({.width = 64, .height = 48, .bitDepth = 32}));
  EXPECT_EQ(Begin(), kResultOk);
  factory->code = 0x5123;
  EXPECT_EQ(Begin(), 0x5123);
  ExpectImageDataOnce();
  for (const PreparingFactory::Call& call : factory->calls)
    EXPECT_EQ(call.format->GetRefCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Modules, ProcessBeginTest, ::testing::ValuesIn(kModules),
                         [](const auto& info) { return std::string(info.param.module); });

}  // namespace
}  // namespace lumov::test
