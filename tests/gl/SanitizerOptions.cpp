// Mesa's shader compiler and fontconfig keep a few allocations for the life of the
// process, which LeakSanitizer reports in sanitizer builds of this binary. Leak
// checking stays on for every other suite; address and UB checks stay on here.
// NOLINTBEGIN(readability-identifier-naming): the sanitizer runtime looks for this name
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
// NOLINTEND(readability-identifier-naming)
