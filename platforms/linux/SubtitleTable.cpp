#include "platforms/linux/SubtitleTable.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>
#include <utility>

#include "platforms/linux/QtKeys.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/TextLines.h"
#include "ui/ErrorReport.h"
#include "ui/WindowSystem.h"

namespace titrelle {

namespace {

// What a cell or its tip shows of a text at most, in bytes: more than any screen's width.
constexpr std::size_t kMostShownBytes = 4096;

// The flag that matters most colours the row.
QVariant FlagColour(unsigned flags) {
  if (flags & rowflag::OverlapsNext) return QBrush(QColor(255, 196, 196));
  if (flags & rowflag::Fast) return QBrush(QColor(255, 222, 173));
  if (flags & rowflag::Short) return QBrush(QColor(255, 246, 176));
  return {};
}

}  // namespace

SubtitleTableModel::SubtitleTableModel(SubtitleTableSource& source, QObject* parent)
    : QAbstractTableModel(parent), source_(source), rows_(source.RowCount()) {}

int SubtitleTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int SubtitleTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kRowColumnCount;
}

const SubtitleRow& SubtitleTableModel::RowAt(int row) const {
  if (cachedRow_ != row) {
    cached_ = source_.Row(row);
    cachedRow_ = row;
  }
  return cached_;
}

QVariant SubtitleTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  const auto column = static_cast<RowColumn>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      // A cell shows a screen's width at most: a line of megabytes is not laid out to be cut.
      return QStringFromCp936(LeadingCharacters(RowCellText(RowAt(index.row()), column), kMostShownBytes));
    case Qt::BackgroundRole:
      return FlagColour(RowAt(index.row()).flags);
    case Qt::ToolTipRole: {
      const std::string reasons = RowFlagsText(RowAt(index.row()).flags);
      if (!reasons.empty()) return QStringFromCp936(reasons);
      if (column == RowColumn::Text)
        return QStringFromCp936(LeadingCharacters(RowAt(index.row()).text, kMostShownBytes));
      return {};
    }
    case Qt::TextAlignmentRole:
      if (column == RowColumn::Text) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant SubtitleTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kRowColumnCount)
    return {};
  return QStringFromCp936(RowColumnTitle(static_cast<RowColumn>(section)));
}

void SubtitleTableModel::Apply(const RowChange& change) {
  cachedRow_ = -1;
  if (change.reload) {
    beginResetModel();
    rows_ = source_.RowCount();
    endResetModel();
    return;
  }
  if (change.removed > 0) {
    beginRemoveRows({}, change.removedFirst, change.removedFirst + change.removed - 1);
    rows_ -= change.removed;
    endRemoveRows();
  }
  if (change.inserted > 0) {
    beginInsertRows({}, change.removedFirst, change.removedFirst + change.inserted - 1);
    rows_ += change.inserted;
    endInsertRows();
  }
  if (change.changedCount > 0) {
    emit dataChanged(index(change.firstChanged, 0),
                     index(change.firstChanged + change.changedCount - 1, kRowColumnCount - 1));
  }
}

SubtitleTable::SubtitleTable(WindowSystem& system, SubtitleTableSource& source, QWidget* parent)
    : QTableView(parent), system_(system), source_(source), model_(new SubtitleTableModel(source, this)) {
  setObjectName("SubtitleTable");
  // Tab keeps going round the window's own controls in their order; a click gives the table the keys.
  setFocusPolicy(Qt::ClickFocus);
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setAlternatingRowColors(false);
  // Every row one line high, and no column sized from its contents: the view never measures the rows.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setStretchLastSection(true);
  const int digit = fontMetrics().horizontalAdvance('0');
  const int widths[kRowColumnCount - 1] = {6, 14, 14, 8, 7};
  for (int column = 0; column < kRowColumnCount - 1; ++column)
    setColumnWidth(column, digit * widths[column] + 12);
  source_.SetOnRowsChanged([this](const RowChange& change) { RowsChanged(change); });
  source_.SetOnShowRow([this](int row) { ShowRow(row); });
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { SelectionChanged(); });
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { SelectionChanged(); });
  connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    DispatchEvent(system_, [&] { source_.ActivateRow(index.row()); });
  });
  if (source_.FollowsNewest()) scrollToBottom();
}

SubtitleTable::~SubtitleTable() {
  source_.SetOnRowsChanged(nullptr);
  source_.SetOnShowRow(nullptr);
}

void SubtitleTable::RowsChanged(const RowChange& change) {
  const bool wasApplying = std::exchange(applying_, true);
  model_->Apply(change);
  applying_ = wasApplying;
  const bool grew = change.reload || change.inserted > 0;
  if (grew && source_.FollowsNewest()) scrollToBottom();
}

void SubtitleTable::ShowRow(int row) {
  const bool wasApplying = std::exchange(applying_, true);
  if (row >= 0 && row < model_->rowCount()) {
    const QModelIndex index = model_->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
  } else {
    clearSelection();
    scrollToBottom();
  }
  applying_ = wasApplying;
}

void SubtitleTable::SelectionChanged() {
  // The selection and the current row change one after the other, in either order: the program hears of
  // both once, when the loop is free.
  if (applying_ || reportPending_) return;
  reportPending_ = true;
  QTimer::singleShot(0, this, [this] {
    reportPending_ = false;
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    const QModelIndex current = currentIndex();
    const int currentRow =
        current.isValid() && selectionModel()->isRowSelected(current.row(), {}) ? current.row() : -1;
    DispatchEvent(system_, [&] { source_.SelectRows(std::move(rows), currentRow); });
  });
}

void SubtitleTable::keyPressEvent(QKeyEvent* event) {
  KeyEvent key;
  key.key = VirtualKeyOf(*event);
  key.shift = ModifiersOf(event->modifiers());
  key.repeat = event->isAutoRepeat();
  bool taken = false;
  DispatchEvent(system_, [&] { taken = source_.KeyDown(key); });
  if (taken && key.swallowed) return;
  QTableView::keyPressEvent(event);
}

}  // namespace titrelle
