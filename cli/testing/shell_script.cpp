#include "cli/testing/shell_script.h"

#include "cli/testing/child_process.h"
#include "platform/registry/testing/registry_testing.h"

ScriptResult RunShellScript(const std::string& dir, const std::string& script) {
  TempDir streams;
  std::string out = streams.File("out");
  std::string err = streams.File("err");
  ChildProcess child;
  int status = -1;
  if (!child.Start({"/bin/sh", "-c", "cd " + ShellQuoted(dir) + " && " + script}, out, err) ||
      !child.Wait(&status)) {
    status = -1;
  }
  return {status, FileText(out), FileText(err)};
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}
