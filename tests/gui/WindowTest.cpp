// Window tests: the real program's window, offscreen, clicked as a person would.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include "ui/qt/WizardProgram.h"

namespace {

void SaveScreenshot(QWidget& window, const QString& name) {
    QString dir = qEnvironmentVariable("TV_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(dir);
    QVERIFY(window.grab().save(dir + "/" + name + ".png"));
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(FMachine.isValid());
        QFile registry(FMachine.filePath("registry.reg"));
        QVERIFY(registry.open(QIODevice::WriteOnly));
        registry.write("Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
                       "\"ProgramFilesDir\"=\"/opt/programs\"\r\n");
        registry.close();
        qputenv("TVINSTALL_REGISTRY", registry.fileName().toUtf8());
    }

    void SelectionPageListsFivePackagesAndNextOpensParameters() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString::fromUtf8("Tarvo Installation"));
        QCOMPARE(window.Pages()->currentWidget()->objectName(), QString("tsSelect"));

        const auto& packages = window.PackageButtons();
        QCOMPARE(packages.size(), size_t(5));
        const char* captions[] = {"1 - Norvano", "2 - Datenbankserver", "3 - Datenbanken", "4 - Datenupdate",
                                  "5 - Stockado"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(packages[i]->text(), QString::fromUtf8(captions[i]));
            QVERIFY(packages[i]->isVisible());
            QCOMPARE(packages[i]->geometry().top(), 20 + 67 * i);
        }
        QVERIFY(packages[0]->isChecked());
        QCOMPARE(window.Button("NextBtn")->text(), QString("Weiter"));
        QCOMPARE(window.Button("CloseBtn")->text(), QString::fromUtf8("Schließen"));
        QVERIFY(!window.Button("BackBtn")->isVisible());
        SaveScreenshot(window, "selection");

        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        QCOMPARE(window.Pages()->currentWidget()->objectName(), QString("tsParams"));
        QCOMPARE(window.Button("NextBtn")->text(), QString("Installieren"));
        QVERIFY(window.Button("BackBtn")->isVisible());
        auto* folder = window.findChild<QLineEdit*>("edtFolder");
        QCOMPARE(folder->text(), QString("/opt/programs/Norvano 6"));
        SaveScreenshot(window, "parameters-1");

        QTest::mouseClick(window.Button("BackBtn"), Qt::LeftButton);
        QCOMPARE(window.Pages()->currentWidget()->objectName(), QString("tsSelect"));
    }

    void ChoosingAPackageByClickPreparesItsParameters() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QRadioButton* server = window.PackageButtons()[1];
        QTest::mouseClick(server, Qt::LeftButton, {}, QPoint(8, server->height() / 2));
        QCOMPARE(program.Controller().InstallType(), 2);
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        QCOMPARE(window.findChild<QLineEdit*>("edtFolder")->text(), QString("/opt/programs/Firebird 3"));
    }

    void CloseOnSelectionPageEndsTheProgram() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.Button("CloseBtn"), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QVERIFY(program.Controller().GetForm().Closed);
    }

private:
    QTemporaryDir FMachine;
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
