// Modules as a host sees them: registration, effect objects, identity and reference counting.
#include "support.h"

namespace lumov::test {
namespace {

TEST(Spine, EveryModuleMakesAnObjectThatDiesWithItsLastReference) {
  for (const char* name : kModuleNames) {
    SCOPED_TRACE(name);
    EffectRig rig(name);
    EXPECT_EQ(rig.Effect()->GetRefCount(), 1);
  }
}

}  // namespace
}  // namespace lumov::test
