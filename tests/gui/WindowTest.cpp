// Window tests: the real program's window, offscreen, clicked as a person would.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <thread>

#include "gui/GuiSupport.h"
#include "support/Archives.h"
#include "support/MuteListener.h"
#include "ui/qt/WizardProgram.h"

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(FMachine.isValid());
        UseRegistry(FMachine.filePath("registry.reg"), "/opt/programs");
        WriteManifestBesideProgram(Manifest);
    }

    void cleanupTestCase() { WriteManifestBesideProgram({}); }

    void SelectionPageListsFivePackagesAndNextOpensParameters() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString::fromUtf8("Tarvo Installation [ Offline Modus ]"));
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
        QCOMPARE(program.Controller().InstallType(), int(tv::pkDatabaseServer));
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

    void ValidationBoxesSpeakGermanAndEscapeAnswersCancel() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QRadioButton* databases = window.PackageButtons()[2];
        QTest::mouseClick(databases, Qt::LeftButton, {}, QPoint(8, databases->height() / 2));
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        auto* folder = window.findChild<QLineEdit*>("edtFolder");
        const QString missing = FMachine.filePath("no/such/folder");
        folder->selectAll();
        QTest::keyClicks(folder, missing);
        QCOMPARE(QString::fromStdString(program.Controller().GetForm().edtFolder.Text), missing);

        std::vector<SeenBox> seen;
        // Escape on the question counts as No, so the information box follows; Escape ends it too.
        AnswerNextBox(seen, Qt::Key_Escape, "box-confirmation",
                      [&seen] { AnswerNextBox(seen, Qt::Key_Escape, "box-information", nullptr); });
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);

        QCOMPARE(seen.size(), size_t(2));
        QCOMPARE(seen[0].Title, QString::fromUtf8("Bestätigen"));
        QCOMPARE(seen[0].Message,
                 "Der Ordner " + missing +
                     QString::fromUtf8(" ist nicht vorhanden. Möchten sie den Ordner neu anlegen ?"));
        QCOMPARE(seen[0].Buttons, QStringList({"&Ja", "&Nein"}));
        QCOMPARE(seen[0].DefaultButton, QString("&Ja"));
        QCOMPARE(seen[1].Title, QString("Informationen"));
        QCOMPARE(seen[1].Buttons, QStringList({"OK"}));
        QCOMPARE(seen[1].DefaultButton, QString("OK"));
        QCOMPARE(window.Pages()->currentWidget()->objectName(), QString("tsParams"));
        QVERIFY(!QDir(missing).exists());
    }

    void StandardDialogsSpeakGermanAndNoTextIsMarkup() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (QLabel* label : window.findChildren<QLabel*>())
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));

        // A message naming a folder with markup in its name shows the name as it is.
        tv::QtDialogs dialogs;
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            QCOMPARE(box->findChild<QLabel*>("Message")->textFormat(), Qt::PlainText);
            QTest::keyClick(box, Qt::Key_Return);
        });
        dialogs.MessageDlg("Der Ordner /srv/<b>Daten</b> fehlt", tv::MsgDlgType::Error, tv::mbOK);

        // The folder picker: Qt's own dialog, in German.
        QStringList texts;
        QTimer::singleShot(100, [&texts] {
            QWidget* picker = QApplication::activeModalWidget();
            QVERIFY(picker);
            SaveScreenshot(*picker, "folder-picker");
            for (QPushButton* button : picker->findChildren<QPushButton*>())
                texts << button->text();
            for (QLabel* label : picker->findChildren<QLabel*>())
                texts << label->text();
            QTest::keyClick(picker, Qt::Key_Escape);
        });
        std::string directory = FMachine.path().toStdString();
        QVERIFY(!dialogs.BrowseForFolder("Ordner wählen", directory));
        QVERIFY2(texts.contains("Abbrechen"), qPrintable(texts.join('|')));
        QVERIFY2(!texts.contains("Cancel") && !texts.contains("&Cancel"), qPrintable(texts.join('|')));
    }

    void MessageBoxResultsFollowTheButtonUsed() {
        tv::QtDialogs dialogs;
        const struct {
            unsigned Buttons;
            Qt::Key Key;       // pressed, unless a button is clicked
            const char* Click; // caption of the button to click
            int Result;
        } cases[] = {
            {tv::mbYesNo, Qt::Key_Return, nullptr, tv::mrYes}, // Yes is the default
            {tv::mbYesNo, Qt::Key_Escape, nullptr, tv::mrCancel},
            {tv::mbYesNo, Qt::Key_unknown, "&Nein", tv::mrNo},
            {tv::mbYesNo, Qt::Key_unknown, "&Ja", tv::mrYes},
            {tv::mbOK, Qt::Key_Return, nullptr, tv::mrOk},
            {tv::mbOK, Qt::Key_Escape, nullptr, tv::mrCancel},
            {tv::mbYesNo | tv::mbOK, Qt::Key_Return, nullptr, tv::mrOk}, // OK wins the default
        };
        for (const auto& c : cases) {
            std::function<void()> answer = [&] {
                QWidget* box = QApplication::activeModalWidget();
                if (!box) {
                    QTimer::singleShot(0, answer);
                    return;
                }
                if (!c.Click) {
                    QTest::keyClick(box, c.Key);
                    return;
                }
                for (QPushButton* button : box->findChildren<QPushButton*>())
                    if (button->text() == c.Click) button->click();
            };
            QTimer::singleShot(0, answer);
            QCOMPARE(dialogs.MessageDlg("Frage", tv::MsgDlgType::Confirmation, c.Buttons), c.Result);
        }
    }

    void ProcessMessagesHandlesWhatIsPendingAndNeverRunsTheIdlePass() {
        tv::QtEventLoop loop;
        int idle = 0;
        loop.OnIdle = [&] { ++idle; };
        int posted = 0;
        loop.Post([&] { ++posted; });
        std::thread worker([&] { loop.Post([&] { ++posted; }); });
        worker.join();
        QElapsedTimer timer;
        timer.start();
        loop.ProcessMessages();
        QVERIFY(timer.elapsed() < 1000); // it never waits for more
        QCOMPARE(posted, 2);
        QCOMPARE(idle, 0);

        // The idle pass belongs to the loop waiting, outside any pump.
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
        QVERIFY(idle > 0);
    }

    void ModeButtonsSwitchThroughTheWindow() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.Button("OfflineBtn")->isChecked());
        QTest::mouseClick(window.Button("OfflineBtn"), Qt::LeftButton); // a second click leaves it down
        QVERIFY(window.Button("OfflineBtn")->isChecked());
        QCOMPARE(window.windowTitle(), QString("Tarvo Installation [ Offline Modus ]"));

        qputenv("TVINSTALL_LOGIN_URL", "https://127.0.0.1:9/login");
        std::vector<SeenBox> seen;
        AnswerNextBox(seen, Qt::Key_Return, "box-error", nullptr);
        QTest::mouseClick(window.Button("OnlineBtn"), Qt::LeftButton);
        qunsetenv("TVINSTALL_LOGIN_URL");
        QCOMPARE(seen.size(), size_t(1));
        QCOMPARE(seen[0].Title, QString("Fehler"));
        QCOMPARE(seen[0].Message,
                 QString("Connect zum Updateserver ist fehlgeschlagen. Offlinemodus wird eingeschaltet"));
        QVERIFY(!window.Button("OnlineBtn")->isChecked());
        QVERIFY(window.Button("OfflineBtn")->isChecked());
        QCOMPARE(window.windowTitle(), QString("Tarvo Installation [ Offline Modus ]"));
    }

    void StartWithoutManifestOrServerEndsOnTheErrorPage() {
        WriteManifestBesideProgram({});
        qputenv("TVINSTALL_LOGIN_URL", "https://127.0.0.1:9/login"); // nothing listens there
        tv::WizardProgram program;
        program.Start();
        qunsetenv("TVINSTALL_LOGIN_URL");
        WriteManifestBesideProgram(Manifest);
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString("Tarvo Installation [ Online Modus ]"));
        QCOMPARE(window.Pages()->currentWidget()->objectName(), QString("tsInfo"));
        QCOMPARE(window.findChild<QLabel*>("lblInfo")->text(), QString("Fehler"));
        QCOMPARE(window.findChild<QLabel*>("lblStatusInfo")->text(),
                 QString("Connect zum Updateserver ist fehlgeschlagen. Programm wird beeendet"));
        auto* errors = window.findChild<QListWidget*>("ErrList");
        QCOMPARE(errors->count(), 1);
        QVERIFY(errors->item(0)->text().contains("127.0.0.1:9"));
        QCOMPARE(window.Button("CloseBtn")->text(), QString("Ok"));
        QVERIFY(!window.Button("OnlineBtn")->isVisible());
        SaveScreenshot(window, "info-error");
        QTest::mouseClick(window.Button("CloseBtn"), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QVERIFY(program.Controller().GetForm().Closed);
    }

    void StartWaitingForTheServerShowsASmallWindowWhoseCancelEndsTheWait() {
        WriteManifestBesideProgram({});
        tv::testbed::MuteListener mute; // takes the connection and never answers
        const QByteArray server = "127.0.0.1:" + QByteArray::number(mute.Port());
        qputenv("TVINSTALL_SERVER", server);
        qputenv("TVINSTALL_LOGIN_URL", "https://" + server + "/login");
        tv::WizardProgram program;
        QString text;
        QElapsedTimer timer;
        timer.start();
        // Once the small window is there, its Abbrechen ends the wait.
        QTimer look;
        look.setInterval(100);
        QObject::connect(&look, &QTimer::timeout, [&] {
            QDialog* wait = program.Window().ConnectWaitWindow();
            if (!wait || !wait->isVisible()) return;
            look.stop();
            QVERIFY(QTest::qWaitForWindowExposed(wait));
            SaveScreenshot(*wait, "connect-wait");
            text = wait->findChild<QLabel*>("lblConnectWait")->text();
            QTest::mouseClick(wait->findChild<QPushButton*>("ConnectWaitCancelBtn"), Qt::LeftButton);
        });
        look.start();
        program.Start();
        qunsetenv("TVINSTALL_SERVER");
        qunsetenv("TVINSTALL_LOGIN_URL");
        WriteManifestBesideProgram(Manifest);
        QVERIFY(timer.elapsed() < 30000); // well before the server's time limit of a minute
        QCOMPARE(text, QString::fromUtf8("Verbindung zum Update-Server wird hergestellt \u2026\n") + server);
        QVERIFY(!program.Window().ConnectWaitWindow()->isVisible());
        // The start goes on as after a failed connection: the error page, then the end.
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.Pages()->currentWidget()->objectName(), QString("tsInfo"));
        QCOMPARE(window.findChild<QLabel*>("lblStatusInfo")->text(),
                 QString("Connect zum Updateserver ist fehlgeschlagen. Programm wird beeendet"));
    }

    void TheDownloadsSpeedLineSitsUnderTheBarAndMovesNothing() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        tv::TSetupWizardDlg& wizard = program.Controller();
        // What a download of 250 MB shows after a few seconds, through the client's events.
        wizard.GetForm().lblProgress.Caption = wizard.GetWizardText("capDownload");
        wizard.GetForm().lblFileName.Caption = "Datei nv_setup.exe";
        wizard.GetForm().pbDownload.Visible = true;
        wizard.SetPage(tv::tsProgress);
        wizard.IdWebDAVWorkBegin(tv::WorkMode::Read, 250'000'000);
        for (std::int64_t done : {20'000'000, 45'000'000, 70'000'000, 95'000'000, 112'400'000}) {
            QTest::qWait(550);
            wizard.IdWebDAVWork(tv::WorkMode::Read, done);
        }
        window.Reflect();
        auto* speed = window.findChild<QLabel*>("lblSpeed");
        QVERIFY(speed->isVisible());
        QVERIFY2(speed->text().startsWith(QString::fromUtf8("112,4 MB von 250,0 MB \u2013 ")),
                 qPrintable(speed->text()));
        QVERIFY2(speed->text().contains(QString::fromUtf8(" MB/s \u2013 noch ")), qPrintable(speed->text()));
        // Under the bar's frame, inside the page, and wide enough for its text.
        auto* frame = window.findChild<QGroupBox*>("gbProgressBar");
        QVERIFY(speed->geometry().top() >= frame->geometry().bottom());
        QVERIFY(speed->geometry().right() <= window.Pages()->width());
        QVERIFY(speed->fontMetrics().horizontalAdvance(speed->text()) <= speed->width());
        QCOMPARE(frame->geometry(), QRect(30, 82, 526, 50)); // where the design put it
        SaveScreenshot(window, "progress-download");
        wizard.GetForm().pbDownload.Visible = false;
    }

    void SingleSeatInstallationThroughTheWindow() {
        const QString program = QCoreApplication::applicationDirPath();
        QDir(program).mkpath("Packages");
        QFile::remove(program + "/Packages/nv_setup.exe");
        QVERIFY(QFile::copy(QString(TV_STUB_DIR) + "/nv_setup.exe", program + "/Packages/nv_setup.exe"));
        tv::testbed::MakeZip(
            (program + "/Packages/db_base.zip").toStdString(),
            {{"db/nv.db", std::string(300000, 'n')}, {"db/etg_parts.db", std::string(200000, 'p')}});
        WriteManifestBesideProgram("[DBFileListSingle]\r\nSolan=db_base.zip\r\n");
        QTemporaryDir programs;
        UseRegistry(FMachine.filePath("registry.reg"), programs.path());

        tv::WizardProgram wizard;
        wizard.Start();
        tv::WizardWindow& window = wizard.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        auto* single = window.findChild<QRadioButton*>("rbSingle");
        QTest::mouseClick(single, Qt::LeftButton, {}, QPoint(8, single->height() / 2));
        auto* editions = window.findChild<QComboBox*>("cbAppVers");
        WaitAsTheLoopDoes(); // the idle pass shows the edition box
        QVERIFY(editions->isVisible());
        editions->setCurrentIndex(1);
        SaveScreenshot(window, "parameters-1-single");
        // The unpacking page, caught on its first progress.
        bool seen = false;
        QString speedLine;
        QObject::connect(window.findChild<QProgressBar*>("pbUnzip"), &QProgressBar::valueChanged, &window,
                         [&] {
                             if (!seen && window.Pages()->currentWidget()->objectName() == "tsProgress") {
                                 seen = true;
                                 speedLine = window.findChild<QLabel*>("lblSpeed")->text();
                                 SaveScreenshot(window, "progress-unzip");
                             }
                         });
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible() && wizard.Controller().InstallState() != tv::isRunning,
                                 10000);
        QCOMPARE(window.Pages()->currentWidget()->objectName(), QString("tsInfo"));
        QCOMPARE(window.findChild<QLabel*>("lblStatusInfo")->text(),
                 QString::fromUtf8(
                     "Die Installation der Norvano Einzelplatzversion wurde erfolgreich durchgeführt."));
        QVERIFY(QFile::exists(programs.path() + "/Norvano 6/System/db/nv.db"));
        QVERIFY(seen);
        QCOMPARE(speedLine, QString::fromUtf8("db_base.zip \u2013 Datei 1 von 2")); // under the bar
        SaveScreenshot(window, "info");
        QTest::mouseClick(window.Button("CloseBtn"), Qt::LeftButton);
        QCOMPARE(window.Pages()->currentWidget()->objectName(), QString("tsSelect"));

        QDir(program + "/Packages").removeRecursively();
        WriteManifestBesideProgram(Manifest);
    }

private:
    static constexpr const char* Manifest = "[UpdFileList]\r\nBrisa=upd_models.zip;upd_parts.zip\r\n"
                                            "[UpdFileDescr]\r\nBrisa=Fahrzeugmodelle;Ersatzteile\r\n";
    QTemporaryDir FMachine;
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
