#include "maintenance/check_list.h"

#include <utility>

namespace orv {

int CheckList::Append(std::vector<std::string> cells) {
  rows_.push_back(CheckRow{std::move(cells), false});
  return size() - 1;
}

void CheckList::Remove(int index) {
  if (index >= 0 && index < size()) rows_.erase(rows_.begin() + index);
}

void CheckList::SetCell(int index, int column, const std::string& text) {
  if (index < 0 || index >= size() || column < 0) return;
  std::vector<std::string>& cells = rows_[index].cells;
  if (static_cast<size_t>(column) >= cells.size()) cells.resize(column + 1);
  cells[column] = text;
}

void CheckList::SetTicked(int index, bool ticked) {
  if (index >= 0 && index < size()) rows_[index].ticked = ticked;
}

void CheckList::TickAll(bool ticked) {
  for (CheckRow& row : rows_) row.ticked = ticked;
}

void CheckList::InvertTicks() {
  for (CheckRow& row : rows_) row.ticked = !row.ticked;
}

bool CheckList::IsTicked(int index) const {
  return index >= 0 && index < size() && rows_[index].ticked;
}

std::vector<int> CheckList::TickedFromLast() const {
  std::vector<int> out;
  for (int i = size() - 1; i >= 0; --i)
    if (rows_[i].ticked) out.push_back(i);
  return out;
}

}  // namespace orv
