// Test support: a shell script run to its end as a child process (sh -c) in
// a folder of the caller's, with what it printed kept, for tests of the real
// tool, its man pages and its shell completion.
#pragma once

#include <string>

struct ScriptResult {
  int status;  // exit status; -1 when the shell was killed or did not start
  std::string out;
  std::string err;
};

// Runs `sh -c script` in dir (the script starts with cd into it) with what
// it prints kept in a folder of its own, so dir holds only what the script
// makes there.
ScriptResult RunShellScript(const std::string& dir, const std::string& script);

// text in single quotes for the shell, each ' written as '\''.
// Example: ShellQuoted("it's") gives "'it'\''s'".
std::string ShellQuoted(const std::string& text);
