// The tour program on Windows, for the demo and the end-to-end tests only, never
// shipped: the wizard toured through its window by itself, with a screenshot of every
// page in the folder TVINSTALL_TOUR names. Its exit code says whether the installation
// succeeded.
#include <windows.h>

#include <cstdlib>

#include "app/TrustedKeys.h"
#include "host/win32/Wide.h"
#include "ui/win32/Win32Tour.h"
#include "ui/win32/Win32WizardProgram.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* folder = _wgetenv(L"TVINSTALL_TOUR");
    if (!folder) return 2; // the folder for the screenshots is missing
    tv::Win32WizardProgram program;
    program.Controller().Source().TrustedKeys = tv::BuiltInTrustedKeys(); // as the program's own
    program.Start();
    tv::Win32Tour tour(program, tv::Narrow(folder));
    if (!program.Controller().GetForm().Closed) program.Run();
    return tour.End();
}
