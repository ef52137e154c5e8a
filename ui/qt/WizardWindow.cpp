#include "ui/qt/WizardWindow.h"

#include <algorithm>
#include <tuple>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tv {

namespace {

constexpr int ClientWidth = 594;  // pixels at 96 dots per inch
constexpr int ClientHeight = 431;
constexpr int PagesHeight = 392;
constexpr int ButtonRowTop = 400;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The wizard's line break inside a message is LF CR; the screen wants one break.
QString DisplayText(const std::string& text) {
    QString out = Q(text);
    out.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return out;
}

template <class W> void SetCaption(W* widget, const QString& text) {
    if (widget->text() != text) widget->setText(text);
}

void SetShown(QWidget* widget, bool visible) {
    if (widget->isVisibleTo(widget->parentWidget()) != visible) widget->setVisible(visible);
}

// A wrapper that keeps the given distances around a control; hiding the wrapper frees its space.
QWidget* WithMargins(QWidget* control, int left, int top, int right, int bottom, int height = -1) {
    auto* wrapper = new QWidget;
    auto* layout = new QVBoxLayout(wrapper);
    layout->setContentsMargins(left, top, right, bottom);
    layout->setSpacing(0);
    layout->addWidget(control);
    if (height >= 0) {
        control->setFixedHeight(height);
        wrapper->setFixedHeight(height + top + bottom);
    }
    return wrapper;
}

QIcon FolderIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(150, 110, 20));
    painter.setBrush(QColor(240, 200, 90));
    painter.drawRect(1, 4, 13, 9);
    painter.drawRect(1, 2, 5, 2);
    return QIcon(pixmap);
}

} // namespace

WizardWindow::WizardWindow(TSetupWizardDlg& controller) : FController(controller) {
    setObjectName(QStringLiteral("SetupWizardDlg"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);

    pcMain = new QStackedWidget(this);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    pcMain->setGeometry(0, 0, ClientWidth, PagesHeight);
    tsSelect = new QWidget;
    tsSelect->setObjectName(QStringLiteral("tsSelect"));
    pcMain->addWidget(tsSelect);
    pcMain->addWidget(BuildParamsPage());
    pcMain->addWidget(BuildProgressPage());
    pcMain->addWidget(BuildInfoPage());
    BuildButtonRow();
    pcMain->setFocus();
}

QLabel* WizardWindow::Heading(QWidget* parent) {
    auto* label = new QLabel(parent);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(11);
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: palette(mid);"));
    return label;
}

void WizardWindow::BuildButtonRow() {
    struct RowButton {
        QPushButton** Target;
        const char* Name;
        int Left;
        void (TSetupWizardDlg::*Handler)();
    };
    const RowButton row[] = {
        {&OnlineBtn, "OnlineBtn", 5, &TSetupWizardDlg::OnlineBtnClick},
        {&OfflineBtn, "OfflineBtn", 90, &TSetupWizardDlg::OfflineBtnClick},
        {&FBConfigBtn, "FBConfigBtn", 175, &TSetupWizardDlg::FBConfigBtnClick},
        {&BackBtn, "BackBtn", 336, &TSetupWizardDlg::PrevPage},
        {&NextBtn, "NextBtn", 421, &TSetupWizardDlg::NextBtnClick},
        {&CloseBtn, "CloseBtn", 506, &TSetupWizardDlg::CloseBtnClick},
    };
    for (const RowButton& design : row) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::fromLatin1(design.Name));
        button->setGeometry(design.Left, ButtonRowTop, ButtonWidth, ButtonHeight);
        // Speed buttons: no focus, and Enter or Escape never press them.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        auto handler = design.Handler;
        connect(button, &QPushButton::clicked, this, [this, handler] { Deliver([&] { (FController.*handler)(); }); });
        *design.Target = button;
    }
    OnlineBtn->setCheckable(true);
    OfflineBtn->setCheckable(true);
}

