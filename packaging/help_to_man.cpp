// Builds a program's manual page from its own --help text, so the two never
// disagree: the first line "name: summary." gives the NAME section, every other
// paragraph the DESCRIPTION; paragraphs with indented lines (option lists, examples)
// keep their layout.
//   help_to_man PROGRAM NAME VERSION OUTPUT
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string HelpText(const std::string& program) {
  std::string quoted = "'";
  for (char c : program) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "' --help";
  std::FILE* pipe = popen(quoted.c_str(), "r");
  if (!pipe) return "";
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (pclose(pipe) != 0) return "";
  return text;
}

// Roff takes a backslash as an escape, a dot or quote at a line's start as a
// request, and a plain hyphen as one that may break: options need minus signs.
std::string Escaped(const std::string& line) {
  std::string out = line.empty() || (line[0] != '.' && line[0] != '\'') ? "" : "\\&";
  for (char c : line) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  return out;
}

void WriteParagraph(const std::vector<std::string>& lines, std::string& out) {
  if (lines.empty()) return;
  bool laidOut = false;
  for (const auto& line : lines) laidOut = laidOut || (!line.empty() && line[0] == ' ');
  out += ".PP\n";
  if (laidOut) out += ".nf\n";
  for (const auto& line : lines) out += Escaped(line) + "\n";
  if (laidOut) out += ".fi\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: help_to_man PROGRAM NAME VERSION OUTPUT\n");
    return 2;
  }
  const std::string name = argv[2], version = argv[3];
  const std::string help = HelpText(argv[1]);
  std::istringstream in(help);
  std::string first;
  if (!std::getline(in, first) || first.rfind(name + ": ", 0) != 0) {
    std::fprintf(stderr, "help_to_man: %s --help does not begin with \"%s: \"\n", argv[1], name.c_str());
    return 1;
  }
  std::string summary = first.substr(name.size() + 2);
  if (!summary.empty() && summary.back() == '.') summary.pop_back();

  std::string out = ".TH " + Escaped(name) + " 1 \"\" \"" + version + "\" \"Velmar photon counting\"\n";
  out += ".SH NAME\n" + Escaped(name) + " \\- " + Escaped(summary) + "\n";
  out += ".SH SYNOPSIS\n.B " + Escaped(name) + "\n[\\fIOPTION\\fR]...\n.SH DESCRIPTION\n";
  std::vector<std::string> paragraph;
  for (std::string line; std::getline(in, line);) {
    if (line.find_first_not_of(' ') == std::string::npos) {
      WriteParagraph(paragraph, out);
      paragraph.clear();
    } else {
      paragraph.push_back(line);
    }
  }
  WriteParagraph(paragraph, out);

  std::FILE* file = std::fopen(argv[4], "w");
  bool written = file && std::fputs(out.c_str(), file) >= 0;
  if (file) written = std::fclose(file) == 0 && written;
  if (!written) {
    std::fprintf(stderr, "help_to_man: cannot write %s\n", argv[4]);
    return 1;
  }
  return 0;
}
