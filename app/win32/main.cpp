// Program start on Windows: the command line decides between the window (with a person,
// or showing only the progress page) and a run without any window.
#include <windows.h>

#include <shellapi.h>

#include "app/TrustedKeys.h"
#include "host/win32/Wide.h"
#include "ui/win32/Win32WizardProgram.h"
#include "wizard/Session.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tv::ProgramStart start;
    start.TrustedKeys = tv::BuiltInTrustedKeys();
    start.CommandLine = tv::Narrow(GetCommandLineW());
    int count = 0;
    if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            start.Arguments.push_back(tv::Narrow(arguments[i]));
        LocalFree(arguments);
    }
    start.Tell = [](const std::string& text, bool error, bool mayShow) {
        if (mayShow)
            MessageBoxW(nullptr, tv::Wide(text).c_str(), L"Norvano Setup",
                        MB_OK | (error ? MB_ICONWARNING : MB_ICONINFORMATION));
    };
    start.RunWindowed = [](const tv::SessionStart& session) {
        tv::Win32WizardProgram program;
        if (std::optional<int> code = program.Start(session)) return *code;
        if (!program.Controller().GetForm().Closed) program.Run();
        return program.Finish();
    };
    return tv::RunProgram(start);
}
