// The replaced global operator new and delete behind heap_counter.h. Alone in their file so that no
// caller inlines them (the compiler would then pair a new with its free and warn).
#include "common/testing/heap_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakBytes{0};

// A header as large as the strictest fundamental alignment, so that blocks stay aligned.
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t size) {
    void* block = std::malloc(size + kHeader);
    if (!block) return nullptr;
    *static_cast<size_t*>(block) = size;
    size_t live = liveBytes.fetch_add(size, std::memory_order_relaxed) + size;
    size_t peak = peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) {
    if (!pointer) return;
    void* block = static_cast<char*>(pointer) - kHeader;
    liveBytes.fetch_sub(*static_cast<size_t*>(block), std::memory_order_relaxed);
    std::free(block);
}

}  // namespace

namespace heap {

size_t HeapLiveBytes() {
    return liveBytes.load();
}
size_t HeapPeakBytes() {
    return peakBytes.load();
}
void ResetHeapPeak() {
    peakBytes.store(liveBytes.load());
}

}  // namespace heap

void* operator new(size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* pointer) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, size_t) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, size_t) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    Release(pointer);
}
