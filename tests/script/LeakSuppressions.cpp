// LeakSuppressions.cpp - what LeakSanitizer may ignore in the script tests.
//
// Python 3.11 does not free everything it allocates while it starts, so a
// restarted interpreter leaves a few blocks behind. The interpreter is built
// without frame pointers: the stacks of its allocations end inside the
// library, and the start-up ones cannot be told from the others without the
// slow unwinder (too slow for these tests). So blocks allocated by the
// interpreter are excused; what the engine allocates (wrapped math values,
// world objects, console commands) is still reported, and the pools report
// their own leaks.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libpython3.11.so\n";
}
