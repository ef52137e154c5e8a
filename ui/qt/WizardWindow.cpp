#include "ui/qt/WizardWindow.h"

#include <algorithm>
#include <type_traits>

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ui/ScreenText.h"
#include "ui/WindowLayout.h"

// The glyphs live in this static library; a resource nobody names would be dropped at link time.
static void InitImages() {
    Q_INIT_RESOURCE(images);
}

namespace tv {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A label breaks lines at LF.
QString DisplayText(const std::string& text) {
    return Q(ScreenText(text, "\n"));
}

template <class W> void SetCaption(W* widget, const QString& text) {
    if (widget->text() != text) widget->setText(text);
}

void SetShown(QWidget* widget, bool visible) {
    if (widget->isVisibleTo(widget->parentWidget()) != visible) widget->setVisible(visible);
}

// A control of the design: made on its parent under its design name.
template <class W> W* Named(QWidget* parent, const char* name) {
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    // A folder or file name with "<b>" in it is text, not markup.
    if constexpr (std::is_same_v<W, QLabel>) widget->setTextFormat(Qt::PlainText);
    return widget;
}

void Place(QWidget* widget, const Bounds& bounds) {
    QRect rect(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
    if (widget->geometry() != rect) widget->setGeometry(rect);
}

// The bottom-left pixel's colour is transparent, as for every button glyph.
QIcon Glyph(const char* name) {
    QImage image(QStringLiteral(":/images/%1.bmp").arg(QLatin1String(name)));
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(pixmap.createMaskFromColor(image.pixelColor(0, image.height() - 1)));
    return QIcon(pixmap);
}

// Tahoma where installed; otherwise Wine's metric-compatible Tahoma if its files are
// there, otherwise the toolkit's default sans.
QString DesignFamily() {
    static const QString family = [] {
        const QString tahoma = QStringLiteral("Tahoma");
        if (QFontDatabase::families().contains(tahoma)) return tahoma;
        const char* const files[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                     "/usr/share/wine/fonts/tahomabd.ttf"};
        bool added = false;
        for (const char* file : files)
            added |= QFontDatabase::addApplicationFont(QString::fromLatin1(file)) >= 0;
        if (added && QFontDatabase::families().contains(tahoma)) return tahoma;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

// The system's grey-text colour. Where the toolkit has no such system colour its disabled
// text is far paler than the design, so the Windows default stands in.
QColor GrayText() {
#ifdef _WIN32
    return QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
#else
    return QColor(109, 109, 109);
#endif
}

} // namespace

QFont DesignFont(int pixelHeight, bool bold) {
    QFont font(DesignFamily());
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferVerticalHinting); // letters keep their designed spacing
    return font;
}

WizardWindow::WizardWindow(TSetupWizardDlg& controller) : FController(controller) {
    InitImages();
    setObjectName(QStringLiteral("SetupWizardDlg"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(design::ClientWidth, design::ClientHeight);
    setFont(DesignFont(design::WindowFontHeight, false));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button)); // button face
    setPalette(colours);
    setAutoFillBackground(true);

    // The page control: its border, and inside it the pages, of which one is shown.
    pcMain = Named<QFrame>(this, "pcMain");
    pcMain->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pcMain->setLineWidth(2);
    pcMain->setFocusPolicy(Qt::TabFocus);
    FPages = new QStackedWidget(pcMain);
    tsSelect = Named<QWidget>(nullptr, "tsSelect");
    FPages->addWidget(tsSelect);
    FPages->addWidget(BuildParamsPage());
    FPages->addWidget(BuildProgressPage());
    FPages->addWidget(BuildInfoPage());
    BuildButtonRow();
    ApplyLayout();
    pcMain->setFocus();
}

QLabel* WizardWindow::Heading(QWidget* page, const char* name) {
    auto* label = Named<QLabel>(page, name);
    label->setFont(DesignFont(design::HeadingFontHeight, true));
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, GrayText());
    label->setPalette(colours);
    return label;
}

void WizardWindow::BuildButtonRow() {
    struct RowButton {
        QPushButton** Target;
        const char* Name;
        void (TSetupWizardDlg::*Handler)();
    };
    const RowButton row[] = {
        {&OnlineBtn, "OnlineBtn", &TSetupWizardDlg::OnlineBtnClick},
        {&OfflineBtn, "OfflineBtn", &TSetupWizardDlg::OfflineBtnClick},
        {&FBConfigBtn, "FBConfigBtn", &TSetupWizardDlg::FBConfigBtnClick},
        {&BackBtn, "BackBtn", &TSetupWizardDlg::PrevPage},
        {&NextBtn, "NextBtn", &TSetupWizardDlg::NextBtnClick},
        {&CloseBtn, "CloseBtn", &TSetupWizardDlg::CloseBtnClick},
    };
    for (const RowButton& design : row) {
        auto* button = Named<QPushButton>(this, design.Name);
        // Speed buttons: no focus, and Enter or Escape never press them.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        auto handler = design.Handler;
        connect(button, &QPushButton::clicked, this, [this, handler] {
            Deliver([&controller = FController, handler] { (controller.*handler)(); });
        });
        *design.Target = button;
    }
    OnlineBtn->setCheckable(true);
    OfflineBtn->setCheckable(true);
    OnlineBtn->setIcon(Glyph("online"));
    OfflineBtn->setIcon(Glyph("offline"));
}

QWidget* WizardWindow::BuildParamsPage() {
    auto* page = Named<QWidget>(nullptr, "tsParams");
    lblParams = Heading(page, "lblParams");

    // Created in tab order: the folder panel first, then the application choice, then the list.
    Panel1 = Named<QWidget>(page, "Panel1");
    gbFolder = Named<QGroupBox>(Panel1, "gbFolder");
    edtFolder = Named<QLineEdit>(gbFolder, "edtFolder");
    QAction* pick = edtFolder->addAction(Glyph("folder"), QLineEdit::TrailingPosition);
    pick->setObjectName(QStringLiteral("edtFolderRightButton"));
    connect(pick, &QAction::triggered, this,
            [this] { Deliver([&controller = FController] { controller.edtFolderRightButtonClick(); }); });
    connect(edtFolder, &QLineEdit::textEdited, this,
            [this](const QString& text) { FController.GetForm().edtFolder.Text = text.toStdString(); });

    gbAppVers = Named<QGroupBox>(Panel1, "gbAppVers");
    cbAppVers = Named<QComboBox>(gbAppVers, "cbAppVers");
    cbAppVers->setEditable(true);
    cbAppVers->setInsertPolicy(QComboBox::NoInsert);
    auto editionChanged = [this] {
        if (FReflecting) return;
        ComboBox& box = FController.GetForm().cbAppVers;
        box.Text = cbAppVers->currentText().toStdString();
        box.ItemIndex = cbAppVers->findText(cbAppVers->currentText(), Qt::MatchFixedString);
        Deliver([&controller = FController] { controller.cbAppVersChange(); });
    };
    connect(cbAppVers, &QComboBox::currentIndexChanged, this, editionChanged);
    connect(cbAppVers, &QComboBox::editTextChanged, this, editionChanged);

    pnlApp = Named<QWidget>(page, "pnlApp");
    rbSingle = Named<QRadioButton>(pnlApp, "rbSingle");
    rbClient = Named<QRadioButton>(pnlApp, "rbClient");
    auto appChoice = [this] {
        if (FReflecting) return;
        FController.GetForm().rbClient.Checked = rbClient->isChecked();
        FController.GetForm().rbSingle.Checked = rbSingle->isChecked();
    };
    connect(rbClient, &QRadioButton::toggled, this, appChoice);
    connect(rbSingle, &QRadioButton::toggled, this, appChoice);

    gbFileList = Named<QGroupBox>(page, "gbFileList");
    cbFileList = Named<QListWidget>(gbFileList, "cbFileList");
    cbFileList->setFrameShape(QFrame::NoFrame);
    cbFileList->setUniformItemSizes(true);
    connect(cbFileList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (FReflecting) return;
        auto& items = FController.GetForm().cbFileList.Items;
        int row = cbFileList->row(item);
        if (row >= 0 && row < static_cast<int>(items.size()))
            items[row].Checked = item->checkState() == Qt::Checked;
    });
    pnlCheckListBtn = Named<QWidget>(gbFileList, "pnlCheckListBtn");
    MarkAllBtn = Named<QPushButton>(pnlCheckListBtn, "MarkAllBtn");
    MarkAllBtn->setIcon(Glyph("markall"));
    DeMarkAllBtn = Named<QPushButton>(pnlCheckListBtn, "DeMarkAllBtn");
    DeMarkAllBtn->setIcon(Glyph("demarkall"));
    for (auto [button, tag] : {std::pair{MarkAllBtn, 1}, std::pair{DeMarkAllBtn, 0}}) {
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, tag = tag] {
            Deliver([&controller = FController, tag] { controller.MarkAllBtnClick(tag); });
        });
    }
    return page;
}

