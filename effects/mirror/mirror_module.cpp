// The constants that make this module the Mirror plug-in.
#include "effect_module.h"

namespace lumov {

extern constinit const ModuleDefinition kModule{
    .moduleName = "LumovMirror",
    .displayName = "Mirror (V1.2 by Lumo)",
    .displayNameForHost = u"Mirror (V1.2 by Lumo)",
    .classId = "{2CF5CDA2-BA06-4102-8E1B-FEEB6D83D1F9}"_guid,
    .firstInput = 1,
    .secondInput = -1,
    .effectClassName = "Mirror",
    .imageDataClassName = "Template",
    .createLogsClassName = false,
};

}  // namespace lumov
