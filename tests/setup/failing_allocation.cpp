// Linked into one variant installer only: every allocation that extraction
// asks for fails, so that installer meets "not enough memory" as it would on
// a machine without any to spare.
#include <cstddef>

#include "payload/payload_memory.h"

namespace {

void* FailingAllocate(size_t) { return nullptr; }

struct UseFailingAllocation {
    UseFailingAllocation() { payloadAllocate = FailingAllocate; }
} useFailingAllocation;

}  // namespace