QWidget* WizardWindow::BuildProgressPage() {
    auto* page = Named<QWidget>(nullptr, "tsProgress");
    lblProgress = Heading(page, "lblProgress");
    lblFileName = Named<QLabel>(page, "lblFileName");
    lblFileName->setFont(DesignFont(design::FileNameFontHeight, false));
    gbProgressBar = Named<QGroupBox>(page, "gbProgressBar");
    pbDownload = Named<QProgressBar>(gbProgressBar, "pbDownload");
    pbUnzip = Named<QProgressBar>(gbProgressBar, "pbUnzip");
    for (QProgressBar* bar : {pbDownload, pbUnzip}) {
        bar->setTextVisible(false);
        bar->hide();
    }
    lblSpeed = Named<QLabel>(page, "lblSpeed");
    lblSpeed->setFont(DesignFont(design::FileNameFontHeight, false));
    return page;
}

QWidget* WizardWindow::BuildInfoPage() {
    auto* page = Named<QWidget>(nullptr, "tsInfo");
    lblInfo = Heading(page, "lblInfo");
    lblStatusInfo = Named<QLabel>(page, "lblStatusInfo");
    lblStatusInfo->setWordWrap(true);
    lblStatusInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ErrList = Named<QListWidget>(page, "ErrList");
    ErrList->setFrameShape(QFrame::NoFrame);
    ErrList->setUniformItemSizes(true);
    ErrList->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
    return page;
}

