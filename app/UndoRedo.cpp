// Undo and redo of the document's last command, by the keys of its history.
#include "app/Unit1.h"
#include "document/HistoryKeys.h"

namespace titrelle {

bool TForm1::UndoRedoKey(KeyEvent& key) {
  const HistoryStep step = HistoryStepOfKey(key.key, key.shift);
  if (step == HistoryStep::None) return false;
  // The key is the history's, whether or not there is anything to take back: no control acts on it.
  key.swallowed = true;
  if (step == HistoryStep::Undo) {
    Document.History.Undo();
  } else {
    Document.History.Redo();
  }
  return true;
}

}  // namespace titrelle
