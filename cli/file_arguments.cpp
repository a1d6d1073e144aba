#include "cli/file_arguments.h"

void AddFileArgument(const std::string& argument, std::vector<std::string>* files) {
  files->push_back(argument);
}
