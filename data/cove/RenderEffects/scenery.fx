// scenery.fx - cove.fx for the great fixed pieces of the cove (the shore and
// its cliffs, the lighthouse): lit and darkened like the rest, but casting no
// shadow. The lamp shines from inside the tower, which would hide it from the
// whole beach; the shore holds both lights within its bounds, so as a caster
// it would be drawn into every face of their cubes that a figure walking by
// makes stale, for a flat beach that shades nothing.
#define NO_SHADOW_CASTER 1
#include "cove.fx"
