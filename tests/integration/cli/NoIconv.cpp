// Preloaded into dispenser-cli by a test: a C library without conversion
// modules, whose iconv_open fails for every code page.
#include <errno.h>
#include <iconv.h>

extern "C" iconv_t iconv_open(const char*, const char*) {
  errno = EINVAL;
  return reinterpret_cast<iconv_t>(-1);
}
