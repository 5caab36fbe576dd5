// tower.fx - scenery.fx for the lighthouse's shaft, which no light reaches:
// the lamp shines from inside the tower, so every outer face turns away from
// it, and the campfire's range ends short of the wall. Without light passes
// the shaft costs its ambient pass alone: by the keeper's post the Lit pass
// shaded a quarter of the screen there to add nothing. The gallery and the
// roof's rim, which the lamp does light, keep scenery.fx.
#define AMBIENT_ONLY 1
#include "scenery.fx"
