#pragma once
// Memory for the document's records (the change record, the history of edits and the
// counts behind its marks, and the edit log's array) is asked for through here. Running
// out is then an ordinary refusal that an edit can take back, and tests can refuse any
// one request.

#include <cstddef>
#include <memory>
#include <new>

namespace quillix {

// Asked before each request for the records' memory; false refuses it. Null (the program)
// asks the system alone. Tests put in one that counts the requests and refuses a chosen one.
using AllocationCheck = bool (*)(std::size_t bytes);
extern AllocationCheck allocationCheck;

inline bool allocationAllowed(std::size_t bytes) {
    return allocationCheck == nullptr || allocationCheck(bytes);
}

// The standard allocator behind that check: a refused request throws std::bad_alloc, as
// the system's own refusal does.
template <class T>
struct RecordAllocator {
    using value_type = T;
    RecordAllocator() = default;
    template <class U>
    RecordAllocator(const RecordAllocator<U>&) {}
    T* allocate(std::size_t count) {
        if (!allocationAllowed(count * sizeof(T))) throw std::bad_alloc();
        return std::allocator<T>().allocate(count);
    }
    void deallocate(T* block, std::size_t count) { std::allocator<T>().deallocate(block, count); }
    template <class U>
    friend bool operator==(const RecordAllocator&, const RecordAllocator<U>&) {
        return true;
    }
};

}  // namespace quillix
