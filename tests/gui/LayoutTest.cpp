// The window as designed: every control where the layout tables put it, at the scale the
// screen asks for (QT_SCALE_FACTOR), no text cut off, Tab kept inside the page, and a
// screenshot of every page, the download and unpacking pages caught against a real nginx.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <fstream>
#include <set>

#include "fixtures/NginxServer.h"
#include "fixtures/TestCertificates.h"
#include "gui/GuiSupport.h"
#include "support/Archives.h"
#include "ui/qt/WizardProgram.h"

namespace {

struct Placement {
    const char* Name;
    QRect Bounds; // relative to the control's parent, in pixels at 96 dots per inch
};

QWidget* Find(QWidget& window, const char* name) {
    auto* widget = window.findChild<QWidget*>(QString::fromLatin1(name));
    if (!widget) qFatal("no control named %s", name);
    return widget;
}

void ExpectPlaced(QWidget& window, std::initializer_list<Placement> placements) {
    for (const Placement& placement : placements) {
        QWidget* widget = Find(window, placement.Name);
        QVERIFY2(widget->geometry() == placement.Bounds, qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                                                                        .arg(placement.Name)
                                                                        .arg(widget->x())
                                                                        .arg(widget->y())
                                                                        .arg(widget->width())
                                                                        .arg(widget->height())));
    }
}

bool Shown(QWidget& window, const char* name) {
    return Find(window, name)->isVisible();
}

// Text wider (or, wrapped, taller) than its control would be cut off on the screen.
void ExpectNothingClipped(QWidget& window) {
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty()) continue;
        const QRect space = label->contentsRect();
        const bool fits = label->wordWrap()
                              ? label->heightForWidth(space.width()) <= space.height()
                              : label->fontMetrics().horizontalAdvance(label->text()) <= space.width();
        QVERIFY2(fits, qPrintable(label->objectName() + ": " + label->text()));
    }
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty()) continue;
        const int glyph = button->icon().isNull() ? 0 : 16 + 4;
        int needed = button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&')) + glyph;
        if (qobject_cast<QRadioButton*>(button))
            needed = button->sizeHint().width();
        else
            needed += 8; // the button's frame and padding
        QVERIFY2(needed <= button->width(), qPrintable(button->objectName() + ": " + button->text()));
    }
    for (QGroupBox* box : window.findChildren<QGroupBox*>()) {
        if (!box->isVisible() || box->title().isEmpty()) continue;
        QVERIFY2(box->fontMetrics().horizontalAdvance(box->title()) + 16 <= box->width(),
                 qPrintable(box->objectName() + ": " + box->title()));
    }
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

