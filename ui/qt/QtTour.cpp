#include "ui/qt/QtTour.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "ui/qt/WizardWindow.h"

namespace tv {

namespace {

std::string S(const QString& text) {
    return text.toStdString();
}

// A press and a release of the left button, as the mouse delivers them.
void Click(QWidget* widget) {
    const QPoint at(qMin(8, widget->width() / 2), widget->height() / 2);
    const QPoint global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

class QtSurface : public TourSurface {
public:
    explicit QtSurface(WizardWindow& window) : FWindow(window) {}

    std::string WindowTitle() override { return S(FWindow.windowTitle()); }
    bool WindowShown() override { return FWindow.isVisible(); }
    std::string PageName() override { return S(FWindow.Pages()->currentWidget()->objectName()); }

    std::string Text(const std::string& control) override {
        QObject* found = Find(control);
        if (auto* label = qobject_cast<QLabel*>(found)) return S(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(found)) return S(button->text());
        if (auto* group = qobject_cast<QGroupBox*>(found)) return S(group->title());
        if (auto* edit = qobject_cast<QLineEdit*>(found)) return S(edit->text());
        if (auto* box = qobject_cast<QComboBox*>(found)) return S(box->currentText());
        return {};
    }
    bool Shown(const std::string& control) override {
        auto* widget = qobject_cast<QWidget*>(Find(control));
        return widget && widget->isVisible();
    }
    bool Checked(const std::string& control) override {
        auto* button = qobject_cast<QAbstractButton*>(Find(control));
        return button && button->isChecked();
    }
    // Queued, as the mouse delivers it: a click that opens a dialog must not hold up the
    // timer that answers it.
    void Click(const std::string& control) override {
        QObject* found = Find(control);
        if (auto* action = qobject_cast<QAction*>(found)) // the folder button inside the edit
            for (QObject* shown : action->associatedObjects())
                if (qobject_cast<QAbstractButton*>(shown)) found = shown;
        if (auto* widget = qobject_cast<QWidget*>(found))
            QTimer::singleShot(0, widget, [widget] { tv::Click(widget); });
    }
    std::vector<std::string> PackageButtons() override {
        std::vector<std::string> names;
        for (QRadioButton* button : FWindow.PackageButtons())
            names.push_back(S(button->objectName()));
        return names;
    }
    std::vector<std::string> Items(const std::string& control) override {
        std::vector<std::string> items;
        QObject* found = Find(control);
        if (auto* box = qobject_cast<QComboBox*>(found))
            for (int i = 0; i < box->count(); ++i)
                items.push_back(S(box->itemText(i)));
        if (auto* list = qobject_cast<QListWidget*>(found))
            for (int i = 0; i < list->count(); ++i)
                items.push_back(S(list->item(i)->text()));
        return items;
    }
    int ItemIndex(const std::string& control) override {
        auto* box = qobject_cast<QComboBox*>(Find(control));
        return box ? box->currentIndex() : -1;
    }
    void Choose(const std::string& control, int index) override {
        if (auto* box = qobject_cast<QComboBox*>(Find(control))) box->setCurrentIndex(index);
    }
    double Progress(const std::string& bar) override {
        auto* progress = qobject_cast<QProgressBar*>(Find(bar));
        return progress && progress->maximum() > 0 ? double(progress->value()) / progress->maximum() : 0;
    }

    DialogKind OpenDialog(std::string& caption, std::string& text, std::string& defaultButton) override {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return DialogKind::None;
        caption = S(dialog->windowTitle());
        if (qobject_cast<QFileDialog*>(dialog)) return DialogKind::FolderPicker;
        if (auto* message = dialog->findChild<QLabel*>(QStringLiteral("Message"))) text = S(message->text());
        if (QPushButton* button = DefaultButton(dialog)) defaultButton = S(button->text());
        return DialogKind::Message;
    }
    void PressDefaultButton() override {
        if (QWidget* dialog = QApplication::activeModalWidget())
            if (QPushButton* button = DefaultButton(dialog)) tv::Click(button);
    }
    void CancelDialog() override {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    }

    bool SaveScreenshot(const std::string& file, bool dialog) override {
        QWidget* shown = dialog ? QApplication::activeModalWidget() : &FWindow;
        return shown && shown->grab().save(QString::fromStdString(file));
    }
    void Quit(int code) override { QApplication::exit(code); }

private:
    QObject* Find(const std::string& name) {
        return FWindow.findChild<QObject*>(QString::fromStdString(name));
    }
    static QPushButton* DefaultButton(QWidget* dialog) {
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->isDefault()) return button;
        return nullptr;
    }

    WizardWindow& FWindow;
};

} // namespace

QtTour::QtTour(WizardWindow& window, const QString& screenshotFolder)
    : FSurface(std::make_unique<QtSurface>(window)),
      FTour(std::make_unique<WizardTour>(*FSurface, screenshotFolder.toStdString())) {
    connect(&FTimer, &QTimer::timeout, this, [this] { FTour->Tick(); });
    FTimer.start(WizardTour::TickMs);
}

QtTour::~QtTour() = default;

int QtTour::End() {
    FTimer.stop();
    return FTour->End();
}

} // namespace tv
