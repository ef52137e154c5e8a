// What the window tests share: screenshots, waiting as the program's loop waits, and
// answering the modal boxes the wizard raises.
#pragma once

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

// Saves the widget's picture into the screenshot folder; at any scale it holds every pixel.
inline void SaveScreenshot(QWidget& window, const QString& name) {
    QString dir = qEnvironmentVariable("TV_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(dir);
    QPixmap picture = window.grab();
    QCOMPARE(picture.size(), window.size() * window.devicePixelRatio());
    QVERIFY(picture.save(dir + "/" + name + ".png"));
}

// A registry file naming the programs folder, given to the wizard through TVINSTALL_REGISTRY.
inline void UseRegistry(const QString& path, const QString& programFiles) {
    QFile registry(path);
    QVERIFY(registry.open(QIODevice::WriteOnly));
    registry.write(("Windows Registry Editor Version 5.00\r\n\r\n"
                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
                    "\"ProgramFilesDir\"=\"" +
                    programFiles + "\"\r\n")
                       .toUtf8());
    registry.close();
    qputenv("TVINSTALL_REGISTRY", path.toUtf8());
}

// "install.ini" beside the program makes the wizard start offline; without it (empty
// content) the wizard starts online.
inline void WriteManifestBesideProgram(const QByteArray& content) {
    QString path = QCoreApplication::applicationDirPath() + "/install.ini";
    QFile::remove(path);
    if (content.isEmpty()) return;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Lets the event loop run and wait as the program's does, so its idle pass comes.
inline void WaitAsTheLoopDoes() {
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
}

struct SeenBox {
    QString Title;
    QString Message;
    QStringList Buttons;
    QString DefaultButton;
};

// Waits for the next modal box, records it, saves its picture, and answers with a key.
inline void AnswerNextBox(std::vector<SeenBox>& seen, Qt::Key key, const QString& screenshot,
                          std::function<void()> then) {
    QTimer::singleShot(0, [&seen, key, screenshot, then] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) { // not shown yet: look again
            AnswerNextBox(seen, key, screenshot, then);
            return;
        }
        SeenBox record{box->windowTitle(), box->findChild<QLabel*>("Message")->text(), {}, {}};
        for (QPushButton* button : box->findChildren<QPushButton*>()) {
            record.Buttons << button->text();
            if (button->isDefault()) record.DefaultButton = button->text();
        }
        seen.push_back(record);
        if (!screenshot.isEmpty()) SaveScreenshot(*box, screenshot);
        if (then) then();
        QTest::keyClick(box, key);
    });
}
