#include "platform/witness_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/system_dir.h"

namespace velmar {

std::string WriteWitnessFile() {
  const std::string path = SystemFile(kWitnessFileName).string();
  std::FILE* file = std::fopen(path.c_str(), "w+");
  if (!file) return path + ": " + std::strerror(errno);
  const bool written = std::fputs(kWitnessText, file) >= 0;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) return path + ": cannot write";
  return {};
}

namespace {

void DeleteWritable(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove(path, ec);
}

}  // namespace

void DeleteWitnessFile() { DeleteWritable(SystemFile(kWitnessFileName)); }

std::string WitnessFile::Write() {
  path_ = SystemFile(kWitnessFileName);  // even a file left half written is ours to take away
  return WriteWitnessFile();
}

void WitnessFile::Remove() {
  if (path_.empty()) return;
  DeleteWritable(path_);
  path_.clear();
}

}  // namespace velmar
