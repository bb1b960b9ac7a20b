#include "driver/option_scanner.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/ascii.h"
#include "support/console.h"

extern char** environ;

namespace weft {

bool environmentHas(std::string_view name) {
  if (environ == nullptr) return false;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view variable(*entry);
    const std::string_view key = variable.substr(0, variable.find('='));
    if (key.size() == name.size() &&
        std::equal(key.begin(), key.end(), name.begin(),
                   [](char a, char b) { return toLower(a) == toLower(b); })) {
      return true;
    }
  }
  return false;
}

OptionScanner::OptionScanner(int argc, char** argv, std::string_view optionString, Console& console)
    : console_(console),
      ordering_(environmentHas("_POSIX_OPTION_ORDER") ? Ordering::RequireOrder : Ordering::Permute),
      // An empty vector has no program name; it scans like one with only that.
      argc_(std::max(argc, 1)),
      argv_(argv),
      optionString_(optionString) {}

bool OptionScanner::isOperand(int index) const {
  const char* element = argv_[index];
  return element[0] != '-' || element[1] == '\0';
}

void OptionScanner::moveSkippedOperands() {
  std::rotate(argv_ + firstSkipped_, argv_ + lastSkipped_, argv_ + optionIndex_);
  firstSkipped_ += optionIndex_ - lastSkipped_;
  lastSkipped_ = optionIndex_;
}

void OptionScanner::reportUnrecognized(char letter) const {
  const char* program = argv_[0] != nullptr ? argv_[0] : "";
  const int code = static_cast<signed char>(letter);
  char message[64];
  std::string text = program;
  if (code >= 32 && code <= 126) {
    std::snprintf(message, sizeof message, ": unrecognized option `-%c'\n", letter);
  } else {
    // The code is the byte taken as a signed 8-bit value, shown in octal.
    std::snprintf(message, sizeof message, ": unrecognized option, character code 0%o\n",
                  static_cast<unsigned>(code));
  }
  console_.writeErrRaw(text + message);
}

int OptionScanner::nextOption() {
  if (nextOptionChar_ == nullptr || *nextOptionChar_ == '\0') {
    if (ordering_ == Ordering::Permute) {
      if (firstSkipped_ != lastSkipped_ && lastSkipped_ != optionIndex_) {
        moveSkippedOperands();
      } else if (lastSkipped_ != optionIndex_) {
        firstSkipped_ = optionIndex_;
      }
      while (optionIndex_ < argc_ && isOperand(optionIndex_)) ++optionIndex_;
      lastSkipped_ = optionIndex_;
    }
    if (optionIndex_ < argc_ && std::strcmp(argv_[optionIndex_], "--") == 0) {
      ++optionIndex_;
      if (firstSkipped_ != lastSkipped_ && lastSkipped_ != optionIndex_) {
        moveSkippedOperands();
      } else if (firstSkipped_ == lastSkipped_) {
        firstSkipped_ = optionIndex_;
      }
      lastSkipped_ = argc_;
      optionIndex_ = argc_;
    }
    if (optionIndex_ >= argc_) {
      if (firstSkipped_ != lastSkipped_) optionIndex_ = firstSkipped_;
      return -1;
    }
    if (isOperand(optionIndex_)) return -1;
    nextOptionChar_ = argv_[optionIndex_] + 1;
  }

  const char letter = *nextOptionChar_++;
  if (*nextOptionChar_ == '\0') ++optionIndex_;
  const std::size_t at = letter == ':' ? std::string_view::npos : optionString_.find(letter);
  if (at == std::string_view::npos) {
    reportUnrecognized(letter);
    return '?';
  }
  if (at + 1 < optionString_.size() && optionString_[at + 1] == ':') {
    int result = static_cast<unsigned char>(letter);
    if (*nextOptionChar_ != '\0') {
      optionArgument_ = nextOptionChar_;
      ++optionIndex_;
    } else if (optionIndex_ >= argc_) {
      const char* program = argv_[0] != nullptr ? argv_[0] : "";
      console_.writeErrRaw(std::string(program) + ": no argument for `-" + letter + "' option\n");
      result = '?';
    } else {
      optionArgument_ = argv_[optionIndex_];
      ++optionIndex_;
    }
    nextOptionChar_ = nullptr;
    return result;
  }
  return static_cast<unsigned char>(letter);
}

}  // namespace weft
