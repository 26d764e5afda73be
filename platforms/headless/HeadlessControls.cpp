#include "platforms/headless/HeadlessControls.h"

#include <algorithm>
#include <cctype>

#include "base/Cp936.h"
#include "base/Error.h"
#include "platforms/headless/HeadlessWindowSystem.h"
#include "ui/ErrorReport.h"
#include "ui/EventRules.h"
#include "ui/TypedText.h"

namespace titrelle {

namespace {

constexpr std::string_view kBreak = "\r\n";
constexpr int kProcessKey = 229;  // what the key down of an input method's character reports

bool IsTextKind(ControlKind kind) {
  return kind == ControlKind::Edit || kind == ControlKind::Memo || kind == ControlKind::UserView;
}

// Splits code page 936 text into characters: a lead byte and the byte after it are one character.
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> characters;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length =
        IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() && text[i + 1] != '\r' ? 2 : 1;
    characters.push_back(text.substr(i, length));
    i += length;
  }
  return characters;
}

// Start of the character before `offset`, counting characters from `from` so that trail bytes are never
// taken for lead bytes.
std::size_t CharacterStartBefore(const std::string& text, std::size_t from, std::size_t offset) {
  std::size_t start = from;
  for (std::size_t i = from; i < offset;) {
    start = i;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < offset ? 2 : 1;
  }
  return start;
}

std::size_t CharacterEndAfter(const std::string& text, std::size_t offset, std::size_t limit) {
  if (offset >= limit) return limit;
  return IsLeadByte(static_cast<unsigned char>(text[offset])) && offset + 1 < limit ? offset + 2 : offset + 1;
}

}  // namespace

int VirtualKeyForCharacter(char character) {
  const unsigned char byte = static_cast<unsigned char>(character);
  if (std::isalpha(byte)) return std::toupper(byte);
  if (std::isdigit(byte) || byte == ' ') return byte;
  if (byte == '.') return 190;  // VK_OEM_PERIOD
  if (byte == '-') return 189;  // VK_OEM_MINUS
  if (byte == ':') return 186;  // VK_OEM_1
  return 0;
}

// ---------------------------------------------------------------------------------------------------------
// HeadlessControl

HeadlessControl::HeadlessControl(HeadlessWindow& window, const ControlEntry& entry)
    : window_(window),
      entry_(entry),
      text_(entry.text),
      caret_(entry.text.size()),
      enabled_(entry.enabled),
      visible_(entry.visible),
      checked_(entry.checked),
      readOnly_(entry.readOnly),
      color_(entry.background) {}

std::string HeadlessControl::Text() const { return text_; }

void HeadlessControl::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  caret_ = text_.size();  // typing after a programmatic change goes on at the end, as after a click there
  // Edit boxes tell every change, programmatic ones included; a drop-down list tells only the user's picks.
  if (IsTextKind(entry_.kind)) FireChange();
}

bool HeadlessControl::Showing() const {
  for (const HeadlessControl* control = this; control; control = control->parent_) {
    if (!control->visible_) return false;
  }
  return true;
}

bool HeadlessControl::Usable() const {
  if (!window_.Visible()) return false;
  for (const HeadlessControl* control = this; control; control = control->parent_) {
    if (!control->visible_ || !control->enabled_) return false;
  }
  return true;
}

void HeadlessControl::SetFocus() {
  for (const HeadlessControl* control = this; control; control = control->parent_) {
    if (!control->visible_ || !control->enabled_) throw Error("Cannot focus a disabled or invisible window");
  }
  window_.SetFocusedControl(this);
}

bool HeadlessControl::Focused() const { return window_.FocusedControl() == this; }

void HeadlessControl::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  // A check box tells a change of its state as a click, whoever made it.
  if (entry_.kind == ControlKind::CheckBox) Fire(OnClick);
}

std::string HeadlessControl::Item(int index) const {
  if (index < 0 || index >= ItemCount())
    throw Error("List index out of bounds (" + std::to_string(index) + ")");
  return items_[index];
}

bool HeadlessControl::Click() {
  if (!Usable()) return false;
  if (entry_.kind == ControlKind::CheckBox) {
    SetChecked(!checked_);
    return true;
  }
  Fire(OnClick);
  return true;
}

