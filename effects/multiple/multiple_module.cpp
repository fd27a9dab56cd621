// The constants that make this module the Multiple plug-in.
#include "effect_module.h"

namespace lumov {

extern constinit const ModuleDefinition kModule{
    .moduleName = "LumovMultiple",
    .displayName = "Multiple (V1.1 by Lumo)",
    .displayNameForHost = u"Multiple (V1.1 by Lumo)",
    .classId = "{7A6FEFC1-E03C-479D-9B65-7B7B54EAF993}"_guid,
    .firstInput = 1,
    .secondInput = 4,
    .effectClassName = "Multiple",
    .imageDataClassName = "Multiple",
    .createLogsClassName = false,
};

}  // namespace lumov
