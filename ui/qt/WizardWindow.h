// The wizard window on Qt Widgets: it mirrors the controller's form after every
// handler and inside every message pump, and writes the user's input back into the
// form before it calls a handler through the controller's dispatch point.
#pragma once

#include <QWidget>
#include <vector>

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
    void BuildButtonRow();
    QWidget* BuildParamsPage();
    QWidget* BuildProgressPage();
    QWidget* BuildInfoPage();
    QLabel* Heading(QWidget* page, const char* name);
    // Places every widget where the design puts it for what the form shows.
    void ApplyLayout();
    void BuildPackageButtons();
    void ReflectConnectWait(const Control& wait);

    TSetupWizardDlg& FController;
    bool FReflecting = false;
    bool FClosedAnnounced = false;

    QFrame* pcMain;
    QStackedWidget* FPages;
    QWidget* tsSelect;
    QPushButton* OnlineBtn;
    QPushButton* OfflineBtn;
    QPushButton* FBConfigBtn;
    QPushButton* BackBtn;
    QPushButton* NextBtn;
    QPushButton* CloseBtn;

    std::vector<QRadioButton*> FPackageButtons;
    std::vector<QLabel*> FPackageLabels;

    QLabel* lblParams;
    QWidget* pnlApp;
    QWidget* Panel1;
    QRadioButton* rbClient;
    QRadioButton* rbSingle;
    QGroupBox* gbFolder;
    QLineEdit* edtFolder;
    QGroupBox* gbAppVers;
    QComboBox* cbAppVers;
    QGroupBox* gbFileList;
    QWidget* pnlCheckListBtn;
    QPushButton* MarkAllBtn;
    QPushButton* DeMarkAllBtn;
    QListWidget* cbFileList;

    QLabel* lblProgress;
    QLabel* lblFileName;
    QLabel* lblSpeed;
    QGroupBox* gbProgressBar;
    QProgressBar* pbDownload;
    QProgressBar* pbUnzip;

    QLabel* lblInfo;
    QLabel* lblStatusInfo;
    QListWidget* ErrList;

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
