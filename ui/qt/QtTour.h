// The guided tour on Qt: the window's widgets as the tour's surface, found by their
// design names, clicked with mouse events, and a timer that drives the tour.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

#include "ui/WizardTour.h"

namespace tv {

class WizardWindow;

class QtTour : public QObject {
    Q_OBJECT
public:
    QtTour(WizardWindow& window, const QString& screenshotFolder);
    ~QtTour() override;
    // Stops the tour; see WizardTour::End.
    int End();

private:
    std::unique_ptr<TourSurface> FSurface;
    std::unique_ptr<WizardTour> FTour;
    QTimer FTimer;
};

} // namespace tv
