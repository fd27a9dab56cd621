// The constants that make this module the Reverse plug-in.
#include "effect_module.h"

namespace lumov {

extern constinit const ModuleDefinition kModule{
    .moduleName = "LumovReverse",
    .displayName = "Reverse (V1.1 by Lumo)",
    .displayNameForHost = u"Reverse (V1.1 by Lumo)",
    .classId = "{79FB05E4-D87E-41F2-AB96-966343AD58E5}"_guid,
    .firstInput = 1,
    .secondInput = -1,
    .effectClassName = "RenderReverse",
    .imageDataClassName = "RenderReverse",
    .createLogsClassName = true,
};

}  // namespace lumov
