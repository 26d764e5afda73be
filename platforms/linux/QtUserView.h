#pragma once

#include <string>

#include "platforms/linux/QtControl.h"
#include "platforms/linux/UserViewWidget.h"

namespace titrelle {

// The user view: an editor of code page 936 lines without wrapping (UserViewWidget.h), seen line by line;
// columns in code page 936 bytes.
class QtUserView : public QtControl, public UserViewControl {
 public:
  QtUserView(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);

  std::string Text() const override;
  void SetText(const std::string& text) override { SetListingText(text); }

  int Count() const override;
  int BreakCount() const override;
  std::string Line(int index) const override;
  std::string_view LineView(int index) const override;
  int CaretLine() const override;
  int CaretColumn() const override;
  int SelectionEndLine() const override;
  bool SelectionEmpty() const override;
  void CaretToEnd() override;
  void CaretToLine(int line) override;
  void Add(const std::string& line) override;
  void Clear() override;
  void SetListingText(const std::string& text) override;
  void ReplaceLines(int first, int count, const std::string& text) override;
  void AppendLines(const std::string& wholeLines) override;
  void ReserveText(std::size_t bytes, int lines) override;
  bool ReadOnly() const override;
  void SetReadOnly(bool readOnly) override;

  void HandleMouse(bool down) override;
  UserViewWidget* Editor() const;

 protected:
  void BeforeWidgetKey() override;
  void AfterWidgetKey() override;

 private:
  void ContentsChanged();
  // The program's own edits tell one change each.
  template <class Edit>
  void ProgramEdit(Edit edit);

  bool programEdit_ = false;
  int keyDepth_ = 0;
  bool changedDuringKey_ = false;
};

}  // namespace titrelle
