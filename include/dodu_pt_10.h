/*
 * DODU_PT_10: fiscal processor driver for Portugal.
 *
 * Every call takes one request XML text and answers 0 (success) or -1 (failure, with the reason
 * in *error). Texts are owned strings: UTF-16 code units preceded by their 32-bit byte length and
 * followed by a zero unit. The request stays the caller's. Every output text is a new string the
 * caller owns and releases with SysFreeString; an empty output is NULL. On entry the library sets
 * each output text to NULL without releasing it, so pass variables that hold no string.
 * Call the library from one thread at a time.
 */
#ifndef DODU_PT_10_H
#define DODU_PT_10_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef _WIN32
/* The system's BSTR and its functions (oleaut32); the exports take their arguments stdcall. */
#include <windows.h>
#include <oleauto.h>
#define DODU_CALL __stdcall
#else
typedef uint16_t OLECHAR;
typedef OLECHAR* BSTR;
#define DODU_CALL
#endif

/* Opens a till: *handle receives the processor handle (0 on failure). */
int32_t DODU_CALL OPEN(const BSTR request, int32_t* handle, BSTR* error);
/* Numbers, signs and stores a sale, refund or void; *result is the updated receipt XML. */
int32_t DODU_CALL PROCESSRECEIPT(const BSTR request, BSTR* result, BSTR* error);
/* Returns a stored document marked as a reprint. */
int32_t DODU_CALL PROCESSREPRINTRECEIPT(const BSTR request, BSTR* result, BSTR* error);
/* Closes the fiscal day; *result is the Z report XML (all zero on failure). */
int32_t DODU_CALL PROCESSZREPORT(const BSTR request, BSTR* result, BSTR* error);
/* Reads the fiscal day; *result is the X report XML (all zero on failure). */
int32_t DODU_CALL PROCESSXREPORT(const BSTR request, BSTR* result, BSTR* error);
/* The processor's status XML; without a handle an empty status and 0. */
int32_t DODU_CALL PROCESSGETSTATUS(const BSTR request, BSTR* result, BSTR* error);

#ifndef _WIN32
/* Owned strings, with the semantics of the Windows functions of the same names. */
BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length);
void SysFreeString(BSTR text);
uint32_t SysStringLen(BSTR text);
#endif

#ifdef __cplusplus
}
#endif

#endif /* DODU_PT_10_H */
