// The help document: its sources hang together, and the build turns them into a complete
// "Molvane Help.chm" beside the program, where the help button looks for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Locations.h"
#include "Options.h"
#include "TempDir.h"

namespace {

namespace stdfs = std::filesystem;

// What the build recorded about itself, read from the cache of the build folder that ctest
// names. Empty when the tests run outside ctest.
struct BuildInfo {
  stdfs::path binaryDir;
  stdfs::path sourceDir;
  bool helpBuilt = false;
};

BuildInfo buildInfo() {
  BuildInfo info;
  const char* dir = std::getenv("MOLVANE_TEST_BINARY_DIR");
  if (!dir || !*dir) return info;
  info.binaryDir = dir;
  std::ifstream cache(info.binaryDir / "CMakeCache.txt");
  std::string line;
  while (std::getline(cache, line)) {
    auto value = [&line] { return line.substr(line.find('=') + 1); };
    if (line.rfind("CMAKE_HOME_DIRECTORY:", 0) == 0) info.sourceDir = value();
    // The help build looks for chmcmd only when it will use it (not when cross-compiling).
    if (line.rfind("CHMCMD_EXECUTABLE:", 0) == 0)
      info.helpBuilt = value().find("NOTFOUND") == std::string::npos;
  }
  return info;
}

// The help project: its options and the files it compiles.
struct HelpProject {
  std::map<std::string, std::string> options;
  std::vector<std::string> files;

  std::vector<std::string> pages() const {
    std::vector<std::string> out;
    for (const auto& f : files)
      if (stdfs::path(f).extension() == ".html") out.push_back(f);
    return out;
  }
};

HelpProject readProject(const stdfs::path& hhp) {
  HelpProject project;
  std::istringstream in(readText(hhp));
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[') {
      section = line;
    } else if (section == "[OPTIONS]") {
      const auto eq = line.find('=');
      if (eq != std::string::npos) project.options[line.substr(0, eq)] = line.substr(eq + 1);
    } else if (section == "[FILES]") {
      project.files.push_back(line);
    }
  }
  return project;
}

// A CHM file's directory: every stored file name and its length. Throws on a malformed file,
// so a truncated or foreign file fails the test with the reason.
class ChmDirectory {
public:
  explicit ChmDirectory(const std::string& data) : d_(data) {
    if (d_.compare(0, 4, "ITSF") != 0) fail("no ITSF signature");
    const std::uint64_t dirOffset = u64(0x48);
    const std::uint64_t dirLength = u64(0x50);
    if (dirOffset + dirLength > d_.size()) fail("directory lies beyond the end of the file");
    if (d_.compare(dirOffset, 4, "ITSP") != 0) fail("no ITSP directory header");
    const std::uint32_t headerLength = u32(dirOffset + 0x08);
    const std::uint32_t chunkSize = u32(dirOffset + 0x10);
    const std::int32_t firstListing = static_cast<std::int32_t>(u32(dirOffset + 0x20));
    const std::uint32_t chunkCount = u32(dirOffset + 0x2C);
    if (chunkSize < 0x14 || headerLength + std::uint64_t(chunkSize) * chunkCount > dirLength)
      fail("directory chunks do not fit the directory");
    const std::uint64_t chunks = dirOffset + headerLength;
    std::int32_t chunk = firstListing;
    for (std::uint32_t visited = 0; chunk != -1; ++visited) {
      if (chunk < 0 || static_cast<std::uint32_t>(chunk) >= chunkCount || visited >= chunkCount)
        fail("listing chunks are not a chain");
      const std::uint64_t at = chunks + std::uint64_t(chunkSize) * static_cast<std::uint32_t>(chunk);
      if (d_.compare(at, 4, "PMGL") != 0) fail("listing chunk without PMGL signature");
      const std::uint32_t freeSpace = u32(at + 0x04);
      if (freeSpace > chunkSize - 0x14) fail("listing chunk's free space is too large");
      std::uint64_t p = at + 0x14;
      const std::uint64_t end = at + chunkSize - freeSpace;
      while (p < end) {
        const std::uint64_t nameLength = encint(p, end);
        if (p + nameLength > end) fail("entry name runs past its chunk");
        std::string name = d_.substr(p, nameLength);
        p += nameLength;
        encint(p, end);  // content section
        encint(p, end);  // offset
        entries_[name] = encint(p, end);
      }
      chunk = static_cast<std::int32_t>(u32(at + 0x10));
    }
  }

