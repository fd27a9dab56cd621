// The constants that make this module the Hotspot plug-in.
#include "effect_module.h"

namespace lumov {

extern constinit const ModuleDefinition kModule{
    .moduleName = "LumovHotspot",
    .displayName = "Hotspot (V1.0 by Lumo)",
    .displayNameForHost = u"Hotspot (V1.0 by Lumo)",
    .classId = "{C0340313-02D5-4D8E-ABFB-DF916DE4659B}"_guid,
    .firstInput = 1,
    .secondInput = 4,
    .effectClassName = "RenderHotspot",
    .imageDataClassName = "RenderHotspot",
    .createLogsClassName = true,
};

}  // namespace lumov
