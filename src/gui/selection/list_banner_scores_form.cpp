#include "gui/selection/list_banner_scores_form.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "core/config/program_settings.h"
#include "core/config/settings_file.h"
#include "core/session/error_handler.h"
#include "core/session/program_error.h"
#include "core/session/user_interface.h"
#include "core/upload/upload_record.h"
#include "gui/selection/progress_window.h"
#include "gui/selection/work_table_model.h"
#include "gui/widgets/incremental_search.h"
#include "gui/widgets/qt_text.h"
#include "gui/widgets/selection_grid.h"
#include "gui/widgets/window_layout.h"

namespace marklift {

// The export moves the bar once a record. QProgressBar formats its text and
// schedules a paint on every setValue, which over a million records costs
// more than writing them; a bar shows no step finer than a thousandth of its
// range, so only such steps and the ends are passed on.
class TListBannerScoresForm::ProgressBarAdapter : public ProgressBarSink {
public:
    explicit ProgressBarAdapter(QProgressBar& bar) : bar_(bar) {}
    void SetRange(int minimum, int maximum) override {
        bar_.setRange(minimum, maximum);
        step_ = std::max<std::int64_t>(1, (std::int64_t{maximum} - minimum) / kVisibleSteps);
    }
    void SetPosition(int position) override {
        const bool atAnEnd = position <= bar_.minimum() || position >= bar_.maximum();
        if (!atAnEnd && std::abs(std::int64_t{position} - bar_.value()) < step_) return;
        bar_.setValue(position);
    }

private:
    static constexpr std::int64_t kVisibleSteps = 1000;
    QProgressBar& bar_;
    std::int64_t step_ = 1;
};

namespace {

constexpr int kWidth = 578;
constexpr int kHeight = 488;
constexpr int kStripHeight = 41;
constexpr int kGridHeight = 352;
constexpr int kStatusHeight = 17;
constexpr int kButtonSize = 25;
// Held-down navigator buttons repeat after this delay, then at this interval.
constexpr int kRepeatDelayMs = 500;
constexpr int kRepeatIntervalMs = 100;

const char kSaveDialogTitle[] = "Save Banner Export File";
const char kSaveDialogFilter[] = "Text files (*.txt)|*.txt|All files (*.*)|*.*";

struct NavigatorButton {
    const char* tooltip;
    QStyle::StandardPixmap glyph;
};
const std::array<NavigatorButton, 6> kNavigatorButtons = {{
    {"Move to first record", QStyle::SP_MediaSkipBackward},
    {"Move backward 10 records", QStyle::SP_MediaSeekBackward},
    {"Move to prior record", QStyle::SP_ArrowUp},
    {"Move to next record", QStyle::SP_ArrowDown},
    {"Move forward 10 records", QStyle::SP_MediaSeekForward},
    {"Move to last record", QStyle::SP_MediaSkipForward},
}};
const std::array<const char*, 4> kOrderCaptions = {"&ID", "&Last Name", "Test &Date", "&Test Code"};

// Takes up to `excess` pixels from `columns`, each giving its part by its
// room above `least`, rounded up. Returns what is left to take.
int GiveUpWidth(std::vector<int>& widths, const std::vector<int>& least,
                const std::vector<std::size_t>& columns, int excess) {
    int room = 0;
    for (std::size_t c : columns) room += widths[c] - least[c];
    const int cut = std::min(excess, room);
    int left = cut;
    for (std::size_t c : columns) {
        if (left <= 0) break;
        const int own = widths[c] - least[c];
        const int share = std::min({left, own, (own * cut + room - 1) / room});
        widths[c] -= share;
        left -= share;
    }
    return excess - cut;
}

}  // namespace

template <typename Action>
void TListBannerScoresForm::Guarded(Action action) {
    try {
        action();
    } catch (const ProgramCancelled&) {
        programCancelled_ = true;
        reject();
    } catch (const std::exception& error) {
        ReportError(ui_, error);
    }
}

TListBannerScoresForm::TListBannerScoresForm(const ProgramSettings& settings, UserInterface& ui,
                                             QWidget* parent)
    : QDialog(parent), settings_(settings), ui_(ui) {
    setWindowTitle(QStringLiteral("Select Records"));
    resize(kWidth, kHeight);
    CentreOnScreen(*this);
    UseCompactDialogFont(*this);
    CreateControls();
    DefineUploadWriter(CSVExport1, XbTable6);
    CSVExport1.SetProgressFactory(CreateProgressWindow);
    FormCreate();
    ConnectHandlers();
}

// FormDestroy: the model lets go of BANTABLE before the table closes.
TListBannerScoresForm::~TListBannerScoresForm() {
    DBGrid1->setModel(nullptr);
    model_.reset();
}

void TListBannerScoresForm::CreateControls() {
    CreateNavigator();
    auto* searchLabel = new QLabel(QStringLiteral("Searc&h:"), this);
    searchLabel->setGeometry(214, 12, 42, 17);
    IncrementalSearch1 = new TIncrementalSearch(this);
    IncrementalSearch1->setGeometry(257, 9, 95, 22);
    searchLabel->setBuddy(IncrementalSearch1);

    auto* orderLabel = new QLabel(QStringLiteral("Order By:"), this);
    for (std::size_t i = 0; i < RadioButtons.size(); ++i)
        RadioButtons[i] = new QRadioButton(QString::fromLatin1(kOrderCaptions[i]), this);
    // The captions set the widths, so that no font cuts them; the group
    // keeps to the right edge of the strip.
    const int labelWidth = orderLabel->sizeHint().width();
    const int firstColumn =
        std::max(RadioButtons[0]->sizeHint().width(), RadioButtons[2]->sizeHint().width());
    const int secondColumn =
        std::max(RadioButtons[1]->sizeHint().width(), RadioButtons[3]->sizeHint().width());
    const int orderLeft =
        std::max(356, kWidth - 4 - secondColumn - firstColumn - 4 - labelWidth - 2);
    orderLabel->setGeometry(orderLeft, 12, labelWidth, 17);
    for (std::size_t i = 0; i < RadioButtons.size(); ++i) {
        const int left = orderLeft + labelWidth + 2 + (i % 2 == 0 ? 0 : firstColumn + 4);
        RadioButtons[i]->setGeometry(left, 3 + int(i / 2) * 18,
                                     i % 2 == 0 ? firstColumn : secondColumn, 17);
    }
    orderLabel->setBuddy(RadioButtons[0]);
    RadioButtons[0]->setChecked(true);
    IncrementalSearch1->SetSearchField(OrderTag(SelectionOrder::Id));

    DBGrid1 = new TSelectionGrid(this);
    DBGrid1->setGeometry(0, kStripHeight, kWidth, kGridHeight);

    const int below = kStripHeight + kGridHeight;
    auto* fileLabel = new QLabel(QStringLiteral("File Name;"), this);
    const int fileLabelWidth = fileLabel->sizeHint().width();
    fileLabel->setGeometry(8, below + 14, fileLabelWidth, 17);
    Edit1 = new QLineEdit(this);
    const int editLeft = std::max(66, 8 + fileLabelWidth + 4);
    Edit1->setGeometry(editLeft, below + 11, 298, 22);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setGeometry(editLeft + 300, below + 10, 23, 23);
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnExport = new QPushButton(QStringLiteral("&Export"), this);
    btnExport->setGeometry(400, below + 9, 80, kButtonSize);
    btnExport->setDefault(true);
    btnExport->setEnabled(false);
    btnCancel = new QPushButton(QStringLiteral("&Close"), this);
    btnCancel->setGeometry(488, below + 9, 80, kButtonSize);
    btnCancel->setAutoDefault(false);

    const int statusTop = kHeight - kStatusHeight;
    StatusLine = new QLabel(this);
    StatusLine->setGeometry(4, statusTop, 234, kStatusHeight);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(240, statusTop, 325, kStatusHeight);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    progressBar_ = std::make_unique<ProgressBarAdapter>(*ProgressBar1);
}

void TListBannerScoresForm::CreateNavigator() {
    auto makeButton = [this](int index, const QString& tooltip, const QIcon& glyph) {
        auto* button = new QToolButton(this);
        button->setGeometry(5 + index * kButtonSize, 8, kButtonSize, kButtonSize);
        button->setToolTip(tooltip);
        button->setIcon(glyph);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setAutoRepeat(true);
        button->setAutoRepeatDelay(kRepeatDelayMs);
        button->setAutoRepeatInterval(kRepeatIntervalMs);
        return button;
    };
    for (std::size_t i = 0; i < kNavigatorButtons.size(); ++i)
        NavigatorButtons[i] = makeButton(int(i), QString::fromLatin1(kNavigatorButtons[i].tooltip),
                                         style()->standardIcon(kNavigatorButtons[i].glyph));
    btnAll = makeButton(6, QStringLiteral("Select All"),
                        style()->standardIcon(QStyle::SP_DialogApplyButton));
    btnAll->setText(QStringLiteral("Select &All"));
    btnNone = makeButton(7, QStringLiteral("UnSelect"),
                         style()->standardIcon(QStyle::SP_DialogResetButton));
}

void TListBannerScoresForm::ConnectHandlers() {
    const std::array<std::function<void()>, 6> moves = {
        [this] { XbTable1.First(); },    [this] { XbTable1.MoveBy(-10); },
        [this] { XbTable1.Prior(); },    [this] { XbTable1.Next(); },
        [this] { XbTable1.MoveBy(10); }, [this] { XbTable1.Last(); },
    };
    for (std::size_t i = 0; i < moves.size(); ++i)
        connect(NavigatorButtons[i], &QToolButton::clicked, this,
                [this, move = moves[i]] { Guarded(move); });
    connect(btnAll, &QToolButton::clicked, this, [this] { Guarded([this] { btnAllClick(); }); });
    connect(btnNone, &QToolButton::clicked, this, &TListBannerScoresForm::btnNoneClick);
    connect(DBGrid1, &TSelectionGrid::selectAllKey, this,
            [this] { Guarded([this] { btnAllClick(); }); });
    connect(DBGrid1, &TSelectionGrid::unselectKey, this, &TListBannerScoresForm::btnNoneClick);
    connect(DBGrid1, &TSelectionGrid::rowClicked, this, &TListBannerScoresForm::DBGrid1MouseSelect);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.row() != model_->CurrentRow())
                    Guarded([&] { XbTable1.GotoPosition(std::uint32_t(current.row())); });
            });
    connect(model_.get(), &WorkTableModel::currentRowChanged, this,
            &TListBannerScoresForm::ShowCurrentRow);
    connect(IncrementalSearch1, &TIncrementalSearch::searchFor, this,
            &TListBannerScoresForm::IncrementalSearch1Change);
    for (std::size_t i = 0; i < RadioButtons.size(); ++i)
        connect(RadioButtons[i], &QRadioButton::clicked, this,
                [this, tag = int(i) + 1] { RadioButton1Click(tag); });
    connect(SpeedButton1, &QToolButton::clicked, this, &TListBannerScoresForm::SpeedButton1Click);
    connect(Edit1, &QLineEdit::textChanged, this, &TListBannerScoresForm::Edit1Change);
    connect(btnExport, &QPushButton::clicked, this, &TListBannerScoresForm::btnExportClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TListBannerScoresForm::FormCreate() {
    const std::string fileName =
        ProgramSettingsFile(settings_).read(settings_keys::kExportFilename);
    Edit1->setText(toQString(fileName));
    saveDialogFileName_ = fileName;
    OpenWorkTable(XbTable1, settings_, ui_);
    selection_.SetTotalCount(XbTable1.RecordCount());

    model_ = std::make_unique<WorkTableModel>(XbTable1, selection_);
    DBGrid1->setModel(model_.get());
    SizeColumns();
    ShowCurrentRow(model_->CurrentRow());
    btnNoneClick();
}

// Digits are wider than the average character in most fonts, and the
// columns hold mostly digits. The grid has no horizontal scroll bar, so when
// the columns would not fit, the name columns give up width first, then the
// others what they hold beyond their widest value; no column gives up its
// title: identifiers, dates and scores stay whole, and no title is cut.
void TListBannerScoresForm::SizeColumns() {
    const QFontMetrics metrics = DBGrid1->fontMetrics();
    const int character =
        std::max(metrics.averageCharWidth(), metrics.horizontalAdvance(QChar('0')));
    const QHeaderView* header = DBGrid1->horizontalHeader();
    constexpr int kPadding = 8;
    std::vector<int> widths;
    std::vector<int> least;
    int total = 0;
    for (std::size_t c = 0; c < WorkTableModel::kColumns.size(); ++c) {
        const WorkTableModel::Column& column = WorkTableModel::kColumns[c];
        const int title = header->sectionSizeHint(int(c));
        const int widest = metrics.horizontalAdvance(QString::fromLatin1(column.widest));
        least.push_back(std::max(title, *column.widest ? widest + kPadding : 0));
        widths.push_back(std::max(column.widthInCharacters * character + kPadding, least.back()));
        total += widths.back();
    }
    const int available = kWidth - DBGrid1->verticalHeader()->sizeHint().width() -
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 4;
    const std::vector<std::size_t> names = {1, 2, 3};  // LNAME, FNAME, MNAME
    const std::vector<std::size_t> others = {0, 4, 5, 6, 7};
    if (total > available)
        GiveUpWidth(widths, least, others, GiveUpWidth(widths, least, names, total - available));
    for (std::size_t c = 0; c < widths.size(); ++c) DBGrid1->setColumnWidth(int(c), widths[c]);
}

QString TListBannerScoresForm::StatusText() const {
    return StatusLine->text();
}

void TListBannerScoresForm::FormActivate() {
    IncrementalSearch1->setFocus();
}

void TListBannerScoresForm::btnAllClick() {
    selection_.SelectAll(XbTable1);
    UpdateSelectionDisplay();
}

void TListBannerScoresForm::btnNoneClick() {
    selection_.Clear();
    lastClickedRow_ = -1;
    UpdateSelectionDisplay();
}

void TListBannerScoresForm::DBGrid1MouseSelect(int row, Qt::KeyboardModifiers modifiers) {
    Guarded([&] {
        if (modifiers & Qt::ControlModifier) {
            selection_.Toggle(model_->BookmarkAt(row));
        } else if ((modifiers & Qt::ShiftModifier) && lastClickedRow_ >= 0) {
            const int step = row >= lastClickedRow_ ? 1 : -1;
            for (int r = lastClickedRow_;; r += step) {
                selection_.Add(model_->BookmarkAt(r));
                if (r == row) break;
            }
        } else {
            selection_.Clear();
            selection_.Add(model_->BookmarkAt(row));
        }
        // A Shift range keeps growing from the same anchor.
        if (!(modifiers & Qt::ShiftModifier) || lastClickedRow_ < 0) lastClickedRow_ = row;
        UpdateSelectionDisplay();
    });
}

void TListBannerScoresForm::RadioButton1Click(int tag) {
    Guarded([&] {
        const auto order = static_cast<SelectionOrder>(tag);
        lastClickedRow_ = -1;
        selection_.ChangeOrder(XbTable1, order);
        UpdateSelectionDisplay();
        RadioButtons[std::size_t(tag - 1)]->setChecked(true);
        IncrementalSearch1->SetSearchField(OrderTag(order));
        IncrementalSearch1->clear();
        IncrementalSearch1->setFocus();
    });
}

void TListBannerScoresForm::IncrementalSearch1Change(const QString& key) {
    Guarded([&] {
        const auto seek = SearchKey(IncrementalSearch1->SearchField(), fromQString(key));
        if (seek) XbTable1.SeekNearest(*seek);
    });
}

void TListBannerScoresForm::SpeedButton1Click() {
    FileDialogOptions options;
    options.title = kSaveDialogTitle;
    options.initialDirectory = "c:";
    options.initialFileName = saveDialogFileName_;
    options.defaultExtension = "asc";
    options.filter = kSaveDialogFilter;
    const std::string chosen = ui_.chooseSaveFile(options);
    if (chosen.empty()) return;
    saveDialogFileName_ = chosen;
    Edit1->setText(toQString(chosen));
}

void TListBannerScoresForm::Edit1Change() {
    btnExport->setEnabled(selection_.ExportAvailable(fromQString(Edit1->text())));
}

void TListBannerScoresForm::btnExportClick() {
    Guarded([this] { PrepareExportFile(); });
}

ExportOutcome TListBannerScoresForm::PrepareExportFile() {
    const ExportWindowState window{.workTable = XbTable1,
                                   .selection = selection_.bookmarks(),
                                   .uploadTable = XbTable6,
                                   .writer = CSVExport1,
                                   .progressBar = *progressBar_,
                                   .automaticMode = false,
                                   .automaticFileName = {},
                                   .fileNameBoxText = fromQString(Edit1->text())};
    return marklift::PrepareExportFile(window, settings_, ui_);
}

bool TListBannerScoresForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(event);
}

void TListBannerScoresForm::done(int result) {
    if (!programCancelled_) {
        try {
            ProgramSettingsFile(settings_).write(settings_keys::kExportFilename,
                                                 fromQString(Edit1->text()));
        } catch (const std::exception& error) {
            ReportError(ui_, error);
        }
    }
    QDialog::done(result);
}

void TListBannerScoresForm::UpdateSelectionDisplay() {
    StatusLine->setText(toQString(selection_.StatusText()));
    Edit1Change();
    if (model_) model_->SelectionChanged();
}

void TListBannerScoresForm::ShowCurrentRow(int row) {
    if (row < 0) return;
    const QModelIndex current = DBGrid1->currentIndex();
    const QModelIndex index = model_->index(row, current.isValid() ? current.column() : 0);
    DBGrid1->setCurrentIndex(index);
    DBGrid1->scrollTo(index);
}

}  // namespace marklift
