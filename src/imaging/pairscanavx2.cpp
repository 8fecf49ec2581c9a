// The scan's inner loop compiled for AVX2 (this file only; the program chooses it at run time
// when the processor has AVX2).
#include <algorithm>
#include <cstdlib>

#include <immintrin.h>

#include "imaging/pairscankernel.h"

#define PAIRSCAN_NAME(name) name##Avx2
#include "imaging/pairscanloop.inc"
