// Program start: no arguments are read; the program ends when the wizard closes.
// TVINSTALL_TOUR names a folder: the program then tours one installation through its
// window by itself, saving screenshots there (for machines without a person at them).
#include <QApplication>
#include <memory>

#include "ui/qt/QtTour.h"
#include "ui/qt/WizardProgram.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    tv::WizardProgram program;
    QObject::connect(&program.Window(), &tv::WizardWindow::WizardClosed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    program.Start();
    std::unique_ptr<tv::QtTour> tour;
    if (qEnvironmentVariableIsSet("TVINSTALL_TOUR"))
        tour = std::make_unique<tv::QtTour>(program.Window(), qEnvironmentVariable("TVINSTALL_TOUR"));
    if (program.Controller().GetForm().Closed) return tour ? tour->End() : 0;
    int result = application.exec();
    return tour ? tour->End() : result;
}
