// The source folders stand on floors that include one way: the graph "a file of folder A includes a
// header of folder B" has no loop. A loop is named with the file that makes each of its steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using velmar::testing::TempDir;
using velmar::testing::WriteFile;

// For each folder, the folders it includes, each with the first file that does.
using FolderGraph = std::map<std::string, std::map<std::string, std::string>>;

bool IsSourceFolder(const fs::directory_entry& entry) {
  static const std::set<std::string> kOther = {"tests", "bench", "presets", "scripts", "packaging", "run"};
  const std::string name = entry.path().filename().string();
  return entry.is_directory() && name[0] != '.' && name.rfind("build", 0) != 0 && !kOther.count(name);
}

bool IsSourceFile(const fs::path& path) {
  const auto ext = path.extension();
  return ext == ".h" || ext == ".cpp" || ext == ".inc";
}

FolderGraph ReadFolderIncludes(const fs::path& root) {
  std::set<std::string> folders;
  for (const auto& entry : fs::directory_iterator(root))
    if (IsSourceFolder(entry)) folders.insert(entry.path().filename().string());
  const std::regex include(R"(^\s*#\s*include\s+"([A-Za-z0-9_]+)/)");
  FolderGraph graph;
  for (const auto& folder : folders) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      if (!entry.is_regular_file() || !IsSourceFile(entry.path())) continue;
      std::ifstream in(entry.path());
      std::smatch m;
      for (std::string line; std::getline(in, line);) {
        if (!std::regex_search(line, m, include)) continue;
        const std::string target = m[1];
        if (target != folder && folders.count(target))
          graph[folder].emplace(target, fs::relative(entry.path(), root).string());
      }
    }
  }
  return graph;
}

// Depth-first search; the first loop met, as "a -> b (file) -> ... -> a (file)", or empty.
std::string FirstLoop(const FolderGraph& graph) {
  std::map<std::string, int> mark;  // 0 unseen, 1 on the path, 2 done
  std::vector<std::string> path;
  std::string found;
  std::function<bool(const std::string&)> visit = [&](const std::string& folder) {
    mark[folder] = 1;
    path.push_back(folder);
    const auto edges = graph.find(folder);
    if (edges != graph.end()) {
      for (const auto& [target, file] : edges->second) {
        if (mark[target] == 1) {
          auto start = std::find(path.begin(), path.end(), target);
          found = *start;
          for (auto it = start; it != path.end(); ++it) {
            const auto next = (it + 1 == path.end()) ? target : *(it + 1);
            found += " -> " + next + " (" + graph.at(*it).at(next) + ")";
          }
          return true;
        }
        if (mark[target] == 0 && visit(target)) return true;
      }
    }
    path.pop_back();
    mark[folder] = 2;
    return false;
  };
  for (const auto& [folder, edges] : graph)
    if (mark[folder] == 0 && visit(folder)) break;
  return found;
}

TEST(FolderIncludes, TheSourceFoldersIncludeOneWay) {
  const FolderGraph graph = ReadFolderIncludes(VELMAR_SOURCE_DIR);
  ASSERT_TRUE(graph.count("app")) << "the program folder includes the floors below it";
  EXPECT_EQ(FirstLoop(graph), "") << "a folder reaches back up to a floor that includes it";
}

TEST(FolderIncludes, ABackIncludeIsFoundAndNamedByItsFile) {
  TempDir root;
  fs::create_directories(root.path() / "low");
  fs::create_directories(root.path() / "high" / "sub");
  fs::create_directories(root.path() / "tests");
  WriteFile(root.file("low/a.h"), "#pragma once\n");
  WriteFile(root.file("high/sub/b.cpp"), "#include \"low/a.h\"\n");
  WriteFile(root.file("tests/t.cpp"), "#include \"high/sub/b.h\"\n#include \"low/a.h\"\n");
  EXPECT_EQ(FirstLoop(ReadFolderIncludes(root.path())), "");

  WriteFile(root.file("low/a.cpp"), "#include \"low/a.h\"\n  #include \"high/sub/b.h\"\n");
  EXPECT_EQ(FirstLoop(ReadFolderIncludes(root.path())),
            "high -> low (high/sub/b.cpp) -> high (low/a.cpp)");
}

}  // namespace