  bool has(const std::string& name) const { return entries_.count(name) != 0; }
  std::uint64_t length(const std::string& name) const { return entries_.at(name); }

private:
  [[noreturn]] static void fail(const std::string& why) {
    throw std::runtime_error("not a valid CHM file: " + why);
  }
  std::uint64_t byteAt(std::uint64_t at) const {
    if (at >= d_.size()) fail("read beyond the end of the file");
    return static_cast<unsigned char>(d_[at]);
  }
  std::uint32_t u32(std::uint64_t at) const {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint32_t>(byteAt(at + i));
    return v;
  }
  std::uint64_t u64(std::uint64_t at) const { return u32(at) | (std::uint64_t(u32(at + 4)) << 32); }
  // The directory's variable-length numbers: seven bits a byte, most significant first.
  std::uint64_t encint(std::uint64_t& p, std::uint64_t end) const {
    std::uint64_t v = 0;
    for (int i = 0; i < 9; ++i) {
      if (p >= end) fail("number runs past its chunk");
      const std::uint64_t b = byteAt(p++);
      v = (v << 7) | (b & 0x7F);
      if (!(b & 0x80)) return v;
    }
    fail("number too long");
  }

  const std::string& d_;
  std::map<std::string, std::uint64_t> entries_;
};

// Every local link target in an HTML or sitemap text: href="..." and <param name="Local" ...>.
std::vector<std::string> linkTargets(const std::string& text) {
  std::vector<std::string> out;
  static const std::regex href(R"re(href="([^"]*)")re", std::regex::icase);
  static const std::regex local(R"re(name="Local"\s+value="([^"]*)")re", std::regex::icase);
  for (const auto* re : {&href, &local})
    for (std::sregex_iterator it(text.begin(), text.end(), *re), e; it != e; ++it)
      out.push_back((*it)[1]);
  return out;
}

std::set<std::string> anchorsOf(const std::string& html) {
  std::set<std::string> out;
  static const std::regex name(R"re(<a\s+name="([^"]*)")re", std::regex::icase);
  for (std::sregex_iterator it(html.begin(), html.end(), name), e; it != e; ++it)
    out.insert((*it)[1]);
  return out;
}

class HelpFile : public ::testing::Test {
protected:
  void SetUp() override {
    info_ = buildInfo();
    if (info_.binaryDir.empty()) GTEST_SKIP() << "MOLVANE_TEST_BINARY_DIR is not set; run through ctest";
    ASSERT_FALSE(info_.sourceDir.empty()) << "no CMAKE_HOME_DIRECTORY in the build's cache";
    helpDir_ = info_.sourceDir / "res" / "help";
    project_ = readProject(helpDir_ / "Molvane.hhp");
  }

  BuildInfo info_;
  stdfs::path helpDir_;
  HelpProject project_;
};

}  // namespace

TEST_F(HelpFile, ProjectCompilesTheFileTheProgramOpens) {
  EXPECT_EQ(project_.options["Compiled file"], Locations::kHelpFileName);
  for (const char* option : {"Contents file", "Index file", "Default topic"}) {
    ASSERT_TRUE(project_.options.count(option)) << option;
    EXPECT_TRUE(stdfs::is_regular_file(helpDir_ / project_.options[option])) << option;
  }
  const auto pages = project_.pages();
  EXPECT_NE(std::find(pages.begin(), pages.end(), project_.options["Default topic"]), pages.end());
}

TEST_F(HelpFile, EveryPageIsCompiledAndInTheContents) {
  std::set<std::string> listed(project_.files.begin(), project_.files.end());
  for (const auto& f : project_.files)
    EXPECT_TRUE(stdfs::is_regular_file(helpDir_ / f)) << f << " is listed but missing";
  for (const auto& entry : stdfs::directory_iterator(helpDir_)) {
    const auto ext = entry.path().extension();
    if (ext == ".html" || ext == ".css") {
      EXPECT_TRUE(listed.count(entry.path().filename().string()))
          << entry.path().filename() << " is not in the project's [FILES]";
    }
  }
  const std::string contents = readText(helpDir_ / project_.options["Contents file"]);
  const auto targets = linkTargets(contents);
  for (const auto& page : project_.pages()) {
    EXPECT_NE(std::find(targets.begin(), targets.end(), page), targets.end())
        << page << " is not in the table of contents";
    EXPECT_TRUE(std::regex_search(readText(helpDir_ / page), std::regex("<title>[^<]+</title>")))
        << page << " has no title";
  }
}

// A broken link in a help viewer is a dead end for the user; chmcmd does not refuse one.
TEST_F(HelpFile, EveryLinkLeadsToACompiledPageAndAnchor) {
  std::set<std::string> listed(project_.files.begin(), project_.files.end());
  std::vector<std::string> sources = project_.pages();
  sources.push_back(project_.options["Contents file"]);
  sources.push_back(project_.options["Index file"]);
  std::map<std::string, std::set<std::string>> anchors;
  for (const auto& page : project_.pages()) anchors[page] = anchorsOf(readText(helpDir_ / page));
  for (const auto& source : sources) {
    for (const auto& target : linkTargets(readText(helpDir_ / source))) {
      if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
      const auto hash = target.find('#');
      const std::string file = target.substr(0, hash);
      if (file.empty() && hash == std::string::npos) continue;
      const std::string page = file.empty() ? source : file;
      EXPECT_TRUE(listed.count(page)) << source << " links to " << target;
      if (hash != std::string::npos && anchors.count(page)) {
        EXPECT_TRUE(anchors[page].count(target.substr(hash + 1)))
            << source << " links to a missing anchor: " << target;
      }
    }
  }
}

TEST_F(HelpFile, BuiltBesideTheProgramAsAValidChmHoldingEveryPage) {
  if (!info_.helpBuilt) GTEST_SKIP() << "this build has no chmcmd, so it makes no help file";
  const stdfs::path built = info_.binaryDir / Locations::kHelpFileName;
  ASSERT_TRUE(stdfs::is_regular_file(built)) << built;
  const std::string data = readText(built);
  ASSERT_GE(data.size(), 0x60u);
  EXPECT_EQ(data.substr(0, 4), "ITSF");
  const ChmDirectory directory(data);
  for (const auto& f : project_.files) {
    ASSERT_TRUE(directory.has("/" + f)) << f << " is not in the compiled help";
    EXPECT_GT(directory.length("/" + f), 0u) << f;
  }
  for (const char* option : {"Contents file", "Index file"})
    EXPECT_TRUE(directory.has("/" + project_.options[option])) << option;
  EXPECT_TRUE(directory.has("/#SYSTEM"));
}

// The program's own path, as the entry hands it down, leads the help button to the built file.
TEST_F(HelpFile, TheHelpButtonsTargetIsTheBuiltFile) {
  if (!info_.helpBuilt) GTEST_SKIP() << "this build has no chmcmd, so it makes no help file";
  const std::string executable = toProgramPath(info_.binaryDir / "molvane");
  std::string target = helpFilePath(executable);
  std::replace(target.begin(), target.end(), '\\', '/');
  ASSERT_TRUE(stdfs::is_regular_file(target)) << target;
  EXPECT_TRUE(stdfs::equivalent(target, info_.binaryDir / Locations::kHelpFileName)) << target;
}
