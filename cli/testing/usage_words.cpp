#include "cli/testing/usage_words.h"

#include <sstream>

#include "cli/cli_options.h"

std::set<std::string> CliUsageWords() {
  std::set<std::string> words;
  for (int i = 0; i < CLI_COMMAND_COUNT; ++i) {
    words.insert(CLI_COMMANDS[i].name);
    if (CLI_COMMANDS[i].alias != nullptr) words.insert(CLI_COMMANDS[i].alias);
  }
  for (int i = 0; i < CLI_OPTION_COUNT; ++i) words.insert(CLI_OPTIONS[i].name);
  return words;
}

std::vector<std::string> CliOptionChoices(const std::string& name) {
  std::vector<std::string> choices;
  for (int i = 0; i < CLI_OPTION_COUNT; ++i) {
    const CliOptionSpec& spec = CLI_OPTIONS[i];
    if (name != spec.name || spec.values == nullptr) continue;
    std::string values = spec.values;
    if (values.find('|') == std::string::npos) continue;  // a name, not choices
    std::istringstream parts(values);
    for (std::string part; std::getline(parts, part, '|');) choices.push_back(part);
  }
  return choices;
}
