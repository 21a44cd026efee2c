/* A stand-in control file for the Flash Player decision tests: a DLL whose only content of interest
   is its version resource (added per build target), or none. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