bool HeadlessControl::SelectItem(int index) {
  if (!Usable() || index < 0 || index >= ItemCount()) return false;
  text_ = items_[index];
  FireChange();
  return true;
}

void HeadlessControl::Fire(const std::function<void()>& handler) { FireEvent(window_.System(), handler); }

void HeadlessControl::FireChange() { Fire(OnChange); }

void HeadlessControl::FireKey(const std::function<void(KeyEvent&)>& handler, KeyEvent& key) {
  titrelle::FireKey(window_.System(), handler, key);
}

void HeadlessControl::FirePress(KeyPressEvent& press) {
  titrelle::FirePress(window_.System(), OnKeyPress, press);
}

bool HeadlessControl::EditableByUser() const {
  return (entry_.kind == ControlKind::Edit || entry_.kind == ControlKind::Memo ||
          entry_.kind == ControlKind::UserView) &&
         !readOnly_;
}

bool HeadlessControl::PressKey(int key, unsigned shift) {
  if (!Usable()) return false;
  KeyEvent down{key, shift, false};
  FireKey(OnKeyDown, down);
  if (!down.swallowed) {
    bool changed = false;
    // Backspace and Enter are characters too: the key press sees them before the control acts.
    if (key == vk::Back || key == vk::Return) {
      KeyPressEvent press{static_cast<char>(key)};
      FirePress(press);
      if (press.character != 0) changed = ApplyKey(key, shift);
    } else {
      changed = ApplyKey(key, shift);
    }
    if (changed) FireChange();
  }
  KeyEvent up{key, shift, false};
  FireKey(OnKeyUp, up);
  return true;
}

bool HeadlessControl::Type(const std::string& text) {
  if (!Usable()) return false;
  for (const std::string& character : Characters(text)) {
    if (character == "\r" || character == "\n") {
      if (character == "\r") PressKey(vk::Return);
      continue;
    }
    TypeOne(character);
  }
  return true;
}

bool HeadlessControl::TypeOne(const std::string& characters) {
  // A single byte has a key of its own.
  TypeInput(characters.size() == 1 ? VirtualKeyForCharacter(characters[0]) : kProcessKey,
            [&] { return characters; });
  return true;
}

bool HeadlessControl::CommitInputMethod(const std::string& utf8) {
  if (!Usable()) return false;
  TypeInput(kProcessKey, [&] { return TakeTypedText(utf8, [this] { Fire(OnCharactersRefused); }); });
  return true;
}

void HeadlessControl::TypeInput(int key, const std::function<std::string()>& take) {
  KeyEvent down{key, 0, false};
  FireKey(OnKeyDown, down);
  if (!down.swallowed) {
    const std::string typed = FilterTypedText(take(), [this](KeyPressEvent& press) { FirePress(press); });
    if (!typed.empty() && InsertTyped(typed)) FireChange();
  }
  KeyEvent up{down.key, 0, false};
  FireKey(OnKeyUp, up);
}

bool HeadlessControl::Paste(const std::string& clipboard) {
  if (!Usable()) return false;
  constexpr int kKeyV = 'V';
  KeyEvent down{kKeyV, modifier::Ctrl, false};
  FireKey(OnKeyDown, down);
  if (!down.swallowed && EditableByUser()) {
    const std::string taken = TakeTypedText(clipboard, [this] { Fire(OnCharactersRefused); });
    if (!taken.empty() && InsertPasted(taken)) FireChange();
  }
  KeyEvent up{kKeyV, modifier::Ctrl, false};
  FireKey(OnKeyUp, up);
  return true;
}

bool HeadlessControl::InsertPasted(const std::string& text) {
  // One line: CR LF, a lone CR and a lone LF each become one blank, as the desktop shells have it.
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
  }
  return InsertTyped(line);
}

bool HeadlessControl::InsertTyped(const std::string& characters) {
  if (!EditableByUser()) return false;
  caret_ = std::min(caret_, text_.size());
  text_.insert(caret_, characters);
  caret_ += characters.size();
  return true;
}

