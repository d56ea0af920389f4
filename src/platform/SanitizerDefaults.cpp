// Built into every executable of a sanitizer build (PICTOFERRY_SANITIZE), never into a release.
//
// The address sanitizer follows the thread-local blocks of libraries loaded at run time by watching
// __tls_get_addr, and guesses where each block starts and how long it is. For libjpeg, loaded with the
// JPEG plug-in, the sanitizer of this compiler can guess an address near zero and a size of gigabytes;
// its leak check at exit then dies reading them ("Tracer caught signal 11"), and whether it does depends
// only on where the block lands. Without the watch the leak check still scans those blocks: one in the
// spare static TLS lies inside the thread's own TLS, which is scanned whole, and any other is a malloc
// block that the thread's table of blocks points to.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
