#pragma once
// A program's heap, counted: linking kestrin_heap_counter replaces the global operator new and delete
// (heap_counter.cpp) for the whole program, and every block carries its size, so frees are counted
// exactly. For the benchmarks and the tests that bound a peak, each a program of its own.
// Invariants:
//  1. HeapLiveBytes() is the sum of the sizes of the blocks allocated through operator new and not
//     yet freed; HeapPeakBytes() the largest it has been since the last ResetHeapPeak().

#include <cstddef>

namespace heap {

size_t HeapLiveBytes();
size_t HeapPeakBytes();
void ResetHeapPeak();  // the peak starts again from the live bytes

}  // namespace heap
