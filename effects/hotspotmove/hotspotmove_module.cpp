// The constants that make this module the HotspotMove plug-in.
#include "effect_module.h"

namespace lumov {

extern constinit const ModuleDefinition kModule{
    .moduleName = "LumovHotspotMove",
    .displayName = "HotspotMove (V1.0 by Lumo)",
    .displayNameForHost = u"HotspotMove (V1.0 by Lumo)",
    .classId = "{6AB20A8B-64ED-4BA9-B327-2C2BE469C4B8}"_guid,
    .firstInput = 1,
    .secondInput = 4,
    .effectClassName = "RenderHotspotMove",
    .imageDataClassName = "RenderHotspotMove",
    .createLogsClassName = true,
};

}  // namespace lumov
