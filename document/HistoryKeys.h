#pragma once
// The keys of the document's history, as every shell delivers them: Ctrl+Z undoes; Ctrl+Y and Ctrl+Shift+Z
// redo.

#include "ui/EventRules.h"

namespace titrelle {

enum class HistoryStep { None, Undo, Redo };

inline HistoryStep HistoryStepOfKey(int key, unsigned shift) {
  if ((shift & (modifier::Ctrl | modifier::Alt)) != modifier::Ctrl) return HistoryStep::None;
  const bool withShift = (shift & modifier::Shift) != 0;
  if (key == 'Z') return withShift ? HistoryStep::Redo : HistoryStep::Undo;
  if (key == 'Y' && !withShift) return HistoryStep::Redo;
  return HistoryStep::None;
}

}  // namespace titrelle
