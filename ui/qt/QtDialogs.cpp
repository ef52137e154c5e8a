#include "ui/qt/QtDialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/qt/QtEventLoop.h"

namespace tv {

namespace {

// A message box of our own: the buttons stand in the order given, Enter presses the
// default, and Escape or the close box end it without a button (result 2).
class MessageDialog : public QDialog {
public:
    MessageDialog(QWidget* owner, const QString& caption, QStyle::StandardPixmap icon, const QString& text)
        : QDialog(owner) {
        setObjectName(QStringLiteral("MessageDialog"));
        setWindowTitle(caption);
        setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
        auto* layout = new QVBoxLayout(this);
        auto* body = new QHBoxLayout;
        auto* symbol = new QLabel;
        symbol->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
        symbol->setAlignment(Qt::AlignTop);
        body->addWidget(symbol);
        auto* message = new QLabel(text);
        message->setObjectName(QStringLiteral("Message"));
        message->setTextFormat(Qt::PlainText); // a folder named "<b>" stays as it is
        message->setWordWrap(true);
        message->setMinimumWidth(260);
        body->addWidget(message, 1);
        layout->addLayout(body);
        FButtons = new QHBoxLayout;
        FButtons->addStretch();
        layout->addLayout(FButtons);
    }

    void AddButton(const QString& caption, int result, bool isDefault) {
        auto* button = new QPushButton(caption);
        button->setDefault(isDefault);
        button->setAutoDefault(true);
        FButtons->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        if (isDefault) button->setFocus();
    }

private:
    QHBoxLayout* FButtons;
};

} // namespace

int QtDialogs::MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) {
    static const char* const Captions[] = {"Warnung", "Fehler", "Informationen", "Bestätigen"};
    static const QStyle::StandardPixmap Icons[] = {
        QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical, QStyle::SP_MessageBoxInformation,
        QStyle::SP_MessageBoxInformation};
    int kind = static_cast<int>(type);
    MessageDialog box(FOwner, QString::fromUtf8(Captions[kind]), Icons[kind],
                      QString::fromStdString(message));
    bool okDefault = buttons & mbOK;
    if (buttons & mbYes) box.AddButton(QStringLiteral("&Ja"), mrYes, !okDefault);
    if (buttons & mbNo) box.AddButton(QStringLiteral("&Nein"), mrNo, false);
    if (buttons & mbOK) box.AddButton(QStringLiteral("OK"), mrOk, true);
    QtEventLoop::NoIdle noIdle;
    int result = box.exec();
    // QDialog's reject (Escape, the close box) gives 0.
    return result == QDialog::Rejected ? mrCancel : result;
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
