#pragma once
// The click engine written the plain way, one value at a time with the
// difference ring, its cursor and runMax exactly as the scan describes them.
// Kept as the oracle that the production engine's faster scan is compared with.

#include "engine/ClickEngine.h"

namespace reference {

// Same contract as ::CleanBlock.
int32_t CleanBlock(int32_t *work, int32_t count, int32_t blockStart, const Thresholds &thresholds,
                   int32_t &clickCounter, ClickReporter *reporter);

} // namespace reference
