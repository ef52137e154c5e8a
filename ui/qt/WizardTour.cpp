#include "ui/qt/WizardTour.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <cstdio>

#include "ui/qt/WizardWindow.h"

namespace tv {

namespace {

constexpr int TickMs = 50;
constexpr int GiveUpAfterTicks = 5 * 60 * 1000 / TickMs; // a tour that stands still this long has failed
constexpr int SettleTicks = 4; // lets the window's idle pass run between clicks, as a person's pauses do

// A press and a release of the left button, as the mouse delivers them.
void Click(QWidget* widget) {
    const QPoint at(qMin(8, widget->width() / 2), widget->height() / 2);
    const QPoint global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

template <class W> W* Find(QWidget& window, const char* name) {
    return window.findChild<W*>(QString::fromLatin1(name));
}

} // namespace

WizardTour::WizardTour(WizardWindow& window, QString screenshotFolder)
    : FWindow(window), FFolder(std::move(screenshotFolder)) {
    QDir().mkpath(FFolder);
    Print(QStringLiteral("Tour: eine Einzelplatzinstallation der Edition Solan, Bilder in %1").arg(FFolder));
    connect(&FTimer, &QTimer::timeout, this, &WizardTour::Tick);
    FTimer.start(TickMs);
}

void WizardTour::Print(const QString& line) const {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

int WizardTour::End() {
    FTimer.stop();
    // After Next, the wizard ends on its own only once an installed application has been
    // updated; any failure would have shown the outcome page.
    if (FStep == Step::Parameters || FStep == Step::Running) {
        Print(QStringLiteral("Der Assistent hat sich nach dem Update beendet."));
        FResult = 0;
    }
    Print(FResult == 0 ? QStringLiteral("Tour beendet.") : QStringLiteral("Tour fehlgeschlagen."));
    return FResult;
}

void WizardTour::Describe(const QString& screenshot) {
    const QWidget* page = FWindow.Pages()->currentWidget();
    const QString name = page->objectName();
    auto text = [&](const char* control) { return Find<QLabel>(FWindow, control)->text(); };
    if (name == "tsSelect") {
        Print(QStringLiteral("== %1: Paketauswahl ==").arg(FWindow.windowTitle()));
        for (QRadioButton* button : FWindow.PackageButtons()) {
            Print(QStringLiteral("  (%1) %2").arg(button->isChecked() ? "x" : " ", button->text()));
            auto* description =
                FWindow.findChild<QLabel*>(QString(button->objectName()).replace("rb", "lbl"));
            if (description) Print(QStringLiteral("      ") + description->text());
        }
    } else if (name == "tsParams") {
        Print(QStringLiteral("== %1 ==").arg(text("lblParams")));
        for (const char* choice : {"rbClient", "rbSingle"}) {
            auto* button = Find<QRadioButton>(FWindow, choice);
            if (button->isVisible())
                Print(QStringLiteral("  (%1) %2")
                          .arg(button->isChecked() ? "x" : " ", button->text().trimmed()));
        }
        Print(QStringLiteral("  %1: %2")
                  .arg(Find<QGroupBox>(FWindow, "gbFolder")->title().trimmed(),
                       Find<QLineEdit>(FWindow, "edtFolder")->text()));
        if (Find<QGroupBox>(FWindow, "gbAppVers")->isVisible())
            Print(QStringLiteral("  %1 %2").arg(Find<QGroupBox>(FWindow, "gbAppVers")->title(),
                                                Find<QComboBox>(FWindow, "cbAppVers")->currentText()));
    } else if (name == "tsProgress") {
        Print(QStringLiteral("== %1 ==  %2").arg(text("lblProgress"), text("lblFileName")));
    } else {
        Print(QStringLiteral("== %1 ==").arg(text("lblInfo")));
        Print(QStringLiteral("  ") + text("lblStatusInfo").replace('\n', QStringLiteral("\n  ")));
        auto* errors = Find<QListWidget>(FWindow, "ErrList");
        for (int i = 0; i < errors->count(); ++i)
            Print(QStringLiteral("  - ") + errors->item(i)->text());
    }
    const QString file =
        QStringLiteral("%1/%2-%3.png").arg(FFolder).arg(++FShot, 2, 10, QLatin1Char('0')).arg(screenshot);
    if (!FWindow.grab().save(file)) Print(QStringLiteral("  (Bild %1 nicht gespeichert)").arg(file));
}

void WizardTour::AnswerBox(QWidget* box) {
    Print(QStringLiteral("== Meldung \"%1\" ==").arg(box->windowTitle()));
    if (auto* message = box->findChild<QLabel*>(QStringLiteral("Message")))
        Print(QStringLiteral("  ") + message->text());
    const QString file = QStringLiteral("%1/%2-box.png").arg(FFolder).arg(++FShot, 2, 10, QLatin1Char('0'));
    box->grab().save(file);
    for (QPushButton* button : box->findChildren<QPushButton*>()) {
        if (!button->isDefault()) continue;
        Print(QStringLiteral("  -> %1").arg(QString(button->text()).remove('&')));
        Click(button);
        return;
    }
}

void WizardTour::Tick() {
    if (++FTicks > GiveUpAfterTicks) {
        Print(QStringLiteral("Die Tour kam nicht weiter."));
        FStep = Step::Outcome;
        FResult = 1;
        QApplication::exit(1);
        return;
    }
    if (QWidget* box = QApplication::activeModalWidget()) {
        AnswerBox(box);
        return;
    }
    if (!FWindow.isVisible()) return; // hidden while an installer runs
    if (FSettle > 0) {
        --FSettle;
        return;
    }
    const QString page = FWindow.Pages()->currentWidget()->objectName();
    switch (FStep) {
    case Step::Selection:
        if (page != "tsSelect" || FWindow.PackageButtons().empty()) { // the start itself failed
            FStep = Step::Outcome;
            break;
        }
        Describe(QStringLiteral("selection"));
        Click(FWindow.PackageButtons().at(0));
        Click(FWindow.Button("NextBtn"));
        FStep = Step::Parameters;
        FSettle = SettleTicks;
        break;
    case Step::Parameters: {
        if (page != "tsParams") { // an installed application is updated at once
            FStep = Step::Running;
            break;
        }
        auto* single = Find<QRadioButton>(FWindow, "rbSingle");
        if (!single->isChecked()) {
            Click(single);
            FSettle = SettleTicks;
            break;
        }
        auto* editions = Find<QComboBox>(FWindow, "cbAppVers");
        int solan = editions->findText(QStringLiteral("Solan"), Qt::MatchContains);
        if (solan >= 0 && editions->currentIndex() != solan) {
            editions->setCurrentIndex(solan); // chosen from the list
            FSettle = SettleTicks;
            break;
        }
        Describe(QStringLiteral("parameters"));
        Click(FWindow.Button("NextBtn"));
        FStep = Step::Running;
        break;
    }
    case Step::Running:
        if (page == "tsProgress") {
            const QString fileName = Find<QLabel>(FWindow, "lblFileName")->text();
            for (const char* name : {"pbDownload", "pbUnzip"}) {
                auto* bar = Find<QProgressBar>(FWindow, name);
                const QString key = fileName + name;
                if (bar->isVisible() && bar->value() * 3 >= bar->maximum() && !FCaught.contains(key)) {
                    FCaught.insert(key);
                    Describe(QLatin1String(name) == "pbDownload" ? "download" : "unzip");
                }
            }
        } else if (page == "tsInfo") {
            FStep = Step::Outcome;
        }
        break;
    case Step::Outcome:
        Describe(QStringLiteral("outcome"));
        FResult = Find<QLabel>(FWindow, "lblInfo")->text() == "Info" ? 0 : 1;
        Click(FWindow.Button("CloseBtn"));
        FStep = Step::Closing;
        FSettle = SettleTicks;
        break;
    case Step::Closing:
        if (page == "tsSelect") Click(FWindow.Button("CloseBtn"));
        break;
    }
}

} // namespace tv
