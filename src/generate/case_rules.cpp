#include "generate/case_rules.h"

#include "support/ascii.h"

namespace weft {

void capitalizeFirst(std::string& line) {
  if (!line.empty()) line[0] = toUpper(line[0]);
}

void capitalizeWords(std::string& line) {
  bool inWord = false;
  for (char& c : line) {
    if (!inWord) {
      if (isLetter(c) || isDigit(c)) {
        c = toUpper(c);
        inWord = true;
      }
    } else if (isLetter(c) || isDigit(c) || c == '\'') {
      c = toLower(c);
    } else {
      inWord = false;
    }
  }
}

}  // namespace weft