void WizardWindow::ApplyLayout() {
    const WindowLayout layout = LayOutWindow(FController.GetForm());
    Place(pcMain, layout.pcMain);
    Place(FPages, layout.Page);
    for (auto [button, bounds] :
         {std::pair{OnlineBtn, layout.OnlineBtn}, std::pair{OfflineBtn, layout.OfflineBtn},
          std::pair{FBConfigBtn, layout.FBConfigBtn}, std::pair{BackBtn, layout.BackBtn},
          std::pair{NextBtn, layout.NextBtn}, std::pair{CloseBtn, layout.CloseBtn}})
        Place(button, bounds);
    const std::pair<QWidget*, Bounds> placed[] = {
        {lblParams, layout.lblParams},
        {pnlApp, layout.pnlApp},
        {rbClient, layout.rbClient},
        {rbSingle, layout.rbSingle},
        {Panel1, layout.Panel1},
        {gbFolder, layout.gbFolder},
        {edtFolder, layout.edtFolder},
        {gbAppVers, layout.gbAppVers},
        {cbAppVers, layout.cbAppVers},
        {gbFileList, layout.gbFileList},
        {pnlCheckListBtn, layout.pnlCheckListBtn},
        {MarkAllBtn, layout.MarkAllBtn},
        {DeMarkAllBtn, layout.DeMarkAllBtn},
        {cbFileList, layout.cbFileList},
        {lblProgress, layout.lblProgress},
        {lblFileName, layout.lblFileName},
        {gbProgressBar, layout.gbProgressBar},
        {pbDownload, layout.pbDownload},
        {pbUnzip, layout.pbUnzip},
        {lblSpeed, layout.lblSpeed},
        {lblInfo, layout.lblInfo},
        {lblStatusInfo, layout.lblStatusInfo},
        {ErrList, layout.ErrList},
    };
    for (const auto& [widget, bounds] : placed)
        Place(widget, bounds);
}

void WizardWindow::BuildPackageButtons() {
    const auto& packages = FController.GetForm().Packages;
    for (size_t i = 0; i < packages.size(); ++i) {
        const PackageOption& option = packages[i];
        auto* button = new QRadioButton(tsSelect);
        button->setObjectName(QStringLiteral("rbPackage%1").arg(option.Tag));
        button->setFont(DesignFont(design::PackageFontHeight, true));
        button->setGeometry(option.Left, option.Top, option.Width, option.Height);
        int tag = option.Tag;
        connect(button, &QRadioButton::toggled, this, [this, tag](bool checked) {
            // Only a change of the checked button is a click the wizard hears.
            if (checked) Deliver([&controller = FController, tag] { controller.DoAction(tag); });
        });
        auto* label = new QLabel(tsSelect);
        label->setObjectName(QStringLiteral("lblPackage%1").arg(option.Tag));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(option.LabelLeft, option.LabelTop, option.LabelWidth, option.LabelHeight);
        FPackageButtons.push_back(button);
        FPackageLabels.push_back(label);
    }
}

