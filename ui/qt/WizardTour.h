// A guided tour for machines without a person at the screen: it clicks one single-seat
// installation of edition "Solan" through the window as a person would (mouse clicks
// on the controls, never calls into the controller), answers boxes with their default
// button, prints each page's heading and text, and saves a screenshot of every page.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class QWidget;

namespace tv {

class WizardWindow;

class WizardTour : public QObject {
    Q_OBJECT
public:
    WizardTour(WizardWindow& window, QString screenshotFolder);

    // Called when the program's loop has ended: prints the last line and returns 0 when
    // the tour saw the installation succeed (or the update end the program), 1 when the
    // wizard reported a failure or the tour could not go on.
    int End();

private:
    enum class Step { Selection, Parameters, Running, Outcome, Closing };

    void Tick();
    void AnswerBox(QWidget* box);
    void Describe(const QString& screenshot);
    void Print(const QString& line) const;

    WizardWindow& FWindow;
    QString FFolder;
    QTimer FTimer;
    Step FStep = Step::Selection;
    int FShot = 0;
    int FResult = 1;
    int FTicks = 0;
    int FSettle = 0;
    QSet<QString> FCaught;
};

} // namespace tv
