#pragma once
// Two runs of one INI section kept side by side as pairs: the ActiveX list's names ("x") and
// class identifiers ("v"), the URL shortcuts' names ("s") and addresses ("v"). Entry i of the
// first run pairs with entry i of the second. Every change is written in one atomic replacement
// of the file, so a failure can never leave one half of a pair written without the other.
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

namespace orv {

class IniFile;

class TIniPairs {
 public:
  // Loads both runs. Raises the errors a run's object raises on a missing or unreadable file.
  TIniPairs(FileSystem& files, const std::string& file_name, const std::string& section,
            const std::string& first_prefix, const std::string& second_prefix);
  ~TIniPairs();
  TIniPairs(const TIniPairs&) = delete;
  TIniPairs& operator=(const TIniPairs&) = delete;

  const std::vector<std::string>& Firsts() const { return runs_[0]; }
  const std::vector<std::string>& Seconds() const { return runs_[1]; }
  // Pairs with both halves. A file edited by hand may hold more entries in one run; those come
  // after the whole pairs and pair with nothing.
  int WholePairs() const;

  // A half that reads back empty would end its run there, and every later entry of that run
  // would then pair with an earlier entry of the other: such a pair is refused.
  enum class Refused { None, First, Second };
  static Refused Check(const std::string& first, const std::string& second);

  // Writes the pair after the last whole pair (entries of a longer run that stand there move up
  // one key) and returns its index. Raises std::invalid_argument for a pair Check refuses, and
  // FileError::CannotWrite when the file cannot be written (it then keeps its old bytes).
  int Add(const std::string& first, const std::string& second);
  // Deletes the entries at these indexes from both runs and moves every later entry down; an
  // index past the end of one run touches only the other, one past both nothing.
  void Delete(const std::vector<int>& indexes);

 private:
  // Writes run r as `after` over what it holds now, key by key where they differ.
  void Rewrite(int r, const std::vector<std::string>& after);
  void Flush();

  std::unique_ptr<IniFile> ini_;
  std::string file_name_, section_;
  std::string prefixes_[2];
  std::vector<std::string> runs_[2];
};

}  // namespace orv
