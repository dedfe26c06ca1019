// Compiled, never run: the name KOLT_MEMBER_NAME looked up among the tank
// record's members. A name the record lacks must stop the build.
#include "config/ConfigSchema.h"

static_assert(ConfigSchema::IndexOf<TTankConfig>(KOLT_MEMBER_NAME) < ConfigSchema::MemberCount<TTankConfig>);
