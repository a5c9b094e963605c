// The README, the manual pages and --help say what the programs do: the exit codes come
// from one table, and every message the manuals quote is one the program can show.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "app/cli/CommandLine.h"
#include "app/cli/Outcome.h"
#include "elements/PortErrorText.h"
#include "runtime/Cp1251.h"

using namespace hi::cli;

namespace {

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const std::filesystem::path kSource = TORMISAPLEX_SOURCE_DIR;

// The part of a manual page from `.SH <name>` to the next section.
std::string section(const std::string& page, const std::string& name) {
  const std::size_t from = page.find(".SH " + name + "\n");
  if (from == std::string::npos) return {};
  const std::size_t to = page.find("\n.SH ", from + 1);
  return page.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

std::set<int> codesOf(const std::string& text, const std::regex& pattern) {
  std::set<int> codes;
  for (std::sregex_iterator i(text.begin(), text.end(), pattern), end; i != end; ++i) {
    codes.insert(std::stoi((*i)[1]));
  }
  return codes;
}

}  // namespace

TEST(TwinDocs, EveryExitCodeIsDocumentedOnceAndTheSameEverywhere) {
  std::set<int> codes;
  for (const OutcomeRow& row : outcomeTable()) codes.insert(row.code);
  const std::string readme = fileText(kSource / "README.md");
  const std::string page = fileText(kSource / "packaging/man/tormisaplex-upload.1.in");
  EXPECT_EQ(codesOf(readme, std::regex(R"(\n\| (\d+) \| )")), codes) << "README exit code table";
  EXPECT_EQ(codesOf(section(page, "EXIT STATUS"), std::regex(R"(\n\.B (\d+)\n)")), codes)
      << "man page EXIT STATUS";
  const std::string help = usageText();
  EXPECT_EQ(codesOf(help, std::regex(R"(\n  (\d+) +\S)")), codes) << help;
  for (const OutcomeRow& row : outcomeTable()) {
    if (row.outcome == Outcome::Usage) continue;  // never a result: the run did not begin
    EXPECT_NE(readme.find("`" + std::string(row.name) + "`"), std::string::npos) << row.name;
    EXPECT_NE(page.find("\\fB" + std::string(row.name) + "\\fP"), std::string::npos) << row.name;
  }
}

namespace {

// The «quoted» messages of a page's DIAGNOSTICS, each up to its first placeholder (a leading
// one, \fICOMn\fP, left out).
std::vector<std::string> quotedMessages(const std::string& name) {
  const std::string text =
      section(fileText(kSource / "packaging/man" / (name + ".1.in")), "DIAGNOSTICS");
  const std::regex quoted(R"(\\\(Fo(.*?)\\\(Fc)");
  std::vector<std::string> messages;
  for (std::sregex_iterator i(text.begin(), text.end(), quoted), end; i != end; ++i) {
    std::string message = std::regex_replace((*i)[1].str(), std::regex(R"(^\\fI.*?\\fP:? ?)"), "");
    message = message.substr(0, message.find("\\f"));
    messages.push_back(std::regex_replace(message, std::regex(R"(\\-)"), "-"));
  }
  return messages;
}

}  // namespace

// Each quoted message is in the program's sources, so that a user can find on the page what
// the program said; and every reason the window gives for a port it cannot open is on the
// window's page, so that the page cannot send a technician after the wrong cause.
TEST(TwinDocs, TheManualsQuoteWhatTheProgramsShow) {
  std::string sources;
  for (const char* dir : {"app", "app/cli", "elements"}) {
    for (const auto& entry : std::filesystem::directory_iterator(kSource / dir)) {
      if (entry.path().extension() == ".cpp") sources += fileText(entry.path());
    }
  }
  for (const char* name : {"tormisaplex-uploader", "tormisaplex-upload"}) {
    for (const std::string& message : quotedMessages(name)) {
      EXPECT_FALSE(message.empty()) << name;
      EXPECT_NE(sources.find(message), std::string::npos) << name << ": " << message;
    }
  }
  const std::vector<std::string> window = quotedMessages("tormisaplex-uploader");
  for (hi::OpenFailureKind kind :
       {hi::OpenFailureKind::NoSuchPort, hi::OpenFailureKind::Gone, hi::OpenFailureKind::Permission,
        hi::OpenFailureKind::Busy, hi::OpenFailureKind::NotSerial, hi::OpenFailureKind::Console,
        hi::OpenFailureKind::Other}) {
    hi::OpenFailure failure;
    failure.kind = kind;
    const std::string shown = hi::cp1251ToUtf8(hi::openFailureText("COM7", failure)).substr(6);
    const bool quoted = std::any_of(window.begin(), window.end(), [&](const std::string& m) {
      return !m.empty() && shown.compare(0, m.size(), m) == 0;
    });
    EXPECT_TRUE(quoted) << "the window's manual does not quote: " << shown;
  }
}