QString PageName(tv::WizardWindow& window) {
    return window.Pages()->currentWidget()->objectName();
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(FMachine.isValid());
        // The server's workers read below the temporary folder too.
        QFile::setPermissions(FMachine.path(), QFile::permissions(FMachine.path()) | QFile::ReadOther |
                                                   QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
        UseRegistry(FMachine.filePath("registry.reg"), FMachine.filePath("programs"));
        // The temporary folder by the Windows rules: TEMP counts only when TMP is set too.
        qputenv("TMP", FMachine.path().toUtf8());
        qputenv("TEMP", FMachine.path().toUtf8());
        WriteManifestBesideProgram(Manifest);
    }

    void cleanupTestCase() { WriteManifestBesideProgram({}); }

    void WindowIsFixedCentredAndScaledWithTheScreen() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(594, 431));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
        // Centred, give or take the frame the window system draws around it.
        QVERIFY(
            (window.geometry().center() - window.screen()->availableGeometry().center()).manhattanLength() <=
            8);
        const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        QCOMPARE(window.devicePixelRatio(), scale);
        QCOMPARE(window.grab().size(), QSize(qRound(594 * scale), qRound(431 * scale)));
        QCOMPARE(QApplication::focusWidget(), Find(window, "pcMain"));
        QVERIFY(window.font().family() == "Tahoma" || !QFile::exists("/usr/share/wine/fonts/tahoma.ttf"));
        QCOMPARE(window.font().pixelSize(), 11);
        QCOMPARE(Find(window, "lblParams")->font().pixelSize(), 15);
        QVERIFY(Find(window, "lblParams")->font().bold());
    }

    void ButtonRowPagesAndPackageListFollowTheDesign() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ExpectPlaced(window, {{"pcMain", {0, 0, 594, 392}},
                              {"OnlineBtn", {5, 400, 75, 25}},
                              {"OfflineBtn", {90, 400, 75, 25}},
                              {"FBConfigBtn", {175, 400, 75, 25}},
                              {"BackBtn", {336, 400, 75, 25}},
                              {"NextBtn", {421, 400, 75, 25}},
                              {"CloseBtn", {506, 400, 75, 25}},
                              {"rbPackage1", {20, 20, 480, 17}},
                              {"lblPackage1", {40, 42, 480, 40}},
                              {"rbPackage2", {20, 87, 480, 17}},
                              {"rbPackage3", {20, 154, 480, 17}},
                              {"rbPackage4", {20, 221, 480, 17}},
                              {"rbPackage5", {20, 288, 480, 17}},
                              {"lblPackage5", {40, 310, 480, 40}},
                              // Pages not shown yet are laid out all the same.
                              {"lblProgress", {20, 12, 546, 25}},
                              {"lblFileName", {30, 52, 526, 25}},
                              {"gbProgressBar", {30, 82, 526, 50}},
                              {"pbDownload", {22, 15, 482, 23}},
                              {"pbUnzip", {22, 15, 482, 23}},
                              {"lblInfo", {20, 12, 546, 25}},
                              {"lblStatusInfo", {20, 52, 546, 60}},
                              {"ErrList", {20, 117, 546, 262}}});
        QCOMPARE(QRect(window.Pages()->currentWidget()->mapTo(Find(window, "pcMain"), QPoint(0, 0)),
                       window.Pages()->currentWidget()->size()),
                 QRect(4, 4, 586, 384)); // the pages inside the page control's border
        QCOMPARE(Find(window, "rbPackage1")->font().pixelSize(), 13);
        ExpectNothingClipped(window);
        SaveScreenshot(window, "selection");
    }

    void ParametersPageFollowsTheDesignForEachPackage_data() {
        QTest::addColumn<int>("package");
        QTest::addColumn<bool>("appChoice");
        QTest::addColumn<int>("panelTop");
        QTest::addColumn<bool>("editions");
        QTest::addColumn<bool>("fileList");
        QTest::newRow("1 application") << 1 << true << 107 << false << false;
        QTest::newRow("2 database server") << 2 << false << 47 << false << false;
        QTest::newRow("3 databases") << 3 << false << 47 << true << false;
        QTest::newRow("4 data update") << 4 << false << 47 << true << true;
        QTest::newRow("5 companion") << 5 << false << 47 << false << false;
    }

    void ParametersPageFollowsTheDesignForEachPackage() {
        QFETCH(int, package);
        QFETCH(bool, appChoice);
        QFETCH(int, panelTop);
        QFETCH(bool, editions);
        QFETCH(bool, fileList);
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        WaitAsTheLoopDoes(); // the idle pass takes the edition the update list is read for
        if (package != 1) Click(window.PackageButtons()[package - 1]);
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        WaitAsTheLoopDoes(); // the idle pass decides on the edition group
        QCOMPARE(PageName(window), QString("tsParams"));

        QCOMPARE(Shown(window, "pnlApp"), appChoice);
        QCOMPARE(Shown(window, "gbAppVers"), editions);
        QCOMPARE(Shown(window, "gbFileList"), fileList);
        ExpectPlaced(window, {{"lblParams", {20, 12, 546, 25}},
                              {"Panel1", {0, panelTop, 586, 120}},
                              {"gbFolder", {30, 0, 526, 52}},
                              {"edtFolder", {7, 22, 512, 21}}});
        if (appChoice)
            ExpectPlaced(window, {{"pnlApp", {0, 57, 586, 50}},
                                  {"rbClient", {30, 10, 150, 17}},
                                  {"rbSingle", {200, 10, 150, 17}}});
        if (editions)
            ExpectPlaced(window, {{"gbAppVers", {30, 57, 526, 52}}, {"cbAppVers", {7, 18, 512, 21}}});
        if (fileList) {
            QCOMPARE(window.findChild<QListWidget*>("cbFileList")->count(), 3);
            Click(window.findChild<QPushButton*>("MarkAllBtn"));
            QCOMPARE(window.findChild<QListWidget*>("cbFileList")->item(2)->checkState(), Qt::Checked);
        }
        if (fileList)
            ExpectPlaced(window, {{"gbFileList", {30, 172, 526, 150}},
                                  {"MarkAllBtn", {5, 0, 100, 25}},
                                  {"DeMarkAllBtn", {115, 0, 150, 25}},
                                  {"cbFileList", {12, 45, 507, 103}}});
        ExpectNothingClipped(window);
        SaveScreenshot(window, QStringLiteral("parameters-%1").arg(package));

        if (appChoice) { // the single-seat choice brings in the editions without moving anything
            Click(window.findChild<QRadioButton*>("rbSingle"));
            WaitAsTheLoopDoes();
            QVERIFY(Shown(window, "gbAppVers"));
            ExpectPlaced(window, {{"Panel1", {0, 107, 586, 120}}, {"gbAppVers", {30, 57, 526, 52}}});
            ExpectNothingClipped(window);
            SaveScreenshot(window, "parameters-1-single");
        }
    }

    void TabMovesThroughThePageButNeverToTheButtonRow() {
        tv::WizardProgram program;
        program.Start();
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(&window, Qt::Key_Return); // Enter and Escape press no speed button
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(PageName(window), QString("tsSelect"));
        QVERIFY(window.isVisible());

        Click(window.PackageButtons()[3]);
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        WaitAsTheLoopDoes();
        std::set<QString> reached;
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            QVERIFY2(!qobject_cast<QPushButton*>(focus), qPrintable(focus->objectName()));
            QVERIFY2(Find(window, "pcMain")->isAncestorOf(focus), qPrintable(focus->objectName()));
            reached.insert(focus->objectName());
        }
        for (const char* name : {"edtFolder", "cbAppVers", "cbFileList"})
            QVERIFY2(reached.count(name), name);
    }

    void DownloadAndUnpackingPagesShowOneBarEach() {
        tv::testbed::CertificateFolder();
        tv::testbed::NginxServer server;
        qputenv("TVINSTALL_SERVER", server.Origin().substr(8).c_str());
        qputenv("TVINSTALL_LOGIN_URL", (server.Origin() + "/login").c_str());
        qputenv("TVINSTALL_USER", tv::testbed::NginxServer::User);
        std::ofstream(server.InstallationFolder() + "/install.ini")
            << "[DBFileListClient]\r\nBrisa=db_base.zip\r\nSolan=db_base.zip;db_missing.zip\r\n";
        // Stored, so the archive is as large as its data and the download takes many steps.
        tv::testbed::MakeZip(server.InstallationFolder() + "/db_base.zip",
                             {{"nv.db", std::string(6'000'000, 'n'), false},
                              {"etg_parts.db", std::string(6'000'000, 'p'), false}});
        WriteManifestBesideProgram({});

        tv::WizardProgram program;
        program.Start();
        WriteManifestBesideProgram(Manifest);
        tv::WizardWindow& window = program.Window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString("Tarvo Installation [ Online Modus ]"));
        Click(window.PackageButtons()[2]);
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        auto* folder = window.findChild<QLineEdit*>("edtFolder");
        folder->selectAll();
        QTest::keyClicks(folder, FMachine.filePath("data"));
        QDir().mkpath(FMachine.filePath("data"));
        WaitAsTheLoopDoes(); // the idle pass takes the edition

        std::set<QString> caught;
        for (const char* name : {"pbDownload", "pbUnzip"}) {
            auto* bar = window.findChild<QProgressBar*>(name);
            QObject::connect(bar, &QProgressBar::valueChanged, &window, [&, bar, name](int value) {
                // Caught a third of the way, so the picture shows a bar in motion.
                if (caught.count(name) || !bar->isVisible() || value * 3 < bar->maximum() ||
                    PageName(window) != "tsProgress")
                    return;
                caught.insert(name);
                QCOMPARE(Shown(window, "pbDownload") + Shown(window, "pbUnzip"), 1);
                ExpectNothingClipped(window);
                SaveScreenshot(window,
                               name == QString("pbDownload") ? "progress-download" : "progress-unzip");
            });
        }
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(program.Controller().InstallState() != tv::isRunning, 20000);
        QCOMPARE(QStringList(caught.begin(), caught.end()).join(","), QString("pbDownload,pbUnzip"));
        QCOMPARE(PageName(window), QString("tsInfo"));
        QVERIFY2(window.findChild<QLabel*>("lblInfo")->text() == "Info",
                 qPrintable(window.findChild<QLabel*>("lblStatusInfo")->text()));
        QVERIFY(!Shown(window, "pbDownload") && !Shown(window, "pbUnzip"));
        ExpectNothingClipped(window);
        SaveScreenshot(window, "info");

        // Edition Solan lists an archive the server does not have: the run ends on the error page.
        QTest::mouseClick(window.Button("CloseBtn"), Qt::LeftButton);
        QCOMPARE(PageName(window), QString("tsSelect"));
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        window.findChild<QComboBox*>("cbAppVers")->setCurrentIndex(1);
        WaitAsTheLoopDoes();
        QTest::mouseClick(window.Button("NextBtn"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(program.Controller().InstallState() != tv::isRunning, 20000);
        QCOMPARE(PageName(window), QString("tsInfo"));
        QCOMPARE(window.findChild<QLabel*>("lblInfo")->text(), QString("Fehler"));
        QVERIFY2(window.findChild<QLabel*>("lblStatusInfo")->text().contains("404 Not Found"),
                 qPrintable(window.findChild<QLabel*>("lblStatusInfo")->text() + " / " +
                            window.findChild<QLabel*>("lblInfo")->text() + " / " + PageName(window)));
        ExpectNothingClipped(window);
        SaveScreenshot(window, "info-error");
        for (const char* name : {"TVINSTALL_SERVER", "TVINSTALL_LOGIN_URL", "TVINSTALL_USER"})
            qunsetenv(name);
    }

private:
    static constexpr const char* Manifest =
        "[DBFileListClient]\r\nBrisa=db_base.zip\r\n"
        "[UpdFileList]\r\nBrisa=upd_models.zip;upd_parts.zip;upd_prices.zip\r\n"
        "[UpdFileDescr]\r\nBrisa=Fahrzeugmodelle;Ersatzteile;Preislisten der Hersteller\r\n";

    QTemporaryDir FMachine;
};

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
