// The GL driver keeps memory until the process ends, so the drawing tests leave
// leak checking to the logic tests; every other sanitizer check stays on.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
