#include "cli/file_outcome.h"

FileVerdict FileOutcome::Verdict() const {
  if (!scanned) return FileVerdict::Refused;
  if (CountFaultyLeft(entries) > 0) return FileVerdict::Faulty;
  if (unexamined > 0) return FileVerdict::Incomplete;
  for (const ScanEntry& entry : entries) {
    if (entry.repaired) return FileVerdict::Repaired;
  }
  return FileVerdict::Healthy;
}

const char* VerdictText(FileVerdict verdict) {
  switch (verdict) {
    case FileVerdict::Healthy:
      return "healthy";
    case FileVerdict::Faulty:
      return "faulty";
    case FileVerdict::Repaired:
      return "repaired";
    case FileVerdict::Refused:
      return "refused";
    case FileVerdict::Incomplete:
      return "incomplete";
  }
  return "";
}

std::string SummaryLine(const std::vector<FileVerdict>& verdicts) {
  constexpr int VERDICTS = 5;  // in the order of FileVerdict, which is the line's
  int counts[VERDICTS] = {0, 0, 0, 0, 0};
  for (FileVerdict verdict : verdicts) ++counts[static_cast<int>(verdict)];
  std::string line =
      std::to_string(verdicts.size()) + (verdicts.size() == 1 ? " file: " : " files: ");
  for (int i = 0; i < VERDICTS; ++i) {
    if (i > 0) line += ", ";
    line += std::to_string(counts[i]) + " " + VerdictText(static_cast<FileVerdict>(i));
  }
  return line;
}
