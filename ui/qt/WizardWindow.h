// The wizard window on Qt Widgets: it mirrors the controller's form after every
// handler and inside every message pump, and writes the user's input back into the
// form before it calls a handler through the controller's dispatch point.
#pragma once

#include <QWidget>
#include <vector>

#include "ui/ControlTable.h"
#include "ui/DelayedShow.h"
#include "wizard/Form.h"

class QCheckBox;
class QDialog;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QGroupBox;

namespace tv {

// The window's typeface at a height in pixels at 96 dots per inch.
QFont DesignFont(int pixelHeight, bool bold);

class TSetupWizardDlg;

class WizardWindow : public QWidget {
    Q_OBJECT
public:
    explicit WizardWindow(TSetupWizardDlg& controller);

    // Brings every widget in line with the form; cheap when nothing changed.
    void Reflect();
    // Unattended: the window shows the progress page only, and nothing else.
    bool OnlyProgressPage = false;

    // Runs a handler through the controller's dispatch point, then shows the result. A
    // handler names the controller by reference, not through the window's `this`: GCC's
    // vptr check misreads `this` inside a lambda nested in another.
    template <class Handler> void Deliver(Handler&& handler);

    // Named access for window tests.
    QPushButton* Button(const char* name) const;
    QStackedWidget* Pages() const { return FPages; }
    // The small window of a start that waits for the update server, once shown; else null.
    QDialog* ConnectWaitWindow() const { return FConnectWait; }
    const std::vector<QRadioButton*>& PackageButtons() const { return FPackageButtons; }

signals:
    // The wizard has closed, whether its window was shown or hidden at that moment.
    void WizardClosed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Makes the control of table row `index` in `parent`, wired to the form and the controller.
    QWidget* Make(size_t index, QWidget* parent);
    QLabel* Heading(QWidget* parent, const char* name);
    // The row's action (a click, a change of the edition) through the dispatch point.
    void Act(size_t index);
    // Writes the radio buttons' choice back into the form.
    void RadioButtonsChanged();
    void EditionChanged(size_t index);
    // Brings one control in line with its form member: a few primitives per kind.
    void Mirror(QWidget* widget, const ControlRow& row, const Control& model);
    void Mirror(QWidget* widget, const ControlRow& row, const SpeedButton& model);
    void Mirror(QWidget* widget, const ControlRow& row, const RadioButton& model);
    void Mirror(QWidget* widget, const ControlRow& row, const Edit& model);
    void Mirror(QWidget* widget, const ControlRow& row, const ComboBox& model);
    void Mirror(QWidget* widget, const ControlRow& row, const CheckListBox& model);
    void Mirror(QWidget* widget, const ControlRow& row, const ListBox& model);
    void Mirror(QWidget* widget, const ControlRow& row, const ProgressBar& model);
    // Places every widget where the design puts it for what the form shows.
    void ApplyLayout();
    void BuildPackageButtons();
    void ReflectConnectWait(const Control& wait);

    TSetupWizardDlg& FController;
    bool FReflecting = false;
    bool FClosedAnnounced = false;

    QFrame* pcMain;
    QStackedWidget* FPages;
    std::vector<QWidget*> FPageWidgets;
    std::vector<QWidget*> FControls; // one per row of the control table, in its order

    std::vector<QRadioButton*> FPackageButtons;
    std::vector<QLabel*> FPackageLabels;

    QDialog* FConnectWait = nullptr; // a window of its own, made when first needed
    QLabel* FConnectWaitText = nullptr;
    DelayedShow FConnectWaitShow;
};

} // namespace tv

#include "wizard/SetupWizardDlg.h"

template <class Handler> void tv::WizardWindow::Deliver(Handler&& handler) {
    if (FReflecting) return; // widget signals raised by Reflect itself are no user input
    FController.Dispatch(std::forward<Handler>(handler));
    Reflect();
}
