// Test support: the commands and options of quorvafix-cli, from the tables
// its option parser reads (cli_options.h), for tests that hold its manual
// page and shell completion to the tool.
#pragma once

#include <set>
#include <string>
#include <vector>

// The command words ("detect", "fix", "--help", "-h", "--version") and the
// option names ("--patch", "--verbose", ...).
std::set<std::string> CliUsageWords();

// The choices of option name as its table entry lists them ("--format"
// gives "text" and "json"); empty for an option without choices.
std::vector<std::string> CliOptionChoices(const std::string& name);
