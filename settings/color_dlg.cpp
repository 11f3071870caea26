#include "settings/color_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QToolTip>
#include <QValidator>
#include <QVBoxLayout>

#include "events/qt_ansi.h"
#include "settings/theme_file.h"
#include "settings/user_options.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTopHeight = 82;  // Panel1
constexpr int kCustomColor = -1;  // ColorBox1's last entry: a colour of the user's choice

fs::path PathOf(const QString& s) { return fs::path(s.toStdU16String()); }
QString TextOf(const fs::path& p) { return QString::fromStdU16String(p.u16string()); }

bool FileThere(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// The colour column shows swatches, not text. A text that is not a colour
// is left as text: it cannot be painted, and the other cells still are.
class SwatchDelegate : public QStyledItemDelegate {
public:
    SwatchDelegate(std::function<QColor(TColor)> paint, QObject* parent)
        : QStyledItemDelegate(parent), paint_(std::move(paint)) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (index.column() != 1) return;
        const QString text = index.data().toString();
        if (text.isEmpty()) return;
        if (const auto color = StringToColor(ToAnsi(text))) painter->fillRect(option.rect, paint_(*color));
    }

private:
    std::function<QColor(TColor)> paint_;
};

// Drops, as they are typed or pasted, the characters a theme's name may not
// hold; the cursor keeps its place among those that stay.
class ThemeNameFilter : public QValidator {
public:
    ThemeNameFilter(TColorDlg* dlg, QObject* parent) : QValidator(parent), dlg_(dlg) {}
    State validate(QString& input, int& pos) const override {
        QString kept;
        int before = 0;
        for (int i = 0; i < input.size(); ++i) {
            if (input[i] == QLatin1Char('\b') || !dlg_->ComboShemKeyPress(input[i])) continue;
            kept += input[i];
            if (i < pos) ++before;
        }
        input = kept;
        pos = before;
        return Acceptable;
    }

private:
    TColorDlg* dlg_;
};

QPixmap Swatch(const QColor& c) {
    QPixmap p(16, 12);
    p.fill(c);
    QPainter painter(&p);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 11);
    return p;
}

QToolButton* MakeButton(QWidget* parent, const char* name, const QString& hint, QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setFixedSize(26, 24);
    return b;
}

QWidget* MakePanel(QWidget* parent, const char* name, int height) {
    auto* w = new QWidget(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setFixedHeight(height);
    return w;
}

}  // namespace

QString SoundFileFilter() {
#ifdef _WIN32
    return QStringLiteral("Звуковые файлы (*.mid *.midi *.wav *.mp3 *.wma)");
#else
    // The media back end here also plays Vorbis and FLAC.
    return QStringLiteral("Звуковые файлы (*.mid *.midi *.wav *.mp3 *.wma *.ogg *.oga *.flac)");
#endif
}

QString ErrorFormatText() { return QStringLiteral("Неверный формат цвета."); }

