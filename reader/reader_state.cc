#include "reader/reader_state.h"

namespace tarn {

namespace {

struct ReaderState {
  WordList words;
  std::vector<std::string> compounds;
};

}  // namespace

const std::string& WordList::Word(int i) const {
  static const std::string kEmpty;
  return i >= 1 && i <= NumWords() ? words_[i - 1] : kEmpty;
}

WordList& Words(Runtime& rt) { return rt.layers.Get<ReaderState>().words; }

std::vector<std::string>& Compounds(Runtime& rt) { return rt.layers.Get<ReaderState>().compounds; }

}  // namespace tarn
