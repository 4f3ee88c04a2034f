// A shared object without any VST 2.4 entry point.
extern "C" [[gnu::visibility("default")]] int NotAnEntryPoint() {
  return 0;
}