std::vector<ShippedTheme> ShippedThemes() {
    std::vector<ShippedTheme> themes;
    const QDir shipped(QStringLiteral(":/themes"));
    for (const QString& name : shipped.entryList({QStringLiteral("*.tdt")}, QDir::Files)) {
        QFile in(shipped.filePath(name));
        if (!in.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = in.readAll();
        themes.push_back({ToAnsi(name), bytes.toStdString()});
    }
    return themes;
}

TColorDlg::TColorDlg(TColorDlgHost host, QWidget* parent) : QDialog(parent), host_(std::move(host)) {
    setObjectName(QStringLiteral("ColorDlg"));
    setWindowTitle(QStringLiteral("Настройки"));
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel1 = MakePanel(this, "Panel1", kTopHeight);
    auto* top = new QGridLayout(Panel1);
    top->setContentsMargins(8, 6, 8, 4);
    top->setHorizontalSpacing(4);
    top->setVerticalSpacing(2);
    Label1 = new QLabel(QStringLiteral("Звуковое сопровождение напоминания:"), Panel1);
    edAlertFile = new QLineEdit(Panel1);
    edAlertFile->setObjectName(QStringLiteral("edAlertFile"));
    edAlertFile->setReadOnly(true);
    BitBtnAlertFile = MakeButton(Panel1, "BitBtnAlertFile", QStringLiteral("Выбрать звуковой файл"),
                                 QStyle::SP_DialogOpenButton);
    Label2 = new QLabel(QStringLiteral("Цветовая тема:"), Panel1);
    ComboShem = new QComboBox(Panel1);
    ComboShem->setObjectName(QStringLiteral("ComboShem"));
    ComboShem->setEditable(true);
    ComboShem->setCompleter(nullptr);
    ComboShem->setInsertPolicy(QComboBox::NoInsert);
    ComboShem->setToolTip(QStringLiteral("Введите или выберите имя темы"));
    // ComboShemKeyPress: what may not stand in a theme's name never gets in,
    // typed or pasted.
    ComboShem->setValidator(new ThemeNameFilter(this, ComboShem));
    BitBtn2 = MakeButton(Panel1, "BitBtn2", QStringLiteral("Редактировать тему"), QStyle::SP_FileDialogDetailedView);
    BtnRestoreThemes = MakeButton(Panel1, "BtnRestoreThemes", QStringLiteral("Вернуть темы, поставляемые с программой"),
                                  QStyle::SP_BrowserReload);
    top->addWidget(Label1, 0, 0, 1, 4);
    top->addWidget(edAlertFile, 1, 0, 1, 3);
    top->addWidget(BitBtnAlertFile, 1, 3);
    top->addWidget(Label2, 2, 0);
    top->addWidget(ComboShem, 2, 1);
    top->addWidget(BitBtn2, 2, 2);
    top->addWidget(BtnRestoreThemes, 2, 3);
    top->setColumnStretch(1, 1);
    column->addWidget(Panel1);

    Panel3 = MakePanel(this, "Panel3", kEditorHeight);
    auto* editor = new QVBoxLayout(Panel3);
    editor->setContentsMargins(8, 0, 8, 4);
    editor->setSpacing(4);
    GridColor = new QTableWidget(0, 2, Panel3);
    GridColor->setObjectName(QStringLiteral("GridColor"));
    QFont small = f;
    small.setPointSize(7);
    GridColor->setFont(small);
    GridColor->verticalHeader()->hide();
    GridColor->verticalHeader()->setMinimumSectionSize(19);
    GridColor->verticalHeader()->setDefaultSectionSize(19);
    GridColor->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    GridColor->horizontalHeader()->setHighlightSections(false);
    GridColor->setShowGrid(true);
    GridColor->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridColor->setSelectionMode(QAbstractItemView::SingleSelection);
    GridColor->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridColor->setItemDelegate(new SwatchDelegate(host_.PaintColor, GridColor));
    GridColor->viewport()->setMouseTracking(true);
    GridColor->viewport()->installEventFilter(this);
    editor->addWidget(GridColor, 1);
    auto* change = new QHBoxLayout;
    change->setSpacing(4);
    Label3 = new QLabel(QStringLiteral("Изменить цвет:"), Panel3);
    ColorBox1 = new QComboBox(Panel3);
    ColorBox1->setObjectName(QStringLiteral("ColorBox1"));
    for (const NamedColor& c : ColorBoxColors())
        ColorBox1->addItem(Swatch(host_.PaintColor(c.value)), QString::fromUtf8(c.name), QVariant::fromValue(c.value));
    ColorBox1->addItem(Swatch(Qt::black), QStringLiteral("Другой…"), QVariant::fromValue(TColor(clBlack)));
    edSelColor = new QLineEdit(Panel3);
    edSelColor->setObjectName(QStringLiteral("edSelColor"));
    edSelColor->setToolTip(QStringLiteral("Воспринимает формат HTML цвета"));
    edSelColor->setFixedWidth(82);
    BitBtn1 = MakeButton(Panel3, "BitBtn1", QStringLiteral("Принять цвет"), QStyle::SP_DialogApplyButton);
    BtnSaveShem = MakeButton(Panel3, "BtnSaveShem", QStringLiteral("Сохранить цветовую тему"),
                             QStyle::SP_DialogSaveButton);

    change->addWidget(Label3);
    change->addWidget(ColorBox1, 1);
    change->addWidget(edSelColor);
    change->addWidget(BitBtn1);
    change->addWidget(BtnSaveShem);
    editor->addLayout(change);
    column->addWidget(Panel3);
    column->addStretch();

    Panel2 = MakePanel(this, "Panel2", kBottomHeight);
    auto* bottom = new QGridLayout(Panel2);
    bottom->setContentsMargins(8, 4, 8, 6);
    bottom->setHorizontalSpacing(8);
    bottom->setVerticalSpacing(2);
    chbShowNumWeeks = new QCheckBox(QStringLiteral("Показывать номера недель"), Panel2);
    chbShowNumWeeks->setObjectName(QStringLiteral("chbShowNumWeeks"));
    chbStartDay = new QCheckBox(QStringLiteral("Начинать неделю с воскресенья"), Panel2);
    chbStartDay->setObjectName(QStringLiteral("chbStartDay"));
    // Wrapped over two lines: the check box has no word wrap of its own.
    cbBigLastTime = new QCheckBox(QStringLiteral("Делить остаток времени на промежутки\n(г. мес. нед.)"), Panel2);
    cbBigLastTime->setObjectName(QStringLiteral("cbBigLastTime"));
    OKBtn = new QPushButton(QStringLiteral("Принять"), Panel2);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), Panel2);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    auto* line = new QFrame(Panel2);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