bool HeadlessControl::ApplyKey(int key, unsigned) {
  if (entry_.kind != ControlKind::Edit && entry_.kind != ControlKind::Memo) return false;
  caret_ = std::min(caret_, text_.size());
  switch (key) {
    case vk::Left:
      if (caret_ > 0) caret_ = CharacterStartBefore(text_, 0, caret_);
      return false;
    case vk::Right:
      caret_ = CharacterEndAfter(text_, caret_, text_.size());
      return false;
    case vk::Home:
      caret_ = 0;
      return false;
    case vk::End:
      caret_ = text_.size();
      return false;
    case vk::Back: {
      if (readOnly_ || caret_ == 0) return false;
      const std::size_t start = CharacterStartBefore(text_, 0, caret_);
      text_.erase(start, caret_ - start);
      caret_ = start;
      return true;
    }
    case vk::Delete: {
      if (readOnly_ || caret_ >= text_.size()) return false;
      text_.erase(caret_, CharacterEndAfter(text_, caret_, text_.size()) - caret_);
      return true;
    }
    default:
      return false;  // Enter in a single-line box only beeps
  }
}

// ---------------------------------------------------------------------------------------------------------
// HeadlessUserView

HeadlessUserView::HeadlessUserView(HeadlessWindow& window, const ControlEntry& entry)
    : HeadlessControl(window, entry) {
  text_.clear();
  listing_.SetListingText(entry.text);
}

std::string HeadlessUserView::Line(int index) const { return std::string(LineView(index)); }

std::string_view HeadlessUserView::LineView(int index) const {
  if (index < 0 || index >= listing_.Count()) return {};
  return listing_.LineView(index);
}

int HeadlessUserView::BreakCount() const {
  // A text ending in a CR or LF of its own reads as ending with a break, as the text of a rich edit does.
  const std::string& text = listing_.Text();
  const bool endsWithBreak = text.empty() || text.back() == '\n' || text.back() == '\r';
  return endsWithBreak ? listing_.Count() : listing_.Count() - 1;
}

int HeadlessUserView::PhysicalLineCount() const {
  const int count = listing_.Count();
  const std::string& text = listing_.Text();
  const bool endsWithBreak =
      text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, kBreak) == 0);
  return endsWithBreak ? count + 1 : count;
}

std::size_t HeadlessUserView::CaretOffset() const { return listing_.LineStart(caretLine_) + caretColumn_; }

