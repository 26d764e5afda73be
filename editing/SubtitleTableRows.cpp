#include "editing/SubtitleTableRows.h"

#include <algorithm>
#include <utility>

#include "app/Unit1.h"

namespace titrelle {

SubtitleTableRows::SubtitleTableRows(TForm1& form) : form_(form) {
  rows_ = form_.Document.Subtitles().Count();
  listener_ = form_.Document.ListenToSubtitles([this](const SubtitleChange& change) {
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
    return;
  }
  const int movedFrom = change.removedFirst + change.removed;
  std::erase_if(selected_, [&](int row) { return row >= change.removedFirst && row < movedFrom; });
  for (int& row : selected_) {
    if (row >= movedFrom) row += change.inserted - change.removed;
  }
}

SubtitleTableRows::~SubtitleTableRows() { form_.Document.StopListening(listener_); }

int SubtitleTableRows::RowCount() { return rows_; }

SubtitleRow SubtitleTableRows::Row(int row) { return ReadSubtitleRow(form_.Document.Subtitles(), row); }

void SubtitleTableRows::SetOnRowsChanged(std::function<void(const RowChange&)> onChange) {
  onChange_ = std::move(onChange);
}

bool SubtitleTableRows::FollowsNewest() { return !form_.Session.InEditMode(); }

void SubtitleTableRows::SelectRows(std::vector<int> rows, int current) {
  std::sort(rows.begin(), rows.end());
  selected_ = std::move(rows);
  // While capturing, the marks and the boxes are the line being timed: a row only replays in edit mode.
  if (form_.Session.InEditMode() && current >= 0) form_.CaretToSubtitle(current);
}

void SubtitleTableRows::ActivateRow(int row) {
  if (row < 0 || row >= rows_) return;
  if (!form_.Session.InEditMode()) form_.EditButtonClick();
  form_.CaretToSubtitle(row);
}

bool SubtitleTableRows::KeyDown(KeyEvent& key) { return form_.KeyDown(key, keyplace::Table); }

}  // namespace titrelle
