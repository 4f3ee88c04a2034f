// fontconfig loses a few hundred bytes while parsing its own configuration files, once per
// process; that is not this library's leak. fontconfig keeps no frame pointers, so leak
// stacks need the slow unwinder to reach the function named here.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:FcInitLoadConfigAndFonts\n";
}

extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}
