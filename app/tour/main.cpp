// The tour program, for the demo and the end-to-end tests only, never shipped: the
// wizard as the program starts it, toured through its window by itself (one single-seat
// installation of Solan), with a screenshot of every page in the folder TVINSTALL_TOUR
// names. Its exit code says whether the installation succeeded.
#include <QApplication>
#include <cstdio>

#include "app/TrustedKeys.h"
#include "ui/qt/QtTour.h"
#include "ui/qt/WizardProgram.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (!qEnvironmentVariableIsSet("TVINSTALL_TOUR")) {
        std::fputs("TVINSTALL_TOUR must name the folder for the screenshots.\n", stderr);
        return 2;
    }
    tv::WizardProgram program;
    QObject::connect(&program.Window(), &tv::WizardWindow::WizardClosed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    program.Controller().Source().TrustedKeys = tv::BuiltInTrustedKeys(); // as the program's own
    program.Start();
    tv::QtTour tour(program.Window(), qEnvironmentVariable("TVINSTALL_TOUR"));
    if (!program.Controller().GetForm().Closed) application.exec();
    return tour.End();
}
