// Program start on Windows: no arguments are read; the program ends when the wizard
// closes.
#include <windows.h>

#include "ui/win32/Win32WizardProgram.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tv::Win32WizardProgram program;
    program.Start();
    if (program.Controller().GetForm().Closed) return 0;
    return program.Run();
}
