#include "editing/SubtitleTableRows.h"

#include <algorithm>
#include <utility>

#include "app/Unit1.h"

namespace titrelle {

SubtitleTableRows::SubtitleTableRows(TForm1& form) : form_(form) {
  rows_ = form_.Document.Subtitles().Count();
  listener_ = form_.Document.ListenToSubtitles([this](const SubtitleChange& change) {
    read_.clear();
    const int before = std::exchange(rows_, form_.Document.Subtitles().Count());
    const RowChange rows = RowsTouched(change, before, rows_);
    KeepSelectionOn(rows);
    if (onChange_) onChange_(rows);
  });
}

void SubtitleTableRows::KeepSelectionOn(const RowChange& change) {
  // As a table view keeps its selection: rows gone leave it, rows after them move; a reload clears it.
  if (change.reload) {
    selected_.clear();
    current_ = -1;
    return;
  }
  const int movedFrom = change.removedFirst + change.removed;
  const auto gone = [&](int row) { return row >= change.removedFirst && row < movedFrom; };
  std::erase_if(selected_, gone);
  if (gone(current_)) current_ = -1;
  const auto moved = [&](int& row) {
    if (row >= movedFrom) row += change.inserted - change.removed;
  };
  std::for_each(selected_.begin(), selected_.end(), moved);
  moved(current_);
}

SubtitleTableRows::~SubtitleTableRows() { form_.Document.StopListening(listener_); }

int SubtitleTableRows::RowCount() { return rows_; }

SubtitleRow SubtitleTableRows::Row(int row) {
  constexpr std::size_t kRowsKept = 128;
  for (const auto& [number, read] : read_) {
    if (number == row) return read;
  }
  if (read_.size() >= kRowsKept) read_.erase(read_.begin());
  read_.emplace_back(row, ReadSubtitleRow(form_.Document.Subtitles(), row));
  return read_.back().second;
}

void SubtitleTableRows::SetOnRowsChanged(std::function<void(const RowChange&)> onChange) {
  onChange_ = std::move(onChange);
}

bool SubtitleTableRows::FollowsNewest() { return !form_.Session.InEditMode(); }

void SubtitleTableRows::SetOnShowRow(std::function<void(int row)> onShowRow) {
  onShowRow_ = std::move(onShowRow);
}

void SubtitleTableRows::SelectRows(std::vector<int> rows, int current) {
  std::sort(rows.begin(), rows.end());
  selected_ = std::move(rows);
  // A selection grown or shrunk around the same current row replays nothing anew.
  const int before = std::exchange(current_, current);
  // While capturing, the marks and the boxes are the line being timed: a row only replays in edit mode.
  if (form_.Session.InEditMode() && current >= 0 && current != before) form_.CaretToSubtitle(current);
}

int SubtitleTableRows::ChosenRow() const {
  if (current_ >= 0) return current_;
  return selected_.empty() ? -1 : selected_.back();
}

void SubtitleTableRows::CaretInRow(int row) {
  // The row the table stands on already keeps the rows selected around it.
  if (row >= 0 && row != current_) Show(row);
}

void SubtitleTableRows::BackToNewest() { Show(-1); }

void SubtitleTableRows::Show(int row) {
  selected_.clear();
  if (row >= 0) selected_.push_back(row);
  current_ = row;
  if (onShowRow_) onShowRow_(row);
}

void SubtitleTableRows::ActivateRow(int row) {
  if (row < 0 || row >= rows_) return;
  if (!form_.Session.InEditMode()) form_.EditButtonClick();
  form_.CaretToSubtitle(row);
}

bool SubtitleTableRows::KeyDown(KeyEvent& key) { return form_.KeyDown(key, keyplace::Table); }

}  // namespace titrelle
