/* A stand-in for the compression library that misbehaves on purpose: its _explode consumes the
 * stream, writes nothing and removes the host file named by MV_FAKE_EXPLODE_UNLINK, so that the
 * caller finds its output missing. */
#include <stdlib.h>
#include <unistd.h>

typedef unsigned int (*read_fn)(char* buf, unsigned int* size, void* param);
typedef void (*write_fn)(char* buf, unsigned int* size, void* param);

unsigned int _explode(read_fn read_buf, write_fn write_buf, char* work_buf, void* param) {
  char buffer[512];
  unsigned int size = sizeof buffer;
  const char* victim = getenv("MV_FAKE_EXPLODE_UNLINK");
  (void)write_buf;
  (void)work_buf;
  while (read_buf(buffer, &size, param) > 0) size = sizeof buffer;
  if (victim) unlink(victim);
  return 0;
}

unsigned int _implode(read_fn read_buf, write_fn write_buf, char* work_buf, void* param, unsigned int* type,
                      unsigned int* dsize) {
  (void)read_buf; (void)write_buf; (void)work_buf; (void)param; (void)type; (void)dsize;
  return 2;
}

unsigned long _crc32(char* buffer, unsigned int* size, unsigned long* old_crc) {
  (void)buffer; (void)size;
  return *old_crc;
}