#ifdef _WIN32
    CheckStart = new QCheckBox(QStringLiteral("Автозагрузка с Windows"), Panel2);
#else
    CheckStart = new QCheckBox(QStringLiteral("Автозагрузка при входе в систему"), Panel2);
#endif
    CheckStart->setObjectName(QStringLiteral("CheckStart"));
    bottom->addWidget(chbShowNumWeeks, 0, 0);
    bottom->addWidget(chbStartDay, 1, 0);
    bottom->addWidget(cbBigLastTime, 2, 0);
    bottom->addWidget(OKBtn, 0, 1);
    bottom->addWidget(CancelBtn, 1, 1);
    bottom->addWidget(line, 3, 0, 1, 2);
    bottom->addWidget(CheckStart, 4, 0, 1, 2);
    bottom->setColumnStretch(0, 1);
    column->addWidget(Panel2);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtnAlertFile, &QToolButton::clicked, this, &TColorDlg::BitBtnAlertFileClick);
    connect(CheckStart, &QCheckBox::clicked, this, &TColorDlg::CheckStartClick);
    connect(ComboShem, &QComboBox::editTextChanged, this, &TColorDlg::ComboShemChange);
    connect(BitBtn2, &QToolButton::clicked, this, &TColorDlg::BitBtn2Click);
    connect(GridColor, &QTableWidget::cellClicked, this, &TColorDlg::GridColorClick);
    connect(GridColor, &QTableWidget::cellDoubleClicked, this, &TColorDlg::GridColorDblClick);
    connect(ColorBox1, &QComboBox::activated, this, [this](int index) {
        if (index == ColorBox1->count() - 1) {
            // The custom entry asks for its colour.
            const auto chosen = host_.ChooseColor(host_.PaintColor(ColorBox1->itemData(index).toUInt()));
            if (!chosen) {
                ColorBox1->setCurrentIndex(boxIndex_);
                return;
            }
            SelectBoxColor(TColor(chosen->red()) | TColor(chosen->green()) << 8 | TColor(chosen->blue()) << 16);
        }
        boxIndex_ = ColorBox1->currentIndex();
        ColorBox1Change();
    });
    connect(BitBtn1, &QToolButton::clicked, this, &TColorDlg::BitBtn1Click);
    connect(BtnSaveShem, &QToolButton::clicked, this, &TColorDlg::BtnSaveShemClick);
    connect(BtnRestoreThemes, &QToolButton::clicked, this, &TColorDlg::BtnRestoreThemesClick);
    FormCreate();
}

void TColorDlg::FormCreate() {
    GridColor->setHorizontalHeaderLabels({QStringLiteral("Часть интерфейса"), QStringLiteral("Цвет")});
    GridColor->setColumnWidth(0, 300);
    GridColor->setColumnWidth(1, 37);
    HintRow = 0;
    SelectBoxColor(clMoneyGreen);
    Panel3->hide();
    setFixedSize(388, kTopHeight + kBottomHeight);
}

