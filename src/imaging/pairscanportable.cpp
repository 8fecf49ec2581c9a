// The scan's inner loop for any processor.
#include <algorithm>
#include <cstdlib>

#include "imaging/pairscankernel.h"

#define PAIRSCAN_NAME(name) name##Portable
#include "imaging/pairscanloop.inc"