QPushButton* WizardWindow::Button(const char* name) const {
    return findChild<QPushButton*>(QString::fromLatin1(name));
}

void WizardWindow::ReflectConnectWait(const Control& wait) {
    if (!FConnectWaitShow.Due(wait.Visible)) {
        if (FConnectWait) FConnectWait->hide();
        return;
    }
    if (!FConnectWait) {
        FConnectWait = new QDialog(this, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
        FConnectWait->setObjectName(QStringLiteral("ConnectWait"));
        FConnectWait->setWindowTitle(windowTitle()); // the wizard's caption, already set
        auto* layout = new QVBoxLayout(FConnectWait);
        FConnectWaitText = Named<QLabel>(FConnectWait, "lblConnectWait");
        layout->addWidget(FConnectWaitText);
        auto* cancel = Named<QPushButton>(FConnectWait, "ConnectWaitCancelBtn");
        cancel->setText(QStringLiteral("Abbrechen"));
        layout->addWidget(cancel, 0, Qt::AlignRight);
        connect(cancel, &QPushButton::clicked, this,
                [this] { Deliver([&controller = FController] { controller.ConnectWaitCancelClick(); }); });
    }
    SetCaption(FConnectWaitText, DisplayText(wait.Caption));
    if (!FConnectWait->isVisible()) {
        FConnectWait->adjustSize();
        if (QScreen* screen = FConnectWait->screen())
            FConnectWait->move(screen->availableGeometry().center() - FConnectWait->rect().center());
        FConnectWait->show();
    }
}

void WizardWindow::Reflect() {
    const Form& form = FController.GetForm();
    FReflecting = true;

    if (windowTitle() != Q(form.Caption)) setWindowTitle(Q(form.Caption));

    const std::pair<QPushButton*, const SpeedButton*> row[] = {
        {OnlineBtn, &form.OnlineBtn}, {OfflineBtn, &form.OfflineBtn}, {FBConfigBtn, &form.FBConfigBtn},
        {BackBtn, &form.BackBtn},     {NextBtn, &form.NextBtn},       {CloseBtn, &form.CloseBtn},
    };
    for (auto [button, model] : row) {
        SetCaption(button, Q(model->Caption));
        SetShown(button, model->Visible);
        if (button->isCheckable() && button->isChecked() != model->Down) button->setChecked(model->Down);
    }

    if (FPackageButtons.empty() && !form.Packages.empty()) BuildPackageButtons();
    for (size_t i = 0; i < FPackageButtons.size() && i < form.Packages.size(); ++i) {
        SetCaption(FPackageButtons[i], Q(form.Packages[i].Button.Caption));
        if (FPackageButtons[i]->isChecked() != form.Packages[i].Button.Checked)
            FPackageButtons[i]->setChecked(form.Packages[i].Button.Checked);
        SetCaption(FPackageLabels[i], Q(form.Packages[i].Description));
    }

    SetCaption(lblParams, Q(form.lblParams.Caption));
    SetShown(pnlApp, form.pnlApp.Visible);
    SetCaption(rbClient, Q(form.rbClient.Caption));
    SetCaption(rbSingle, Q(form.rbSingle.Caption));
    if (rbClient->isChecked() != form.rbClient.Checked) rbClient->setChecked(form.rbClient.Checked);
    if (rbSingle->isChecked() != form.rbSingle.Checked) rbSingle->setChecked(form.rbSingle.Checked);
    if (gbFolder->title() != Q(form.gbFolder.Caption)) gbFolder->setTitle(Q(form.gbFolder.Caption));
    SetCaption(edtFolder, Q(form.edtFolder.Text));
    if (gbAppVers->title() != Q(form.gbAppVers.Caption)) gbAppVers->setTitle(Q(form.gbAppVers.Caption));
    SetShown(gbAppVers, form.gbAppVers.Visible);
    QStringList editions;
    for (const std::string& item : form.cbAppVers.Items)
        editions << Q(item);
    QStringList shownEditions;
    for (int i = 0; i < cbAppVers->count(); ++i)
        shownEditions << cbAppVers->itemText(i);
    if (editions != shownEditions) {
        cbAppVers->clear();
        cbAppVers->addItems(editions);
    }
    if (form.cbAppVers.ItemIndex >= 0 && cbAppVers->currentIndex() != form.cbAppVers.ItemIndex)
        cbAppVers->setCurrentIndex(form.cbAppVers.ItemIndex);
    if (cbAppVers->currentText() != Q(form.cbAppVers.Text)) cbAppVers->setEditText(Q(form.cbAppVers.Text));
    if (gbFileList->title() != Q(form.gbFileList.Caption)) gbFileList->setTitle(Q(form.gbFileList.Caption));
    SetShown(gbFileList, form.gbFileList.Visible);
    SetCaption(MarkAllBtn, Q(form.MarkAllBtn.Caption));
    SetCaption(DeMarkAllBtn, Q(form.DeMarkAllBtn.Caption));
    const auto& entries = form.cbFileList.Items;
    if (cbFileList->count() != static_cast<int>(entries.size())) {
        cbFileList->clear();
        for (const CheckListEntry& entry : entries) {
            auto* item = new QListWidgetItem(Q(entry.Text), cbFileList);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setSizeHint(QSize(0, design::CheckListEntryHeight));
        }
    }
    for (int i = 0; i < cbFileList->count(); ++i) {
        QListWidgetItem* item = cbFileList->item(i);
        if (item->text() != Q(entries[i].Text)) item->setText(Q(entries[i].Text));
        Qt::CheckState state = entries[i].Checked ? Qt::Checked : Qt::Unchecked;
        if (item->checkState() != state) item->setCheckState(state);
    }

    SetCaption(lblProgress, Q(form.lblProgress.Caption));
    SetCaption(lblFileName, Q(form.lblFileName.Caption));
    SetCaption(lblSpeed, Q(form.lblSpeed.Caption));
    for (auto [bar, model] : {std::pair{pbDownload, &form.pbDownload}, std::pair{pbUnzip, &form.pbUnzip}}) {
        // Shown first, so every position the user could see is one the bar had on screen.
        SetShown(bar, model->Visible);
        // Bars count in ints; the model's units (thousands of bytes) stay far below the limit.
        int max = static_cast<int>(std::min<long long>(model->Max, 1 << 30));
        int position = static_cast<int>(std::min<long long>(model->Position, max));
        if (bar->maximum() != max) bar->setMaximum(max);
        if (bar->value() != position) bar->setValue(position);
    }

    SetCaption(lblInfo, Q(form.lblInfo.Caption));
    SetCaption(lblStatusInfo, DisplayText(form.lblStatusInfo.Caption));
    QStringList lines;
    for (const std::string& line : form.ErrList.Items)
        lines << DisplayText(line);
    QStringList shownLines;
    for (int i = 0; i < ErrList->count(); ++i)
        shownLines << ErrList->item(i)->text();
    if (lines != shownLines) {
        ErrList->clear();
        for (const QString& line : lines)
            (new QListWidgetItem(line, ErrList))->setSizeHint(QSize(0, design::ErrListEntryHeight));
    }

    if (FPages->currentIndex() != form.ActivePage) FPages->setCurrentIndex(form.ActivePage);
    ApplyLayout();
    ReflectConnectWait(form.ConnectWait);
    FReflecting = false;

    if (form.Closed) {
        if (isVisible()) close();
        // A window hidden while an installer ran closes without any window left to close:
        // the program must still learn that the wizard has ended.
        if (!FClosedAnnounced) {
            FClosedAnnounced = true;
            emit WizardClosed();
        }
    } else if (OnlyProgressPage) {
        const bool shown = form.Visible && form.ActivePage == tsProgress;
        if (shown != isVisible()) setVisible(shown);
    } else if (form.Visible != isVisible() && testAttribute(Qt::WA_WState_ExplicitShowHide)) {
        setVisible(form.Visible);
    }
}

void WizardWindow::closeEvent(QCloseEvent* event) {
    if (!FController.GetForm().Closed) {
        FController.Dispatch([&] {
            if (FController.FormCloseQuery()) FController.Close();
        });
        Reflect();
    }
    if (FController.GetForm().Closed)
        event->accept();
    else
        event->ignore();
}

} // namespace tv
