// What the keyword reader keeps for the whole run: the words of the last line split, which every
// reading call overwrites, and the compound list of the model input, read once. Each run has its
// own (Runtime::layers), so every test starts from a fresh one.
#pragma once

#include <string>
#include <vector>

#include "support/runtime.h"

namespace tarn {

// The words of the last line split, Words(1) to Words(NumWords). A word beyond the count reads
// as an empty text, never as a leftover of an earlier line.
class WordList {
 public:
  static constexpr size_t kCapacity = 500;
  static constexpr size_t kWordLength = 200;

  int NumWords() const { return static_cast<int>(words_.size()); }
  // Word i, counted from 1.
  const std::string& Word(int i) const;
  void Assign(std::vector<std::string> words) { words_ = std::move(words); }

 private:
  std::vector<std::string> words_;
};

// The word list of the run.
WordList& Words(Runtime& rt);
// The names of the model input's table compounds, once GetCompoundList has read them.
std::vector<std::string>& Compounds(Runtime& rt);

}  // namespace tarn
