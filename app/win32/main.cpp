// Program start on Windows: no arguments are read; the program ends when the wizard
// closes. TVINSTALL_TOUR names a folder: the program then tours one installation through
// its window by itself, saving screenshots there (for machines without a person at them).
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "host/win32/Wide.h"
#include "ui/win32/Win32Tour.h"
#include "ui/win32/Win32WizardProgram.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tv::Win32WizardProgram program;
    program.Start();
    std::unique_ptr<tv::Win32Tour> tour;
    if (const wchar_t* folder = _wgetenv(L"TVINSTALL_TOUR"))
        tour = std::make_unique<tv::Win32Tour>(program, tv::Narrow(folder));
    if (program.Controller().GetForm().Closed) return tour ? tour->End() : 0;
    int result = program.Run();
    return tour ? tour->End() : result;
}
