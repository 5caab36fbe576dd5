// scenery.fx - cove.fx for the great fixed pieces of the cove (the shore and
// its cliffs, the lighthouse): lit and darkened like the rest, but casting no
// shadow. The lamp shines from inside the tower, which would hide it from the
// whole beach; the shore holds both lights within its bounds, so a shadow of
// it could fall anywhere they reach, and every lit pixel would pay for the
// lookups of its map (the flat sand shades nothing).
#define NO_SHADOW_CASTER 1
#include "cove.fx"
