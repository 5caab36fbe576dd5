// NullObject.cpp - the pool of null objects.
#include "tier1/NullObject.h"

KAZ_DEFINE_POOL(NullObject, 10);