bool TColorDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == GridColor->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            GridColorMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        } else if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            if (GridColor->indexAt(help->pos()).isValid())
                QToolTip::showText(help->globalPos(), GridColor->toolTip(), GridColor->viewport());
            else
                QToolTip::hideText();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- filling and reading ----

void TColorDlg::ShowListFilesShem(const std::vector<std::string>& names) {
    const QSignalBlocker quiet(ComboShem);
    const QString text = ComboShem->currentText();
    ComboShem->clear();
    for (const std::string& name : names)
        if (CheckThemeName(name) == ThemeNameCheck::Ok) ComboShem->addItem(FromAnsi(name));
    ComboShem->setEditText(text);
}

void TColorDlg::PreViewColorShema(const std::vector<GridRow>& rows) {
    GridColor->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem(FromAnsi(c == 0 ? rows[size_t(r)].caption : rows[size_t(r)].color));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            GridColor->setItem(r, c, item);
        }
    }
    // As in a grid, a slot is always the one being edited.
    if (GridColor->currentRow() < 0 && !rows.empty()) GridColor->setCurrentCell(0, 0);
}

std::vector<GridRow> TColorDlg::GridRows() const {
    std::vector<GridRow> rows;
    for (int r = 0; r < GridColor->rowCount(); ++r) {
        auto text = [&](int c) { return GridColor->item(r, c) ? ToAnsi(GridColor->item(r, c)->text()) : std::string(); };
        rows.push_back({text(0), text(1)});
    }
    return rows;
}

void TColorDlg::SetGridColor(int row, const QString& text) {
    if (QTableWidgetItem* item = GridColor->item(row, 1)) item->setText(text);
}

int TColorDlg::SelectedSlotRow() const {
    const int row = GridColor->currentRow();
    return row >= 0 && row < GridColor->rowCount() ? row : -1;
}

void TColorDlg::HideEditor() {
    if (Panel3->isHidden()) return;
    Panel3->hide();
    setFixedHeight(height() - kEditorHeight);
}

void TColorDlg::ShowThemeName(const QString& name) {
    const QSignalBlocker quiet(ComboShem);
    ComboShem->setEditText(name);
    ShowSaveHint();
}

void TColorDlg::ShowStartUpState() {
    const QSignalBlocker quiet(CheckStart);
    // An entry that starts another copy (another folder) is not this program's.
    CheckStart->setChecked(StartUpLink && FileThere(*StartUpLink) && host_.StartsThisProgram(*StartUpLink));
}

bool TColorDlg::ThemeNameListed() const {
    const std::string name = ToAnsi(ComboShem->currentText());
    if (name.empty()) return false;
    for (int i = 0; i < ComboShem->count(); ++i)
        if (SameThemeName(ToAnsi(ComboShem->itemText(i)), name)) return true;
    return false;
}

TColor TColorDlg::SelectedBoxColor() const { return ColorBox1->currentData().toUInt(); }

void TColorDlg::SelectBoxColor(TColor color) {
    int index = ColorBox1->count() - 1;
    for (int i = 0; i + 1 < ColorBox1->count(); ++i)
        if (ColorBox1->itemData(i).toUInt() == color) index = i;
    if (index == ColorBox1->count() - 1) {
        ColorBox1->setItemData(index, QVariant::fromValue(color));
        ColorBox1->setItemIcon(index, Swatch(host_.PaintColor(color)));
    }
    ColorBox1->setCurrentIndex(index);
    boxIndex_ = index;
    ColorBox1->update();
}

// ---- handlers ----

void TColorDlg::BitBtnAlertFileClick() {
    QString folder = TextOf(ExeDir);
    const QString text = edAlertFile->text();
    const qsizetype cut = std::max({text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')),
                                    text.lastIndexOf(QLatin1Char(':'))});
    if (!text.isEmpty() && cut >= 0) folder = text.left(cut + 1);
    const QString file = host_.ChooseOpenFile(folder, SoundFileFilter());
    if (file.isEmpty()) return;
    if (!AcceptableSoundFile(PathOf(file))) {
        host_.ShowMessage(QStringLiteral("Имя этого файла содержит перевод строки; выберите другой файл."));
        return;
    }
    edAlertFile->setText(file);
}

