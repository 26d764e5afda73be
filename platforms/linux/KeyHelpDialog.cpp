#include "platforms/linux/KeyHelpDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platforms/linux/QtText.h"

namespace titrelle {

namespace {

const char kTitle[] = "\xB0\xB4\xBC\xFC\xB0\xEF\xD6\xFA";  // 按键帮助
const char kKeyColumn[] = "\xB0\xB4\xBC\xFC";              // 按键
const char kWhatColumn[] = "\xD7\xF7\xD3\xC3";             // 作用

}  // namespace

void ShowKeyHelpDialog(QWidget* parent, const std::vector<std::string>& lines) {
  QDialog dialog(parent);
  dialog.setObjectName("KeyHelp");
  dialog.setWindowTitle(QStringFromCp936(kTitle));
  auto* table = new QTableWidget(static_cast<int>(lines.size()), 2, &dialog);
  table->setObjectName("KeyHelpTable");
  table->setHorizontalHeaderLabels({QStringFromCp936(kKeyColumn), QStringFromCp936(kWhatColumn)});
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  for (int row = 0; row < static_cast<int>(lines.size()); ++row) {
    const std::string& line = lines[static_cast<std::size_t>(row)];
    const std::size_t tab = line.find('\t');
    table->setItem(row, 0, new QTableWidgetItem(QStringFromCp936(line.substr(0, tab))));
    table->setItem(
        row, 1,
        new QTableWidgetItem(tab == std::string::npos ? QString() : QStringFromCp936(line.substr(tab + 1))));
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(table);
  layout->addWidget(buttons);
  dialog.resize(520, 560);
  dialog.exec();
}

}  // namespace titrelle
