// Program start: no arguments are read; the program ends when the wizard closes.
#include <QApplication>

#include "ui/qt/WizardProgram.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    tv::WizardProgram program;
    QObject::connect(&program.Window(), &tv::WizardWindow::WizardClosed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    program.Start();
    if (program.Controller().GetForm().Closed) return 0;
    return application.exec();
}
