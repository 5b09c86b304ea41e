// The text-log targets allocate a few hundred blocks an input, and recording where each was allocated (a
// stack walk and a look-up per block) took a fifth of their time. A fault found is saved as an input: run it
// again with ASAN_OPTIONS=malloc_context_size=30 for the allocation's stack. What is checked is unchanged.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=0";
}
