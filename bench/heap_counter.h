#pragma once
// The benchmark program's heap, counted: this program replaces the global operator new and delete
// (heap_counter.cpp), and every block carries its size, so frees are counted exactly.
// Invariants:
//  1. HeapLiveBytes() is the sum of the sizes of the blocks allocated through operator new and not
//     yet freed; HeapPeakBytes() the largest it has been since the last ResetHeapPeak().

#include <cstddef>

namespace bench {

size_t HeapLiveBytes();
size_t HeapPeakBytes();
void ResetHeapPeak();  // the peak starts again from the live bytes

}  // namespace bench
