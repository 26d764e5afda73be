#pragma once
// The subtitle table the workbench shows: the main window's subtitles as rows, read from the document's
// index when the view asks, their changes passed on as row ranges, and the user's actions on them carried
// out by the main window.

#include <functional>
#include <utility>
#include <vector>

#include "ui/SubtitleTableSource.h"

namespace titrelle {

class TForm1;

class SubtitleTableRows : public SubtitleTableSource {
 public:
  explicit SubtitleTableRows(TForm1& form);
  ~SubtitleTableRows() override;
  SubtitleTableRows(const SubtitleTableRows&) = delete;
  SubtitleTableRows& operator=(const SubtitleTableRows&) = delete;

  int RowCount() override;
  SubtitleRow Row(int row) override;
  void SetOnRowsChanged(std::function<void(const RowChange&)> onChange) override;
  bool FollowsNewest() override;
  void SetOnShowRow(std::function<void(int row)> onShowRow) override;
  void SelectRows(std::vector<int> rows, int current) override;
  void ActivateRow(int row) override;
  bool KeyDown(KeyEvent& key) override;

  // The rows selected, as the table last said or the program last put them.
  const std::vector<int>& SelectedRows() const { return selected_; }
  // The row an action on "the selected one" takes: the table's current row when it is selected, else the
  // last row selected; -1 when none is.
  int ChosenRow() const;

  // The user view's caret stands in subtitle `row` (-1: before the first): the table goes to that row
  // unless it stands there already.
  void CaretInRow(int row);
  // Capturing goes on: the table leaves the rows chosen for editing and goes back to the newest line.
  void BackToNewest();

 private:
  void KeepSelectionOn(const RowChange& change);
  void Show(int row);

  TForm1& form_;
  int listener_ = 0;
  int rows_ = 0;  // as the view was last told
  std::function<void(const RowChange&)> onChange_;
  std::function<void(int)> onShowRow_;
  std::vector<int> selected_;
  int current_ = -1;  // the table's current row while it is selected
  // The rows read since the subtitles last changed, a screen of them at most: a view draws its rows again
  // and again (a scroll, a selection, a tip), and a row's text may be megabytes to make plain.
  std::vector<std::pair<int, SubtitleRow>> read_;
};

}  // namespace titrelle
