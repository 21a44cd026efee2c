#pragma once
/* The PKWARE Data Compression Library interface, as the library publishes it (cdecl, C linkage).
 *
 * Here the functions carry a dcl_ prefix so that they can live beside zlib's crc32 in one program;
 * impborl.dll and libimpborl.so export them under the library's own names "_implode", "_explode" and
 * "_crc32" (see impborl.def and exports.cpp).
 *
 * Callbacks
 *   read_buf(buf, size, param)   copy up to *size bytes of input into buf; return how many (0 = no more)
 *   write_buf(buf, size, param)  take *size bytes of output from buf
 *   param is handed through unchanged.
 * Work areas belong to the caller: CMP_IMPLODE_WORK_SIZE and CMP_EXPLODE_WORK_SIZE bytes, any alignment.
 * The functions keep no other state: calls with different work areas may run at the same time.
 */
#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define DCL_CALL __cdecl
#else
#define DCL_CALL
#endif

#define CMP_BINARY 0 /* literals as plain bytes */
#define CMP_ASCII 1  /* literals Huffman-coded for text */

#define CMP_NO_ERROR 0
#define CMP_INVALID_DICTSIZE 1 /* implode: dsize not 1024/2048/4096; explode: header's size code not 4..6 */
#define CMP_INVALID_MODE 2     /* implode: type not CMP_BINARY/CMP_ASCII; explode: header's mode byte > 1 */
#define CMP_BAD_DATA 3         /* explode: a copy reaches before the start of the output */
#define CMP_ABORT 4            /* explode: the input ended before the end code */

#define CMP_IMPLODE_WORK_SIZE 36312
#define CMP_EXPLODE_WORK_SIZE 12596

typedef unsigned int(DCL_CALL* dcl_read_fn)(char* buf, unsigned int* size, void* param);
typedef void(DCL_CALL* dcl_write_fn)(char* buf, unsigned int* size, void* param);

/* Compresses everything read_buf delivers into one stream with the literal mode *type and a dictionary of
 * *dsize bytes (1024, 2048 or 4096). Returns CMP_NO_ERROR, CMP_INVALID_DICTSIZE or CMP_INVALID_MODE (then
 * nothing was read or written). */
unsigned int DCL_CALL dcl_implode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param,
                                  unsigned int* type, unsigned int* dsize);

/* Expands one stream. Returns CMP_NO_ERROR at the end code; CMP_INVALID_DICTSIZE / CMP_INVALID_MODE for a
 * bad header (nothing written); CMP_BAD_DATA for a copy from before the start of the output; CMP_ABORT when
 * the input ends first (or is shorter than the header). Whatever was decoded before a failure has been
 * handed to write_buf. */
unsigned int DCL_CALL dcl_explode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param);

/* CRC-32 (polynomial 0xEDB88320) of *size bytes, continuing from *old_crc, without pre- or
 * post-inversion: start with ~0 and invert the final value to get the usual CRC-32. */
unsigned long DCL_CALL dcl_crc32(char* buffer, unsigned int* size, unsigned long* old_crc);

#ifdef __cplusplus
}
#endif
