// flashax.exe: a stand-in for the Flash Player installer in the sample package.
//
// The installer starts "flashax.exe /Q" from the Windows folder when it finds no Flash Player 6 r79
// control. The real Flash Player installer cannot be shipped here; this stand-in installs nothing and
// ends at once, so that the sample package (and the demo) runs through start-up. Replace it with the
// real installer ("flash-installer =" in the manifest) for a package meant for users.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return 0; }