int HeadlessUserView::LineOfOffset(std::size_t offset) const {
  // The last line starting at or before the offset holds it.
  int low = 0, high = PhysicalLineCount() - 1;
  while (low < high) {
    const int middle = (low + high + 1) / 2;
    if (listing_.LineStart(middle) <= offset) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

void HeadlessUserView::SetCaretOffset(std::size_t offset) {
  caretLine_ = LineOfOffset(offset);
  caretColumn_ = static_cast<int>(offset - listing_.LineStart(caretLine_));
  selectionLength_ = 0;
}

void HeadlessUserView::PlaceCaret(int line, int column) {
  line = std::clamp(line, 0, PhysicalLineCount() - 1);
  const int length = static_cast<int>(Line(line).size());
  caretLine_ = line;
  caretColumn_ = std::clamp(column, 0, length);
  selectionLength_ = 0;
}

void HeadlessUserView::Select(int line, int column, int endLine, int endColumn) {
  PlaceCaret(endLine, endColumn);
  const std::size_t end = CaretOffset();
  PlaceCaret(line, column);
  selectionLength_ = end > CaretOffset() ? end - CaretOffset() : 0;
}

void HeadlessUserView::CaretToEnd() { SetCaretOffset(listing_.Text().size()); }

void HeadlessUserView::CaretToLine(int line) { PlaceCaret(line, 0); }

void HeadlessUserView::Add(const std::string& line) {
  // A rich edit appends by replacing an empty selection at the end; the caret stays after the inserted text:
  // after the new line's break when the text ended with one, else at the end of the appended line.
  listing_.Add(line);
  CaretToEnd();
  FireChange();
}

void HeadlessUserView::Clear() {
  listing_.Clear();
  caretLine_ = caretColumn_ = 0;
  selectionLength_ = 0;
  FireChange();
}

void HeadlessUserView::SetListingText(const std::string& text) {
  listing_.SetListingText(text);
  caretLine_ = caretColumn_ = 0;
  selectionLength_ = 0;
  FireChange();
}

void HeadlessUserView::ReplaceLines(int first, int count, const std::string& text) {
  listing_.ReplacePieces(first, count, text);
  SetCaretOffset(listing_.LineStart(first));
  FireChange();
}

void HeadlessUserView::ReplaceText(std::size_t offset, std::size_t length, const std::string& insert) {
  const bool breaks = insert.find_first_of("\r\n") != std::string::npos ||
                      listing_.Text().substr(offset, length).find_first_of("\r\n") != std::string::npos;
  const std::size_t lineLength = LineView(caretLine_).size();
  if (!breaks && length <= lineLength) {
    // Within one line: keep the line index, and move only the bytes after the change.
    const std::size_t lineStart = listing_.LineStart(caretLine_);
    if (caretLine_ < listing_.Count()) {
      const std::size_t column = offset - lineStart;
      listing_.SpliceLine(caretLine_, {column, std::min(length, lineLength - column), insert.size()}, insert);
    } else {
      // The empty line after a final break: the first character gives it a text.
      std::string text = listing_.Text();
      text.replace(offset, length, insert);
      listing_.SetListingText(text);
    }
  } else {
    std::string text = listing_.Text();
    text.replace(offset, length, insert);
    listing_.SetListingText(text);
  }
  SetCaretOffset(offset + insert.size());
}

std::size_t HeadlessUserView::PreviousCharacterStart(std::size_t lineStart, std::size_t offset) const {
  return CharacterStartBefore(listing_.Text(), lineStart, offset);
}

bool HeadlessUserView::InsertTyped(const std::string& characters) {
  if (readOnly_) return false;
  ReplaceText(CaretOffset(), selectionLength_, characters);
  return true;
}

bool HeadlessUserView::InsertPasted(const std::string& text) {
  // Pasted at the caret; a selection stays.
  ReplaceText(CaretOffset(), 0, text);
  return true;
}

bool HeadlessUserView::ApplyKey(int key, unsigned shift) {
  const std::string& text = listing_.Text();
  const std::size_t lineStart = listing_.LineStart(caretLine_);
  const std::size_t lineLength = LineView(caretLine_).size();
  const std::size_t offset = CaretOffset();
  const int lastLine = PhysicalLineCount() - 1;
  switch (key) {
    case vk::Left:
      if (caretColumn_ > 0) {
        SetCaretOffset(PreviousCharacterStart(lineStart, offset));
      } else if (caretLine_ > 0) {
        PlaceCaret(caretLine_ - 1, static_cast<int>(Line(caretLine_ - 1).size()));
      }
      return false;
    case vk::Right:
      if (static_cast<std::size_t>(caretColumn_) < lineLength) {
        SetCaretOffset(CharacterEndAfter(text, offset, lineStart + lineLength));
      } else if (caretLine_ < lastLine) {
        PlaceCaret(caretLine_ + 1, 0);
      }
      return false;
    case vk::Up:
    case vk::Down: {
      const int target = key == vk::Up ? caretLine_ - 1 : caretLine_ + 1;
      if (target < 0 || target > lastLine) return false;
      // Keep the column where the target line allows, never inside a double-byte character.
      const std::size_t targetStart = listing_.LineStart(target);
      const std::size_t targetLength = Line(target).size();
      std::size_t column = std::min<std::size_t>(caretColumn_, targetLength);
      if (column > 0 && column < targetLength) {
        const std::size_t start = CharacterStartBefore(text, targetStart, targetStart + column + 1);
        column = start - targetStart;
      }
      PlaceCaret(target, static_cast<int>(column));
      return false;
    }
    case vk::Home:
      PlaceCaret(caretLine_, 0);
      return false;
    case vk::End:
      PlaceCaret(caretLine_, static_cast<int>(lineLength));
      return false;
    case vk::Back:
    case vk::Delete:
      if (readOnly_ || selectionLength_ == 0) break;
      ReplaceText(offset, selectionLength_, {});  // the selection goes, whatever it holds
      return true;
    default:
      break;
  }
  switch (key) {
    case vk::Back:
      if (readOnly_) return false;
      if (caretColumn_ > 0) {
        const std::size_t start = PreviousCharacterStart(lineStart, offset);
        ReplaceText(start, offset - start, {});
        return true;
      }
      if (caretLine_ == 0) return false;
      ReplaceText(offset - kBreak.size(), kBreak.size(), {});  // joins this line to the one above
      return true;
    case vk::Delete:
      if (readOnly_) return false;
      if (static_cast<std::size_t>(caretColumn_) < lineLength) {
        ReplaceText(offset, CharacterEndAfter(text, offset, lineStart + lineLength) - offset, {});
        return true;
      }
      if (caretLine_ == lastLine) return false;
      ReplaceText(offset, kBreak.size(), {});  // joins the next line to this one
      SetCaretOffset(offset);
      return true;
    case vk::Return:
      if (readOnly_) return false;
      ReplaceText(offset, 0, std::string(kBreak));
      return true;
    default:
      (void)shift;
      return false;
  }
}

bool HeadlessUserView::ClickAt(int line, int column) {
  if (!Usable()) return false;
  window_.SetFocusedControl(this);
  PlaceCaret(line, column);
  // The control moves its caret before the program hears of the click, so both events see the new line.
  Fire(OnMouseDown);
  Fire(OnMouseUp);
  return true;
}

// ---------------------------------------------------------------------------------------------------------
// HeadlessWindow

HeadlessWindow::HeadlessWindow(HeadlessWindowSystem& system, const WindowTable& entry)
    : system_(system), entry_(entry), width_(entry.width), height_(entry.height) {
  for (const ControlEntry& controlEntry : entry.controls) {
    std::unique_ptr<HeadlessControl> control;
    if (controlEntry.kind == ControlKind::UserView) {
      control = std::make_unique<HeadlessUserView>(*this, controlEntry);
    } else {
      control = std::make_unique<HeadlessControl>(*this, controlEntry);
    }
    if (!controlEntry.parent.empty()) {
      auto parent = byName_.find(controlEntry.parent);
      if (parent == byName_.end()) throw Error("Control '" + controlEntry.parent + "' not found");
      control->SetParent(parent->second);
    }
    if (byName_.count(controlEntry.name)) throw Error("Duplicate control name '" + controlEntry.name + "'");
    byName_[controlEntry.name] = control.get();
    controls_.push_back(std::move(control));
  }
  system_.WindowCreated(*this);
}

HeadlessWindow::~HeadlessWindow() { system_.WindowDestroyed(*this); }

HeadlessControl& HeadlessWindow::Get(const std::string& name) {
  auto found = byName_.find(name);
  if (found == byName_.end()) throw Error("Control '" + name + "' not found");
  return *found->second;
}

Control& HeadlessWindow::Find(const std::string& name) { return Get(name); }

HeadlessUserView& HeadlessWindow::UserView(const std::string& name) {
  auto* view = dynamic_cast<HeadlessUserView*>(&Get(name));
  if (!view) throw Error("Control '" + name + "' is not a user view");
  return *view;
}

UserViewControl& HeadlessWindow::FindUserView(const std::string& name) { return UserView(name); }

void HeadlessWindow::Fire(const std::function<void()>& handler) { FireEvent(system_, handler); }

void HeadlessWindow::Show() {
  if (visible_) return;  // showing a shown window changes nothing and tells nothing
  visible_ = true;
  if (!realised_) {
    // The first showing realises the window at its size, which a desktop reports as a resize.
    realised_ = true;
    Fire(OnResize);
  }
  Fire(OnShow);
}

void HeadlessWindow::ShowModal() {
  modal_ = true;
  Show();
}

void HeadlessWindow::Close() {
  if (!visible_) return;
  if (!MayClose(system_, OnCloseQuery)) return;
  Fire(OnClose);
  visible_ = false;
  modal_ = false;
}

int HeadlessWindow::ClientWidth() const { return width_ - kFrameWidth; }
int HeadlessWindow::ClientHeight() const { return height_ - kFrameHeight; }

void HeadlessWindow::Resize(int width, int height) {
  width_ = width;
  height_ = height;
  Fire(OnResize);
}

}  // namespace titrelle
