// tower.fx - cove.fx for the lighthouse: lit and darkened like the rest, but
// casting no shadow (its lamp shines from inside it).
#define NO_SHADOW_CASTER 1
#include "cove.fx"
