#include "cli/testing/usage_words.h"

#include <algorithm>
#include <sstream>

#include "cli/cli_options.h"

std::set<std::string> CliUsageWords() {
  std::set<std::string> words;
  std::istringstream usage(CLI_USAGE);
  for (std::string line; std::getline(usage, line) && !line.empty();) {
    std::istringstream tokens(line);
    std::string previous;
    for (std::string token; tokens >> token; previous = token) {
      token.erase(
          std::remove_if(token.begin(), token.end(), [](char c) { return c == '[' || c == ']'; }),
          token.end());
      if (token.rfind("--", 0) == 0 || (previous == "quorvafix-cli" && token[0] != '-'))
        words.insert(token);
    }
  }
  return words;
}