void TColorDlg::CheckStartClick() {
    if (CheckStart->isChecked()) {
        if (!StartUpLink) {
            // Never a guessed place: without the folder nothing is written.
            host_.ShowMessage(QStringLiteral("Не удалось найти папку автозагрузки пользователя; "
                                             "программа не добавлена в автозагрузку."));
        } else if (const WriteResult w = host_.CreateStartUpLink(*StartUpLink); !w.ok) {
            host_.ShowMessage(QStringLiteral("Не удалось добавить программу в автозагрузку:\n%1\n(%2)")
                                  .arg(TextOf(*StartUpLink), QString::fromStdString(w.error)));
        }
    } else if (StartUpLink && FileThere(*StartUpLink)) {
        if (const WriteResult w = host_.RemoveStartUpLink(*StartUpLink); !w.ok)
            host_.ShowMessage(QStringLiteral("Не удалось убрать программу из автозагрузки:\n%1\n(%2)")
                                  .arg(TextOf(*StartUpLink), QString::fromStdString(w.error)));
    }
    ShowStartUpState();  // what is really on disk
}

bool TColorDlg::ComboShemKeyPress(QChar key) {
    if (key == QLatin1Char('\b')) return true;
    const std::string b = ToAnsi(QString(key));
    return b.size() == 1 && b[0] != '?' && IsThemeNameChar(b[0]);
}

void TColorDlg::ComboShemChange() {
    ShowSaveHint();
    LoadColorScheme();
}

QString TColorDlg::ThemeNameProblem() const {
    switch (CheckThemeName(ToAnsi(ComboShem->currentText()))) {
        case ThemeNameCheck::BadCharacter:
            return QStringLiteral("Имя темы может состоять только из русских и латинских букв, цифр, «-» и «_».");
        case ThemeNameCheck::DeviceName:
            return QStringLiteral("Это имя занято системой; выберите для темы другое.");
        default:
            return {};
    }
}

void TColorDlg::ShowSaveHint() {
    const QString problem = ThemeNameProblem();
    BtnSaveShem->setToolTip(problem.isEmpty() ? QStringLiteral("Сохранить цветовую тему") : problem);
}

void TColorDlg::LoadColorScheme() {
    const std::string name = ToAnsi(ComboShem->currentText());
    if (CheckThemeName(name) != ThemeNameCheck::Ok) return;
    const auto file = FindThemeFile(ThemesFolder, name + ".tdt");
    if (!file) return;
    std::vector<std::string> values;
    if (!ReadThemeValues(*file, values)) return;
    std::vector<GridRow> rows = GridRows();
    FillGridColors(rows, values);
    for (int r = 0; r < int(rows.size()); ++r) SetGridColor(r, FromAnsi(rows[size_t(r)].color));
    UpdateColorsThema();
}

void TColorDlg::BitBtn2Click() {
    if (!Panel3->isHidden()) {
        Panel3->hide();
        setFixedHeight(height() - kEditorHeight);
        move(x(), y() + kBottomHeight);
    } else {
        Panel3->show();
        setFixedHeight(height() + kEditorHeight);
        const QScreen* s = screen();
        const int screenTop = s ? s->geometry().top() : 0;
        if (y() - screenTop > kBottomHeight) move(x(), y() - kBottomHeight);
    }
}

void TColorDlg::GridColorClick() {
    const int row = SelectedSlotRow();
    if (row < 0) return;
    const QString text = GridColor->item(row, 1)->text();
    const auto color = StringToColor(ToAnsi(text));
    if (!color) {
        host_.ShowMessage(ErrorFormatText());
        return;
    }
    edSelColor->setText(text);
    SelectBoxColor(*color);
}

