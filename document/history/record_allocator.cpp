#include "document/history/record_allocator.h"

namespace quillix {

AllocationCheck allocationCheck = nullptr;

}  // namespace quillix
