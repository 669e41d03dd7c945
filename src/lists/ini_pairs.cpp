#include "lists/ini_pairs.h"

#include <algorithm>
#include <stdexcept>

#include "base/errors.h"
#include "lists/ini_array.h"
#include "lists/ini_file.h"

namespace orv {

TIniPairs::TIniPairs(FileSystem& files, const std::string& file_name, const std::string& section,
                     const std::string& first_prefix, const std::string& second_prefix)
    : ini_(OpenListFile(files, file_name)), file_name_(file_name), section_(section),
      prefixes_{first_prefix, second_prefix} {
  for (int r = 0; r < 2; ++r) runs_[r] = ini_->ReadRun(section_, prefixes_[r]);
}

TIniPairs::~TIniPairs() = default;

int TIniPairs::WholePairs() const {
  return static_cast<int>(std::min(runs_[0].size(), runs_[1].size()));
}

TIniPairs::Refused TIniPairs::Check(const std::string& first, const std::string& second) {
  if (ReadsBackEmpty(first)) return Refused::First;
  if (ReadsBackEmpty(second)) return Refused::Second;
  return Refused::None;
}

void TIniPairs::Rewrite(int r, const std::vector<std::string>& after) {
  const std::vector<std::string>& before = runs_[r];
  for (size_t i = 0; i < after.size(); ++i)
    if (i >= before.size() || before[i] != after[i])
      ini_->WriteString(section_, prefixes_[r] + std::to_string(i), after[i]);
  for (size_t i = after.size(); i < before.size(); ++i)
    ini_->DeleteKey(section_, prefixes_[r] + std::to_string(i));
}

void TIniPairs::Flush() {
  if (!ini_->Flush()) throw FileError::CannotWrite(file_name_);
}

int TIniPairs::Add(const std::string& first, const std::string& second) {
  if (Check(first, second) != Refused::None)
    throw std::invalid_argument("a pair with a half that reads back empty");
  const int at = WholePairs();
  std::vector<std::string> after[2] = {runs_[0], runs_[1]};
  after[0].insert(after[0].begin() + at, EntryAsReadBack(first));
  after[1].insert(after[1].begin() + at, EntryAsReadBack(second));
  for (int r = 0; r < 2; ++r) Rewrite(r, after[r]);
  Flush();
  for (int r = 0; r < 2; ++r) runs_[r] = std::move(after[r]);
  return at;
}

void TIniPairs::Delete(const std::vector<int>& indexes) {
  std::vector<std::string> after[2];
  for (int r = 0; r < 2; ++r) {
    for (size_t i = 0; i < runs_[r].size(); ++i)
      if (std::find(indexes.begin(), indexes.end(), static_cast<int>(i)) == indexes.end())
        after[r].push_back(runs_[r][i]);
    Rewrite(r, after[r]);
  }
  Flush();
  for (int r = 0; r < 2; ++r) runs_[r] = std::move(after[r]);
}

}  // namespace orv
