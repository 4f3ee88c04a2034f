// fontconfig loses a few hundred bytes while parsing its own configuration files, once per
// process; that is not this library's leak. fontconfig keeps no frame pointers, so leak
// stacks need the slow unwinder to reach the function named here; where the stack ends
// inside fontconfig without a name, its module is matched instead.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:FcInitLoadConfigAndFonts\nleak:libfontconfig.so\n";
}

extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}
