// Program start: the command line decides between the window (with a person, or showing
// only the progress page) and a run without any window, which starts no toolkit at all.
#include <QApplication>
#include <QMessageBox>
#include <iostream>

#include "app/TrustedKeys.h"
#include "ui/qt/WizardProgram.h"
#include "wizard/Session.h"

namespace {

std::string CommandLineOf(int argc, char* argv[]) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        std::string argument = argv[i];
        if (i > 0) line += ' ';
        line += argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
    }
    return line;
}

} // namespace

int main(int argc, char* argv[]) {
    tv::ProgramStart start;
    start.Arguments.assign(argv + 1, argv + argc);
    start.TrustedKeys = tv::BuiltInTrustedKeys();
    start.CommandLine = CommandLineOf(argc, argv);
    start.Tell = [&](const std::string& text, bool error, bool mayShow) {
        (error ? std::cerr : std::cout) << text << std::endl;
        // With a person in front of it, the program also says so in a window.
        const bool display =
            qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
        if (!error || !mayShow || !display) return;
        const auto show = [&] {
            QMessageBox::warning(nullptr, QStringLiteral("Norvano Setup"), QString::fromStdString(text));
        };
        if (QApplication::instance()) {
            show(); // the window's program runs: its application serves
        } else {
            QApplication application(argc, argv);
            show();
        }
    };
    start.CanShowWindow = [] {
        return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
               qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    };
    start.RunWindowed = [&](const tv::SessionStart& session) {
        QApplication application(argc, argv);
        tv::WizardProgram program;
        QObject::connect(&program.Window(), &tv::WizardWindow::WizardClosed, &application,
                         &QApplication::quit, Qt::QueuedConnection);
        if (std::optional<int> code = program.Start(session)) return *code;
        if (!program.Controller().GetForm().Closed) application.exec();
        return program.Finish();
    };
    return tv::RunProgram(start);
}
