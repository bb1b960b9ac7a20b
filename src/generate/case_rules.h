// The case rules of generated lines.
#pragma once

#include <string>

namespace weft {

// Raises the first byte of `line` to upper case when it is a letter a to z.
void capitalizeFirst(std::string& line);

// Capitalises every word of `line`: a word is a run of letters, digits and
// apostrophes that starts with a letter or digit; its first letter is raised
// and its other letters lowered. Bytes 128 to 255 end a word and start none.
void capitalizeWords(std::string& line);

// Applies the case rule of a line generated from a data file: in an element
// file every word is capitalised, in any other the first letter is raised.
inline void applyCaseRule(std::string& line, bool elementFile) {
  if (elementFile) {
    capitalizeWords(line);
  } else {
    capitalizeFirst(line);
  }
}

}  // namespace weft
