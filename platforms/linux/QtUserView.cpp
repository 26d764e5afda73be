#include "platforms/linux/QtUserView.h"

#include "base/ProgramChange.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtWidgets.h"

namespace titrelle {

QtUserView::QtUserView(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new UserViewEditor(parentWidget)) {
  auto* editor = static_cast<UserViewEditor*>(widget_.data());
  editor->control = this;
  // The view is made for lines that are never wrapped: a time line, a number, a subtitle's text.
  if (entry.scrollBars) {
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  }
  if (!entry.border) editor->setFrameShape(QFrame::NoFrame);
  editor->takePasted = [this](const QString& text) { return RefuseUntakable(text); };
  editor->SetText(entry.text);
  SetReadOnly(entry.readOnly);
  editor->onTextChanged = [this] { ContentsChanged(); };
  Place(Qt::ClickFocus);
}

UserViewWidget* QtUserView::Editor() const { return static_cast<UserViewWidget*>(widget_.data()); }

void QtUserView::ContentsChanged() {
  if (programEdit_) return;
  if (keyDepth_ > 0) {
    changedDuringKey_ = true;  // told once, after the widget has acted on the whole key
    return;
  }
  Fire(OnChange);
}

void QtUserView::BeforeWidgetKey() { ++keyDepth_; }

void QtUserView::AfterWidgetKey() {
  if (--keyDepth_ == 0 && changedDuringKey_) {
    changedDuringKey_ = false;
    Fire(OnChange);
  }
}

template <class Edit>
void QtUserView::ProgramEdit(Edit edit) {
  {
    ProgramChange editing(programEdit_);
    edit();
  }
  Fire(OnChange);
}

std::string QtUserView::Text() const { return Editor()->Lines().Text("\r\n"); }

int QtUserView::Count() const {
  const TextLines& lines = Editor()->Lines();
  const int pieces = lines.PieceCount();
  return lines.Line(pieces - 1).empty() ? pieces - 1 : pieces;
}

int QtUserView::BreakCount() const { return Editor()->Lines().PieceCount() - 1; }

std::string QtUserView::Line(int index) const { return std::string(LineView(index)); }

std::string_view QtUserView::LineView(int index) const {
  if (index < 0 || index >= Count()) return {};  // as a rich edit answers past the end
  return Editor()->Lines().Line(index);
}

int QtUserView::CaretLine() const { return Editor()->SelectionStart().line; }

int QtUserView::CaretColumn() const { return Editor()->SelectionStart().column; }

int QtUserView::SelectionEndLine() const { return Editor()->SelectionEnd().line; }

bool QtUserView::SelectionEmpty() const { return !Editor()->HasSelection(); }

void QtUserView::CaretToEnd() { Editor()->SetCaret(Editor()->Lines().End()); }

void QtUserView::CaretToLine(int line) {
  if (line < 0 || line >= Editor()->Lines().PieceCount()) return;
  Editor()->SetCaret({line, 0});
}

void QtUserView::Add(const std::string& line) {
  ProgramEdit([&] {
    // As a rich edit appends: after a final break (or into an empty text) the line and a break, else a break
    // and the line; the caret stays after the inserted text.
    const TextLines& lines = Editor()->Lines();
    const bool endsWithBreak = lines.Line(lines.PieceCount() - 1).empty();
    Editor()->AppendAtEnd(endsWithBreak ? line + "\r\n" : "\r\n" + line);
  });
}

void QtUserView::Clear() {
  ProgramEdit([&] { Editor()->SetText({}); });
}

void QtUserView::SetListingText(const std::string& text) {
  ProgramEdit([&] { Editor()->SetText(text); });
}

void QtUserView::ReplaceLines(int first, int count, const std::string& text) {
  ProgramEdit([&] {
    if (first < 0 || count < 1 || first + count > Editor()->Lines().PieceCount()) return;
    Editor()->ReplacePieces(first, count, text);
  });
}

void QtUserView::AppendLines(const std::string& wholeLines) {
  ProgramEdit([&] { Editor()->AppendText(wholeLines); });
}

void QtUserView::ReserveText(std::size_t bytes, int lines) { Editor()->ReserveText(bytes, lines); }

bool QtUserView::ReadOnly() const { return Editor()->ReadOnly(); }

// Read-only refuses edits but the caret still moves by keys and clicks.
void QtUserView::SetReadOnly(bool readOnly) { Editor()->SetReadOnly(readOnly); }

void QtUserView::HandleMouse(bool down) { Fire(down ? OnMouseDown : OnMouseUp); }

}  // namespace titrelle
