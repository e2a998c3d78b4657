#pragma once

namespace quorvex::testing {

// How many times this program has called operator new so far. Linking allocation_count.cpp
// replaces the global operator new with one that counts.
long AllocationCount();

}  // namespace quorvex::testing
