#pragma once
// The subtitle table the workbench shows: the main window's subtitles as rows, read from the document's
// index when the view asks, their changes passed on as row ranges, and the user's actions on them carried
// out by the main window.

#include <functional>
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
  void SelectRows(std::vector<int> rows, int current) override;
  void ActivateRow(int row) override;
  bool KeyDown(KeyEvent& key) override;

  // The rows the user has selected, as the table last said.
  const std::vector<int>& SelectedRows() const { return selected_; }

 private:
  void KeepSelectionOn(const RowChange& change);

  TForm1& form_;
  int listener_ = 0;
  int rows_ = 0;  // as the view was last told
  std::function<void(const RowChange&)> onChange_;
  std::vector<int> selected_;
};

}  // namespace titrelle
