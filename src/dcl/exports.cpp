// The library's own entry point names for the native shared library libimpborl.so: "_implode",
// "_explode" and "_crc32", as the Windows library impborl.dll exports them (see impborl.def).
#include "dcl/pklib.h"

#define DCL_EXPORT __attribute__((visibility("default")))

extern "C" {
DCL_EXPORT unsigned int impborlImplode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param,
                                       unsigned int* type, unsigned int* dsize) __asm__("_implode");
DCL_EXPORT unsigned int impborlExplode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf,
                                       void* param) __asm__("_explode");
DCL_EXPORT unsigned long impborlCrc32(char* buffer, unsigned int* size, unsigned long* old_crc) __asm__("_crc32");
}

unsigned int impborlImplode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param,
                            unsigned int* type, unsigned int* dsize) {
  return dcl_implode(read_buf, write_buf, work_buf, param, type, dsize);
}
unsigned int impborlExplode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param) {
  return dcl_explode(read_buf, write_buf, work_buf, param);
}
unsigned long impborlCrc32(char* buffer, unsigned int* size, unsigned long* old_crc) {
  return dcl_crc32(buffer, size, old_crc);
}
