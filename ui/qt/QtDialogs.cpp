#include "ui/qt/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "ui/qt/QtEventLoop.h"

namespace tv {

int QtDialogs::MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) {
    static const char* const Captions[] = {"Warnung", "Fehler", "Informationen", "Bestätigen"};
    static const QMessageBox::Icon Icons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                              QMessageBox::Information, QMessageBox::Information};
    int kind = static_cast<int>(type);
    QMessageBox box(Icons[kind], QString::fromUtf8(Captions[kind]), QString::fromStdString(message),
                    QMessageBox::NoButton, FOwner);
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* ok = nullptr;
    if (buttons & mbYes) yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
    if (buttons & mbNo) no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
    if (buttons & mbOK) ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok ? ok : yes);
    // Escape and the close box answer "cancel", not one of the buttons.
    box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
    QtEventLoop::NoIdle noIdle;
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == yes) return mrYes;
    if (clicked && clicked == no) return mrNo;
    if (clicked && clicked == ok) return mrOk;
    return mrCancel;
}

bool QtDialogs::BrowseForFolder(const std::string& title, std::string& directory) {
    QtEventLoop::NoIdle noIdle;
    QString chosen = QFileDialog::getExistingDirectory(FOwner, QString::fromStdString(title),
                                                       QString::fromStdString(directory));
    if (chosen.isEmpty()) return false;
    directory = chosen.toStdString();
    return true;
}

} // namespace tv
