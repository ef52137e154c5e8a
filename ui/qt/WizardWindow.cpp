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
    for (const char* name : {"tsSelect", "tsParams", "tsProgress", "tsInfo"}) {
        FPageWidgets.push_back(Named<QWidget>(nullptr, name));
        FPages->addWidget(FPageWidgets.back());
    }
    const auto rows = ControlTable();
    for (size_t i = 0; i < rows.size(); ++i) {
        const ControlParent parent = ParentOf(rows[i]);
        FControls.push_back(Make(i, parent.Row >= 0    ? FControls[static_cast<size_t>(parent.Row)]
                                    : parent.Page >= 0 ? FPageWidgets[static_cast<size_t>(parent.Page)]
                                                       : this));
    }
    ApplyLayout();
    pcMain->setFocus();
}

QLabel* WizardWindow::Heading(QWidget* parent, const char* name) {
    auto* label = Named<QLabel>(parent, name);
    label->setFont(DesignFont(design::HeadingFontHeight, true));
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, GrayText());
    label->setPalette(colours);
    return label;
}

QWidget* WizardWindow::Make(size_t index, QWidget* parent) {
    const ControlRow& row = ControlTable()[index];
    switch (row.Kind) {
    case ControlKind::Panel:
        return Named<QWidget>(parent, row.Name);
    case ControlKind::Group:
        return Named<QGroupBox>(parent, row.Name);
    case ControlKind::Heading:
        return Heading(parent, row.Name);
    case ControlKind::Label:
        return Named<QLabel>(parent, row.Name);
    case ControlKind::FileNameLabel: {
        auto* label = Named<QLabel>(parent, row.Name);
        label->setFont(DesignFont(design::FileNameFontHeight, false));
        return label;
    }
    case ControlKind::TextBlock: {
        auto* label = Named<QLabel>(parent, row.Name);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::RowButton:
    case ControlKind::ToggleButton:
    case ControlKind::FlatButton: {
        auto* button = Named<QPushButton>(parent, row.Name);
        // Speed buttons: no focus, and Enter or Escape never press them.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        button->setFlat(row.Kind == ControlKind::FlatButton);
        button->setCheckable(row.Kind == ControlKind::ToggleButton);
        if (row.Glyph) button->setIcon(Glyph(row.Glyph));
        connect(button, &QPushButton::clicked, this, [this, index] { Act(index); });
        return button;
    }
    case ControlKind::RadioButton: {
        auto* button = Named<QRadioButton>(parent, row.Name);
        connect(button, &QRadioButton::toggled, this, [this] { RadioButtonsChanged(); });
        return button;
    }
    case ControlKind::FolderEdit: {
        auto* edit = Named<QLineEdit>(parent, row.Name);
        QAction* pick = edit->addAction(Glyph(row.Glyph), QLineEdit::TrailingPosition);
        pick->setObjectName(QLatin1String(row.Name) + QStringLiteral("RightButton"));
        connect(pick, &QAction::triggered, this, [this, index] { Act(index); });
        connect(edit, &QLineEdit::textEdited, this, [this, &row](const QString& text) {
            ModelOf<Edit>(row, FController.GetForm())->Text = text.toStdString();
        });
        return edit;
    }
    case ControlKind::ComboBox: {
        auto* box = Named<QComboBox>(parent, row.Name);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        connect(box, &QComboBox::currentIndexChanged, this, [this, index] { EditionChanged(index); });
        connect(box, &QComboBox::editTextChanged, this, [this, index] { EditionChanged(index); });
        return box;
    }
    case ControlKind::CheckList: {
        auto* list = Named<QListWidget>(parent, row.Name);
        list->setFrameShape(QFrame::NoFrame);
        list->setUniformItemSizes(true);
        connect(list, &QListWidget::itemChanged, this, [this, list, &row](QListWidgetItem* item) {
            if (FReflecting) return;
            auto& items = ModelOf<CheckListBox>(row, FController.GetForm())->Items;
            const int entry = list->row(item);
            if (entry >= 0 && entry < static_cast<int>(items.size()))
                items[static_cast<size_t>(entry)].Checked = item->checkState() == Qt::Checked;
        });
        return list;
    }
    case ControlKind::ListBox: {
        auto* list = Named<QListWidget>(parent, row.Name);
        list->setFrameShape(QFrame::NoFrame);
        list->setUniformItemSizes(true);
        list->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
        return list;
    }
    case ControlKind::ProgressBar: {
        auto* bar = Named<QProgressBar>(parent, row.Name);
        bar->setTextVisible(false);
        bar->hide();
        return bar;
    }
    }
    return Named<QWidget>(parent, row.Name);
}

void WizardWindow::Act(size_t index) {
    Deliver([&controller = FController, &row = ControlTable()[index]] { Perform(row, controller); });
}

void WizardWindow::RadioButtonsChanged() {
    if (FReflecting) return;
    const auto rows = ControlTable();
    for (size_t i = 0; i < rows.size(); ++i)
        if (RadioButton* model = ModelOf<RadioButton>(rows[i], FController.GetForm()))
            model->Checked = static_cast<QRadioButton*>(FControls[i])->isChecked();
}

void WizardWindow::EditionChanged(size_t index) {
    if (FReflecting) return;
    auto* box = static_cast<QComboBox*>(FControls[index]);
    ComboBox& model = *ModelOf<ComboBox>(ControlTable()[index], FController.GetForm());
    model.Text = box->currentText().toStdString();
    model.ItemIndex = box->findText(box->currentText(), Qt::MatchFixedString);
    Act(index);
}

void WizardWindow::ApplyLayout() {
    const WindowLayout layout = LayOutWindow(FController.GetForm());
    Place(pcMain, layout.pcMain);
    Place(FPages, layout.Page);
    const auto rows = ControlTable();
    for (size_t i = 0; i < rows.size(); ++i)
        Place(FControls[i], layout.*rows[i].Place);
}

void WizardWindow::BuildPackageButtons() {
    const auto& packages = FController.GetForm().Packages;
    for (size_t i = 0; i < packages.size(); ++i) {
        const PackageOption& option = packages[i];
        auto* button = new QRadioButton(FPageWidgets[tsSelect]);
        button->setObjectName(QStringLiteral("rbPackage%1").arg(option.Tag));
        button->setFont(DesignFont(design::PackageFontHeight, true));
        button->setGeometry(option.Left, option.Top, option.Width, option.Height);
        int tag = option.Tag;
        connect(button, &QRadioButton::toggled, this, [this, tag](bool checked) {
            // Only a change of the checked button is a click the wizard hears.
            if (checked) Deliver([&controller = FController, tag] { controller.DoAction(tag); });
        });
        auto* label = new QLabel(FPageWidgets[tsSelect]);
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

void WizardWindow::Mirror(QWidget* widget, const ControlRow& row, const Control& model) {
    switch (row.Kind) {
    case ControlKind::Group: {
        auto* group = static_cast<QGroupBox*>(widget);
        if (group->title() != Q(model.Caption)) group->setTitle(Q(model.Caption));
        break;
    }
    case ControlKind::Heading:
    case ControlKind::Label:
    case ControlKind::FileNameLabel:
    case ControlKind::TextBlock:
        SetCaption(static_cast<QLabel*>(widget), DisplayText(model.Caption));
        break;
    default:
        break;
    }
    SetShown(widget, model.Visible);
}

void WizardWindow::Mirror(QWidget* widget, const ControlRow&, const SpeedButton& model) {
    auto* button = static_cast<QPushButton*>(widget);
    SetCaption(button, Q(model.Caption));
    SetShown(button, model.Visible);
    if (button->isCheckable() && button->isChecked() != model.Down) button->setChecked(model.Down);
}

void WizardWindow::Mirror(QWidget* widget, const ControlRow&, const RadioButton& model) {
    auto* button = static_cast<QRadioButton*>(widget);
    SetCaption(button, Q(model.Caption));
    SetShown(button, model.Visible);
    if (button->isChecked() != model.Checked) button->setChecked(model.Checked);
}

void WizardWindow::Mirror(QWidget* widget, const ControlRow&, const Edit& model) {
    SetCaption(static_cast<QLineEdit*>(widget), Q(model.Text));
    SetShown(widget, model.Visible);
}

void WizardWindow::Mirror(QWidget* widget, const ControlRow&, const ComboBox& model) {
    auto* box = static_cast<QComboBox*>(widget);
    QStringList items;
    for (const std::string& item : model.Items)
        items << Q(item);
    QStringList shownItems;
    for (int i = 0; i < box->count(); ++i)
        shownItems << box->itemText(i);
    if (items != shownItems) {
        box->clear();
        box->addItems(items);
    }
    if (model.ItemIndex >= 0 && box->currentIndex() != model.ItemIndex) box->setCurrentIndex(model.ItemIndex);
    if (box->currentText() != Q(model.Text)) box->setEditText(Q(model.Text));
    SetShown(box, model.Visible);
}

void WizardWindow::Mirror(QWidget* widget, const ControlRow&, const CheckListBox& model) {
    auto* list = static_cast<QListWidget*>(widget);
    const auto& entries = model.Items;
    if (list->count() != static_cast<int>(entries.size())) {
        list->clear();
        for (const CheckListEntry& entry : entries) {
            auto* item = new QListWidgetItem(Q(entry.Text), list);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setSizeHint(QSize(0, design::CheckListEntryHeight));
        }
    }
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        const CheckListEntry& entry = entries[static_cast<size_t>(i)];
        if (item->text() != Q(entry.Text)) item->setText(Q(entry.Text));
        Qt::CheckState state = entry.Checked ? Qt::Checked : Qt::Unchecked;
        if (item->checkState() != state) item->setCheckState(state);
    }
    SetShown(list, model.Visible);
}

void WizardWindow::Mirror(QWidget* widget, const ControlRow&, const ListBox& model) {
    auto* list = static_cast<QListWidget*>(widget);
    QStringList lines;
    for (const std::string& line : model.Items)
        lines << DisplayText(line);
    QStringList shownLines;
    for (int i = 0; i < list->count(); ++i)
        shownLines << list->item(i)->text();
    if (lines != shownLines) {
        list->clear();
        for (const QString& line : lines)
            (new QListWidgetItem(line, list))->setSizeHint(QSize(0, design::ErrListEntryHeight));
    }
    SetShown(list, model.Visible);
}

void WizardWindow::Mirror(QWidget* widget, const ControlRow&, const ProgressBar& model) {
    auto* bar = static_cast<QProgressBar*>(widget);
    // Shown first, so every position the user could see is one the bar had on screen.
    SetShown(bar, model.Visible);
    const auto [max, position] = BarValuesOf(model);
    if (bar->maximum() != max) bar->setMaximum(max);
    if (bar->value() != position) bar->setValue(position);
}

void WizardWindow::Reflect() {
    const Form& form = FController.GetForm();
    FReflecting = true;

    if (windowTitle() != Q(form.Caption)) setWindowTitle(Q(form.Caption));

    if (FPackageButtons.empty() && !form.Packages.empty()) BuildPackageButtons();
    for (size_t i = 0; i < FPackageButtons.size() && i < form.Packages.size(); ++i) {
        SetCaption(FPackageButtons[i], Q(form.Packages[i].Button.Caption));
        if (FPackageButtons[i]->isChecked() != form.Packages[i].Button.Checked)
            FPackageButtons[i]->setChecked(form.Packages[i].Button.Checked);
        SetCaption(FPackageLabels[i], Q(form.Packages[i].Description));
    }

    const auto rows = ControlTable();
    for (size_t i = 0; i < rows.size(); ++i)
        VisitModel(rows[i], form, [&](const auto& model) { Mirror(FControls[i], rows[i], model); });

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
