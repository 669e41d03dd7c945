#pragma once
// The rows of a tick-box report list (the ActiveX list, the URL shortcuts, the inventory pages):
// the cells of each row and its tick. Ticks live only here and in the control: they are the
// selection that batch actions work on, never the highlighted row, and they are lost whenever
// the rows are rebuilt.
#include <string>
#include <vector>

namespace orv {

struct CheckRow {
  std::vector<std::string> cells;  // the caption first, then one text per further column
  bool ticked = false;
};

class CheckList {
 public:
  const std::vector<CheckRow>& rows() const { return rows_; }
  int size() const { return static_cast<int>(rows_.size()); }
  const CheckRow& row(int index) const { return rows_[index]; }

  void Clear() { rows_.clear(); }
  // Appends an unticked row; every row carries `cells` as given (empty texts included).
  int Append(std::vector<std::string> cells);
  void Remove(int index);
  void SetCell(int index, int column, const std::string& text);

  // A tick set or cleared by the user; an index outside the rows is ignored.
  void SetTicked(int index, bool ticked);
  void TickAll(bool ticked);
  void InvertTicks();
  bool IsTicked(int index) const;
  // The ticked rows' indexes from the last row to the first: batch actions walk them in this
  // order, so removing one row keeps every index still to come valid.
  std::vector<int> TickedFromLast() const;

 private:
  std::vector<CheckRow> rows_;
};

}  // namespace orv