QWidget* WizardWindow::BuildParamsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsParams"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    lblParams = Heading(page);
    layout->addWidget(WithMargins(lblParams, 20, 12, 20, 10, 25));

    pnlApp = new QWidget;
    pnlApp->setFixedHeight(50 + 10);
    rbClient = new QRadioButton(pnlApp);
    rbClient->setObjectName(QStringLiteral("rbClient"));
    rbClient->setGeometry(30, 10 + 10, 150, 17);
    rbSingle = new QRadioButton(pnlApp);
    rbSingle->setObjectName(QStringLiteral("rbSingle"));
    rbSingle->setGeometry(200, 10 + 10, 150, 17);
    auto appChoice = [this] {
        if (FReflecting) return;
        FController.GetForm().rbClient.Checked = rbClient->isChecked();
        FController.GetForm().rbSingle.Checked = rbSingle->isChecked();
    };
    connect(rbClient, &QRadioButton::toggled, this, appChoice);
    connect(rbSingle, &QRadioButton::toggled, this, appChoice);
    layout->addWidget(pnlApp);

    auto* panel1 = new QWidget;
    panel1->setFixedHeight(120);
    auto* panelLayout = new QVBoxLayout(panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);

    gbFolder = new QGroupBox;
    edtFolder = new QLineEdit;
    edtFolder->setObjectName(QStringLiteral("edtFolder"));
    auto* folderLayout = new QVBoxLayout(gbFolder);
    folderLayout->setContentsMargins(5, 7, 5, 7);
    folderLayout->addWidget(edtFolder);
    QAction* pick = edtFolder->addAction(FolderIcon(), QLineEdit::TrailingPosition);
    connect(pick, &QAction::triggered, this, [this] { Deliver([&] { FController.edtFolderRightButtonClick(); }); });
    connect(edtFolder, &QLineEdit::textEdited, this,
            [this](const QString& text) { FController.GetForm().edtFolder.Text = text.toStdString(); });
    panelLayout->addWidget(WithMargins(gbFolder, 30, 0, 30, 5, 52));

    gbAppVers = new QGroupBox;
    cbAppVers = new QComboBox;
    cbAppVers->setObjectName(QStringLiteral("cbAppVers"));
    cbAppVers->setEditable(true);
    cbAppVers->setInsertPolicy(QComboBox::NoInsert);
    auto* versLayout = new QVBoxLayout(gbAppVers);
    versLayout->setContentsMargins(5, 3, 5, 5);
    versLayout->addWidget(cbAppVers);
    auto editionChanged = [this] {
        if (FReflecting) return;
        ComboBox& box = FController.GetForm().cbAppVers;
        box.Text = cbAppVers->currentText().toStdString();
        box.ItemIndex = cbAppVers->findText(cbAppVers->currentText(), Qt::MatchFixedString);
        Deliver([&] { FController.cbAppVersChange(); });
    };
    connect(cbAppVers, &QComboBox::currentIndexChanged, this, editionChanged);
    connect(cbAppVers, &QComboBox::editTextChanged, this, editionChanged);
    panelLayout->addWidget(WithMargins(gbAppVers, 30, 0, 30, 5, 52));
    panelLayout->addStretch();
    layout->addWidget(panel1);

    gbFileList = new QGroupBox;
    auto* fileLayout = new QVBoxLayout(gbFileList);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    fileLayout->setSpacing(0);
    auto* buttons = new QWidget;
    buttons->setFixedHeight(25);
    auto* buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    MarkAllBtn = new QPushButton;
    MarkAllBtn->setObjectName(QStringLiteral("MarkAllBtn"));
    DeMarkAllBtn = new QPushButton;
    DeMarkAllBtn->setObjectName(QStringLiteral("DeMarkAllBtn"));
    for (auto [button, width, tag] : {std::tuple{MarkAllBtn, 100, 1}, std::tuple{DeMarkAllBtn, 150, 0}}) {
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(width, 25);
        buttonLayout->addWidget(WithMargins(button, 5, 0, 5, 0));
        connect(button, &QPushButton::clicked, this,
                [this, tag = tag] { Deliver([&] { FController.MarkAllBtnClick(tag); }); });
    }
    buttonLayout->addStretch();
    fileLayout->addWidget(buttons);
    cbFileList = new QListWidget;
    cbFileList->setObjectName(QStringLiteral("cbFileList"));
    cbFileList->setFrameShape(QFrame::NoFrame);
    connect(cbFileList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (FReflecting) return;
        auto& items = FController.GetForm().cbFileList.Items;
        int row = cbFileList->row(item);
        if (row >= 0 && row < static_cast<int>(items.size())) items[row].Checked = item->checkState() == Qt::Checked;
    });
    fileLayout->addWidget(WithMargins(cbFileList, 10, 5, 5, 0));
    layout->addWidget(WithMargins(gbFileList, 30, 5, 30, 0, 150));
    layout->addStretch();
    return page;
}

QWidget* WizardWindow::BuildProgressPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsProgress"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    lblProgress = Heading(page);
    layout->addWidget(WithMargins(lblProgress, 20, 12, 20, 10, 25));
    lblFileName = new QLabel;
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(10);
    lblFileName->setFont(font);
    layout->addWidget(WithMargins(lblFileName, 30, 5, 30, 0, 25));
    auto* box = new QGroupBox;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(20, 0, 20, 10);
    pbDownload = new QProgressBar;
    pbDownload->setObjectName(QStringLiteral("pbDownload"));
    pbUnzip = new QProgressBar;
    pbUnzip->setObjectName(QStringLiteral("pbUnzip"));
    for (QProgressBar* bar : {pbDownload, pbUnzip}) {
        bar->setTextVisible(false);
        bar->hide();
        grid->addWidget(bar, 0, 0); // one on top of the other; at most one is shown
    }
    layout->addWidget(WithMargins(box, 30, 5, 30, 5, 50));
    layout->addStretch();
    return page;
}