void TColorDlg::GridColorDblClick() {
    const int row = SelectedSlotRow();
    if (row < 0) return;
    const auto color = StringToColor(ToAnsi(GridColor->item(row, 1)->text()));
    if (!color) {
        host_.ShowMessage(ErrorFormatText());
        return;
    }
    const auto chosen = host_.ChooseColor(host_.PaintColor(*color));
    if (!chosen) return;
    const TColor value = TColor(chosen->red()) | TColor(chosen->green()) << 8 | TColor(chosen->blue()) << 16;
    const QString text = FromAnsi(ColorToString(value));
    SetGridColor(row, text);
    edSelColor->setText(text);
    SelectBoxColor(value);
    UpdateColorsThema();
}

void TColorDlg::GridColorMouseMove(QPoint at) {
    const QModelIndex cell = GridColor->indexAt(at);
    if (!cell.isValid()) {
        QToolTip::hideText();
        return;
    }
    const int row = cell.row() + 1;  // the header is row 0
    if (row != HintRow) {
        HintRow = row;
        QToolTip::hideText();
        host_.SetHintPause(200);  // never set back
    }
    GridColor->setToolTip(GridColor->item(cell.row(), 0)->text() + QLatin1Char(' ') +
                          GridColor->item(cell.row(), 1)->text());
}

void TColorDlg::ColorBox1Change() { edSelColor->setText(FromAnsi(ColorToString(SelectedBoxColor()))); }

void TColorDlg::BitBtn1Click() {
    const int row = SelectedSlotRow();
    if (row < 0) return;
    if (edSelColor->text().isEmpty()) {
        SetGridColor(row, FromAnsi(ColorToString(SelectedBoxColor())));
        return;
    }
    SetGridColor(row, FromAnsi(TypedColorString(ToAnsi(edSelColor->text()))));
    UpdateColorsThema();
}

void TColorDlg::BtnSaveShemClick() {
    const QString name = ComboShem->currentText();
    if (name.isEmpty()) {
        host_.ShowMessage(QStringLiteral("Введите имя цветовой схемы!"));
        return;
    }
    if (const QString problem = ThemeNameProblem(); !problem.isEmpty()) {
        host_.ShowMessage(problem);
        return;
    }
    if (const auto existing = FindThemeFile(ThemesFolder, ToAnsi(name) + ".tdt");
        existing && !host_.Ask(QStringLiteral("Тема «%1» уже есть. Заменить её?").arg(TextOf(existing->stem())),
                               QStringLiteral("Заменить"))) {
        return;
    }
    if (const WriteResult w = SaveThemeFile(ThemesFolder, ToAnsi(name), GridRows()); !w.ok) {
        host_.ShowMessage(QStringLiteral("Не удалось сохранить тему «%1»:\n%2").arg(name, QString::fromStdString(w.error)));
        return;
    }
    if (!ThemeNameListed()) {
        const QSignalBlocker quiet(ComboShem);
        ComboShem->addItem(name);
        ComboShem->setEditText(name);
    }
}

bool TColorDlg::UpdateColorsThema() {
    const std::vector<std::string> ListThemaVal = GridColors(GridRows());
    if (host_.SetColorShema(ListThemaVal)) return true;
    host_.ShowMessage(ErrorFormatText());
    return false;
}

void TColorDlg::BtnRestoreThemesClick() {
    const std::vector<ShippedTheme> shipped = ShippedThemes();
    const std::vector<std::string> changed = ChangedShippedThemes(ThemesFolder, shipped);
    if (changed.empty()) {
        host_.ShowInfo(QStringLiteral("Темы, поставляемые с программой, на месте и не изменены."));
        return;
    }
    QStringList names;
    for (const std::string& n : changed) names << FromAnsi(n);
    if (!host_.Ask(QStringLiteral("Вернуть темы, поставляемые с программой, в исходный вид? "
                                  "Будут записаны заново: %1.")
                       .arg(names.join(QStringLiteral(", "))),
                   QStringLiteral("Вернуть")))
        return;
    if (const WriteResult w = RestoreShippedThemes(ThemesFolder, shipped, changed); !w.ok) {
        host_.ShowMessage(QStringLiteral("Не удалось вернуть темы:\n%1").arg(QString::fromStdString(w.error)));
        return;
    }
    ShowListFilesShem(FindFiles(ThemesFolder, "tdt"));
    // The theme named in the box shows as it now is on disk.
    LoadColorScheme();
}
