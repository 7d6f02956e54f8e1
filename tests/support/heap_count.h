// Heap calls made by the library's own code during a test. The test build
// renames every heap call in the library's objects to these counters.
#pragma once

#include <cstddef>

namespace pcfg_test {

void heap_reset();
// Allocations the library made since the reset.
size_t library_allocations();
// Allocations the library made and has not freed.
long library_outstanding();
// Makes the library's next malloc return null (once).
void heap_fail_next_malloc();

}  // namespace pcfg_test
