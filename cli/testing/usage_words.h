// Test support: the commands and options quorvafix-cli's usage text names,
// for tests that hold its manual page and shell completion to the tool.
#pragma once

#include <set>
#include <string>

// The words of CLI_USAGE's synopsis (its lines up to the first empty one)
// that start with "--", and the commands that follow the program's name;
// brackets around a word are dropped. Example: "usage: quorvafix-cli fix
// [--patch OUT.reg] FILE..." gives "fix" and "--patch".
std::set<std::string> CliUsageWords();
