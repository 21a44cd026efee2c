#pragma once
// The code with which the installer checks its own file at start-up is kept together near the front
// of the program's code (in the Windows build a ".text$" section, which the linker places before the
// functions of every library), apart from the rest of the program. A damaged byte can defeat the check
// only where it hits the code that runs before or during it; keeping that code small and in one place
// keeps every other byte of the program covered.
#if defined(_WIN32) && defined(__GNUC__)
#define MV_SELF_CHECK_CODE __attribute__((section(".text$selfcheck")))
#else
#define MV_SELF_CHECK_CODE
#endif
