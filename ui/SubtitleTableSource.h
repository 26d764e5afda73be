#pragma once
// What the subtitle table on the workbench shows and does: the core offers its rows, tells of their changes
// as row ranges, and takes the user's actions on them. A shell only shows what it reads and hands the user's
// actions back; which rows a change touches and what an action does are the core's to say.

#include <functional>
#include <vector>

#include "document/SubtitleRows.h"
#include "ui/Controls.h"

namespace titrelle {

class SubtitleTableSource {
 public:
  virtual ~SubtitleTableSource() = default;

  virtual int RowCount() = 0;
  // Read when asked: a view asks for the rows it shows.
  virtual SubtitleRow Row(int row) = 0;
  // The one who shows the table hears of each change of its rows, right after it (null: nobody).
  virtual void SetOnRowsChanged(std::function<void(const RowChange&)> onChange) = 0;
  // While capturing, the table stays on the newest line.
  virtual bool FollowsNewest() = 0;
  // The program moves the table itself (null: nobody listens): row `row` selected alone and scrolled to, as
  // the user view's caret went into its subtitle; or, for -1, nothing selected and the newest row scrolled
  // to, as capturing goes on. The table does not hand such a selection back as the user's.
  virtual void SetOnShowRow(std::function<void(int row)> onShowRow) = 0;

  // The user's actions, through the shell's event dispatch. The rows selected, `current` the one the user
  // has just moved to (-1 for none).
  virtual void SelectRows(std::vector<int> rows, int current) = 0;
  // A double click, or Enter, on a row.
  virtual void ActivateRow(int row) = 0;
  // A key pressed in the table: true when the program took it (the table then does nothing with it).
  virtual bool KeyDown(KeyEvent& key) = 0;
};

}  // namespace titrelle
