#pragma once
// How the window and qmk show one cell of a row, so that a number shows only where it was
// measured. The row keeps the texts its lookups and indices made (files keep them too); this
// decides, from those texts and the row's lookup status, whether a cell is a measured figure, and
// if not, how it shows: an index that rests on a figure nobody measured shows "?", one computed
// from figures that cannot give a real value keeps its text but is marked, and a spreadsheet gets
// an empty cell for either.

#include <string>

#include "research/keyword_row.h"

namespace quillmark {

enum class CellKind {
  kMeasured,     // a figure as measured, or a text that is no figure (the caption)
  kNoCount,      // the page's own placeholder: a supply "?" where the page shows no count
  kUnmeasured,   // rests on a lookup that failed or was stopped, or on an unknown figure
  kNotReal,      // an index from measured figures that give no real value: demand 0, a count
                 // too large for the calculation
  kBeyondRange,  // a count as measured, but too large for the calculation
};

struct ShownCell {
  CellKind kind = CellKind::kMeasured;
  // The row's text; "?" for an index that rests on a figure nobody measured.
  std::string text;
  // Why the cell is marked, one line per cause, in words for a tooltip; empty when the cell is
  // not marked. Filled only when asked for.
  std::string note;

  // Marked: the window tints the cell and shows the note.
  bool Tinted() const {
    return kind == CellKind::kUnmeasured || kind == CellKind::kNotReal ||
           kind == CellKind::kBeyondRange;
  }
  // A figure a spreadsheet may add up; any other cell goes to it empty.
  bool Measured() const { return kind == CellKind::kMeasured || kind == CellKind::kBeyondRange; }
};

// The cell of `column` in `row`. A cell the row does not have is an empty measured one.
ShownCell ShowCell(const KeywordRow& row, KeywordColumn column, bool with_note = true);

// The cell's kind alone, cheaper than ShowCell for a sort. A cell that is unmeasured or gives no
// real value goes after every measured row, whichever way its column sorts: a "0" nobody measured
// is not the cheapest phrase.
CellKind KindOfCell(const KeywordRow& row, KeywordColumn column);
inline bool SortsLast(CellKind kind) {
  return kind == CellKind::kUnmeasured || kind == CellKind::kNotReal;
}

}  // namespace quillmark