QWidget* WizardWindow::BuildInfoPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsInfo"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    lblInfo = Heading(page);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    layout->addWidget(WithMargins(lblInfo, 20, 12, 20, 10, 25));
    lblStatusInfo = new QLabel;
    lblStatusInfo->setObjectName(QStringLiteral("lblStatusInfo"));
    lblStatusInfo->setWordWrap(true);
    lblStatusInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(WithMargins(lblStatusInfo, 20, 5, 20, 0, 60));
    ErrList = new QListWidget;
    ErrList->setObjectName(QStringLiteral("ErrList"));
    ErrList->setFrameShape(QFrame::NoFrame);
    ErrList->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(WithMargins(ErrList, 20, 5, 20, 5), 1);
    return page;
}

void WizardWindow::BuildPackageButtons() {
    const auto& packages = FController.GetForm().Packages;
    for (size_t i = 0; i < packages.size(); ++i) {
        const PackageOption& option = packages[i];
        auto* button = new QRadioButton(tsSelect);
        button->setObjectName(QStringLiteral("rbPackage%1").arg(option.Tag));
        QFont font(QStringLiteral("Tahoma"));
        font.setPointSize(10);
        font.setBold(true);
        button->setFont(font);
        button->setGeometry(option.Left, option.Top, option.Width, option.Height);
        int tag = option.Tag;
        connect(button, &QRadioButton::toggled, this, [this, tag](bool checked) {
            // Only a change of the checked button is a click the wizard hears.
            if (checked) Deliver([&] { FController.DoAction(tag); });
        });
        auto* label = new QLabel(tsSelect);
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
    SetShown(gbAppVers->parentWidget(), form.gbAppVers.Visible);
    QStringList editions;
    for (const std::string& item : form.cbAppVers.Items) editions << Q(item);
    QStringList shownEditions;
    for (int i = 0; i < cbAppVers->count(); ++i) shownEditions << cbAppVers->itemText(i);
    if (editions != shownEditions) {
        cbAppVers->clear();
        cbAppVers->addItems(editions);
    }
    if (form.cbAppVers.ItemIndex >= 0 && cbAppVers->currentIndex() != form.cbAppVers.ItemIndex)
        cbAppVers->setCurrentIndex(form.cbAppVers.ItemIndex);
    if (cbAppVers->currentText() != Q(form.cbAppVers.Text)) cbAppVers->setEditText(Q(form.cbAppVers.Text));
    if (gbFileList->title() != Q(form.gbFileList.Caption)) gbFileList->setTitle(Q(form.gbFileList.Caption));
    SetShown(gbFileList->parentWidget(), form.gbFileList.Visible);
    SetCaption(MarkAllBtn, Q(form.MarkAllBtn.Caption));
    SetCaption(DeMarkAllBtn, Q(form.DeMarkAllBtn.Caption));
    const auto& entries = form.cbFileList.Items;
    if (cbFileList->count() != static_cast<int>(entries.size())) {
        cbFileList->clear();
        for (const CheckListEntry& entry : entries) {
            auto* item = new QListWidgetItem(Q(entry.Text), cbFileList);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
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
    for (auto [bar, model] : {std::pair{pbDownload, &form.pbDownload}, std::pair{pbUnzip, &form.pbUnzip}}) {
        // Bars count in ints; the model's larger range is scaled down where needed.
        int max = static_cast<int>(std::min<long long>(model->Max, 1 << 30));
        int position = static_cast<int>(std::min<long long>(model->Position, max));
        if (bar->maximum() != max) bar->setMaximum(max);
        if (bar->value() != position) bar->setValue(position);
        SetShown(bar, model->Visible);
    }

    SetCaption(lblInfo, Q(form.lblInfo.Caption));
    SetCaption(lblStatusInfo, DisplayText(form.lblStatusInfo.Caption));
    QStringList lines;
    for (const std::string& line : form.ErrList.Items) lines << DisplayText(line);
    QStringList shownLines;
    for (int i = 0; i < ErrList->count(); ++i) shownLines << ErrList->item(i)->text();
    if (lines != shownLines) {
        ErrList->clear();
        ErrList->addItems(lines);
    }

    if (pcMain->currentIndex() != form.ActivePage) pcMain->setCurrentIndex(form.ActivePage);
    FReflecting = false;

    if (form.Closed) {
        if (isVisible()) close();
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
    if (FController.GetForm().Closed) event->accept();
    else event->ignore();
}

} // namespace tv
