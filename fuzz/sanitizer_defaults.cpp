// SPDX-License-Identifier: MIT
// The AddressSanitizer settings every fuzz target starts with; ASAN_OPTIONS adds to them and
// overrides them.
//
// malloc_context_size=2: each allocation and release records two frames of its stack, not
// thirty. Qt is built without frame pointers, so the fast unwinder reads stack garbage past
// the first Qt frame: many of the blocks Qt allocates then record a stack never seen before,
// and the depot of recorded stacks grows by some 2 KB a run for the life of the process
// (past the 2 GB memory limit of a run within a million runs) while every look-up in it
// gets slower. Two frames (the allocating function and its caller) stay well-formed: the
// depot then holds a few hundred stacks. The faults are found all the same; only the
// allocation and release stacks in a report are short. For a full report, run the target
// on the saved input with
//   ASAN_OPTIONS=malloc_context_size=30:fast_unwind_on_malloc=0
// (scripts/fuzz.sh --long does this for every crash it finds).
extern "C" const char* __asan_default_options() { return "malloc_context_size=2"; }
