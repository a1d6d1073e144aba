// Test program: `quorvafix-cli fix FILE` run with an outside writer that
// changes FILE the moment the tool takes FILE.lock for its first repair, i.e.
// between the tool's load and its write, without taking the lock itself. The
// writer replaces every occurrence of the text OLD by NEW in the file.
// Usage: stale_write_child FILE OLD NEW. Exit status and output as the tool's.
#include <cstdio>
#include <string>

#include "cli/cli_job.h"
#include "platform/files/testing/failing_file_system.h"
#include "platform/registry/testing/registry_testing.h"

namespace {

class OutsideWriter : public FailingFileSystem {
 public:
  OutsideWriter(std::string file, std::string old_text, std::string new_text)
      : FailingFileSystem(RealFileSystem()),
        file_(std::move(file)),
        old_(std::move(old_text)),
        new_(std::move(new_text)) {}

  int ReadLink(const std::string& path, std::string* target) override {
    if (path == file_ && !done_) {
      done_ = true;
      std::vector<uint8_t> bytes = ReadBytes(file_);
      std::string text(bytes.begin(), bytes.end());
      for (size_t at = text.find(old_); at != std::string::npos;
           at = text.find(old_, at + new_.size())) {
        text.replace(at, old_.size(), new_);
      }
      WriteText(file_, text);
    }
    return FailingFileSystem::ReadLink(path, target);
  }

 private:
  std::string file_, old_, new_;
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: stale_write_child FILE OLD NEW\n", stderr);
    return EXIT_TROUBLE;
  }
  CliOptions options;
  options.command = CliCommand::Fix;
  OutsideWriter writer(argv[1], argv[2], argv[3]);
  return RunCliJob(options, argv[1], stdout, stderr, &writer);
}
