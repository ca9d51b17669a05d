// The browser build's C library declares pthread_setname_np but has no body for
// it. Names only help debuggers read a thread list; in the browser the threads
// are workers that the page's developer tools list on their own, so naming one
// does nothing here.
#include <pthread.h>

extern "C" int pthread_setname_np(pthread_t, const char*) { return 0; }
