// Linked into the program only in AddressSanitizer builds. Libraries that SDL
// and the graphics stack load at run time stay loaded to the end: LeakSanitizer
// checks for leaks at exit, and memory that an unloaded library still held
// would show as leaked from "<unknown module>", a frame no suppression can
// name. Kept loaded, the few leaks inside system libraries carry their
// library's name, and scripts/lsan-suppressions.txt suppresses exactly those.
extern "C" int dlclose(void*) { return 0; }
