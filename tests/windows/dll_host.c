/* A host as a Windows point of sale is: it loads the DLL by path, finds the six exports by name
 * and by ordinal, calls each with real BSTRs (oleaut32), frees every answer with SysFreeString,
 * unloads the DLL with FreeLibrary and exits. Exit code 0 when every answer was as expected. */
#include <windows.h>
#include <oleauto.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef int32_t(__stdcall* OpenFn)(const BSTR, int32_t*, BSTR*);
typedef int32_t(__stdcall* ProcessFn)(const BSTR, BSTR*, BSTR*);

static int failures = 0;

static void Expect(int condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

static int SameText(BSTR text, const wchar_t* expected) {
  return text != NULL && SysStringLen(text) == wcslen(expected) && wcscmp(text, expected) == 0;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: dll_host PATH_TO_DLL\n");
    return 2;
  }
  HMODULE dll = LoadLibraryW(argv[1]);
  if (dll == NULL) {
    fprintf(stderr, "LoadLibraryW failed: %lu\n", GetLastError());
    return 1;
  }
  /* Each with the reason it gives for a request without its document and with a handle never
   * issued. */
  static const struct {
    const char* name;
    WORD ordinal;
    const wchar_t* reason;
  } exports[] = {{"PROCESSREPRINTRECEIPT", 2, L"ReceiptReference node not found"},
                 {"PROCESSGETSTATUS", 3, L"Processor Handle not found"},
                 {"PROCESSZREPORT", 4, L"Processor Handle not found"},
                 {"PROCESSXREPORT", 5, L"Processor Handle not found"},
                 {"PROCESSRECEIPT", 6, L"Receipt node not found"},
                 {"OPEN", 7, L"Invalid till serial"}};
  FARPROC found[6];
  for (int i = 0; i < 6; ++i) {
    found[i] = GetProcAddress(dll, exports[i].name);
    Expect(found[i] != NULL, exports[i].name);
    Expect(found[i] == GetProcAddress(dll, MAKEINTRESOURCEA(exports[i].ordinal)), "the same entry by ordinal");
  }
  Expect(GetProcAddress(dll, "SysAllocStringLen") == NULL, "no owned-string exports in the DLL");
  if (failures != 0) return 1;

  /* An OPEN without a till serial is refused with its reason and handle 0. */
  BSTR request = SysAllocString(
      L"<ReceiptPrinterManager><Type>FP</Type><Driver>DODU_PT_10</Driver><Method>Open</Method>"
      L"<Parameters><Processor>DODU_PT_10</Processor></Parameters></ReceiptPrinterManager>");
  BSTR error = (BSTR)(uintptr_t)1; /* the DLL must set it without freeing it */
  int32_t handle = -5;
  int32_t rc = ((OpenFn)(void (*)(void))found[5])(request, &handle, &error);
  Expect(rc == -1 && handle == 0, "OPEN refused");
  Expect(SameText(error, exports[5].reason), "OPEN's reason");
  SysFreeString(error);
  SysFreeString(request);

  /* Every other export refuses the request: -1 and the reason, as a BSTR. */
  request = SysAllocString(
      L"<ReceiptPrinterManager><Type>FP</Type><Driver>DODU_PT_10</Driver><Method>Process</Method>"
      L"<Handle>4242</Handle><Parameters><Processor>DODU_PT_10</Processor><FPTillSerial>T01</FPTillSerial>"
      L"</Parameters></ReceiptPrinterManager>");
  for (int i = 0; i < 5; ++i) {
    BSTR result = NULL;
    error = NULL;
    rc = ((ProcessFn)(void (*)(void))found[i])(request, &result, &error);
    Expect(rc == -1, exports[i].name);
    if (!SameText(error, exports[i].reason))
      fwprintf(stderr, L"%hs answered: %ls\n", exports[i].name, error != NULL ? error : L"(null)");
    Expect(SameText(error, exports[i].reason), "the reason of the refusal");
    SysFreeString(result);
    SysFreeString(error);
  }
  Expect(SysStringLen(request) > 0 && request[0] == L'<', "the request stays the caller's");
  SysFreeString(request);

  Expect(FreeLibrary(dll) != 0, "FreeLibrary");
  printf("%s\n", failures == 0 ? "dll_host: all exports answered" : "dll_host: failures");
  return failures == 0 ? 0 : 1;
}
