#pragma once
// The subtitle table on the workbench: a table view over the program's rows (ui/SubtitleTableSource.h). The
// model reads only the rows the view draws and follows each change as the rows it touched, so that a commit
// at ten thousand subtitles costs a few rows, not a rebuilt list.

#include <QAbstractTableModel>
#include <QTableView>

#include "ui/SubtitleTableSource.h"

namespace titrelle {

class WindowSystem;

class SubtitleTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  SubtitleTableModel(SubtitleTableSource& source, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The source's rows changed as `change` says.
  void Apply(const RowChange& change);

 private:
  // A view asks for each cell and role on its own: the row last read serves them all.
  const SubtitleRow& RowAt(int row) const;

  SubtitleTableSource& source_;
  int rows_ = 0;
  mutable int cachedRow_ = -1;
  mutable SubtitleRow cached_;
};

class SubtitleTable : public QTableView {
  Q_OBJECT

 public:
  SubtitleTable(WindowSystem& system, SubtitleTableSource& source, QWidget* parent);
  ~SubtitleTable() override;
  SubtitleTableModel& Model() { return *model_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void RowsChanged(const RowChange& change);
  void ShowRow(int row);
  void SelectionChanged();

  WindowSystem& system_;
  SubtitleTableSource& source_;
  SubtitleTableModel* model_;
  // The selection moves with the rows, or to the row the program shows: its own change, not the user's.
  bool applying_ = false;
  bool reportPending_ = false;
};

}  // namespace titrelle
