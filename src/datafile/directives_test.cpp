// Directive lines and file lists: title, table choice, change of directory,
// and the loading of listed files with its loop guard.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::ScratchDir;
using testing::writeFile;

// Renders a loaded file as one line: its title, each non-empty table with its
// entries (a run of equal entries as text*count), then each kept sub-file in
// brackets, rendered the same way.
std::string dump(const DataFile& file) {
  std::string out = "title=" + file.title();
  for (int index = 0; index < TABLE_COUNT; ++index) {
    const Table& table = file.table(index);
    if (table.empty()) continue;
    out.append(" t").append(std::to_string(index)).append("=");
    std::uint64_t position = 0;
    while (position < table.size()) {
      const std::string_view text = table.entryAt(position);
      std::uint64_t count = 1;
      while (position + count < table.size() && table.entryAt(position + count) == text) ++count;
      if (position > 0) out += ",";
      out += std::string(text);
      if (count > 1) out.append("*").append(std::to_string(count));
      position += count;
    }
  }
  for (const DataFile& subfile : file.subfiles()) {
    out += " [" + subfile.filename() + ": " + dump(subfile) + "]";
  }
  return out;
}

std::string load(Engine& engine, const std::string& name) {
  return dump(DataFile(engine, name, nullptr));
}

std::string load(const std::string& name) {
  testing::TestEngine test;
  return load(test.engine, name);
}

// Collects what loading reports instead of writing it or ending the run.
class Recorder : public LoadObserver {
 public:
  explicit Recorder(Engine& engine) : engine_(engine) { engine_.loadObserver = this; }
  ~Recorder() override { engine_.loadObserver = nullptr; }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  void problem(const DataFile& file, const LoadProblem& problem) override {
    problems.push_back(file.filename() + ":" + std::to_string(problem.line) + ": " +
                       std::string(problem.message));
  }
  void loaded(const DataFile& file) override { loadedFiles.push_back(file.filename()); }

  std::vector<std::string> problems;
  std::vector<std::string> loadedFiles;

 private:
  Engine& engine_;
};

struct DirectiveCase {
  const char* content;
  const char* expected;
};

TEST(DirectiveTest, KeysAndTheTextAfterThem) {
  const DirectiveCase cases[] = {
      {"%title:orc names\na\n", "title=Orc names t0=a"},
      // The text after the key is kept as it is: a leading blank stays the
      // first character, so nothing is raised.
      {"%title: orc names \na\n", "title= orc names  t0=a"},
      {"%title:1st orcs\n", "title=1st orcs"},
      {"%title:first\n%title:second\n", "title=Second"},
      // A key counts anywhere in the line, and only its first occurrence.
      {"%title:a%title:b\n", "title=A%title:b"},
      // Several keys: the title comes before the table, whatever their
      // order in the line.
      {"%title:x %table 3\na\n", "title=X %table 3 t0=a"},
      {"%table 3\na\n", "title=No Title t3=a"},
      {"%table \t+3x\na\n", "title=No Title t3=a"},
      {"%table 19\na\n", "title=No Title t19=a"},
      {"%table 2\na\n%table\nb\n", "title=No Title t0=b t2=a"},
      {"%table 2\na\n%tablecloth 5\nb\n", "title=No Title t0=b t2=a"},
      // A directive without a key changes nothing.
      {"%table 2\n%\na\n%end\nb\n", "title=No Title t2=a,b"},
      // Only the first character makes a directive.
      {" %table 2\na\n", "title=No Title t0=%table 2,a"},
  };
  for (const DirectiveCase& c : cases) {
    ScratchDir dir;
    writeFile("d.dat", c.content);
    EXPECT_EQ(c.expected, load("d.dat")) << c.content;
  }
}

TEST(DirectiveTest, OutOfRangeTableDropsEntriesUntilTheNextValidOne) {
  ScratchDir dir;
  writeFile("d.dat",
            "%table 2\na\n%table 20\nb\n%table -1\nc\n%table 1\nd\n%table 99999999999\ne\n");
  testing::TestEngine test;
  Recorder recorder(test.engine);
  const DataFile file(test.engine, "d.dat", nullptr);
  EXPECT_EQ("title=No Title t1=d t2=a", dump(file));
  EXPECT_EQ(0, file.currentTable());
  const std::string message = ": Invalid table id; must be in the range from 0 to 19 in file d.dat";
  EXPECT_EQ(
      (std::vector<std::string>{"d.dat:3" + message, "d.dat:5" + message, "d.dat:9" + message}),
      recorder.problems);
}

TEST(FileListTest, ListedFilesAreKeptInLineOrder) {
  ScratchDir dir;
  testing::TestEngine test;
  writeFile("top.dat",
            "%title:top\n%table 2\n%file list\nB.DAT\n\n# not a name\na.dat\nb.dat\n%end\nafter\n");
  writeFile("a.dat", "%title:alpha\nx:2\n%table 4\ny\n");
  writeFile("b.dat", "bee\n");
  const DataFile top(test.engine, "top.dat", nullptr);
  EXPECT_EQ(
      "title=Top t2=after [b.dat: title=No Title t0=bee] [a.dat: title=Alpha t0=x*2 t4=y]"
      " [b.dat: title=No Title t0=bee]",
      dump(top));
  ASSERT_EQ(3u, top.subfiles().size());
  for (const DataFile& subfile : top.subfiles()) {
    EXPECT_EQ(&top, subfile.parent());
    EXPECT_EQ(0, subfile.currentTable());
  }
}

TEST(FileListTest, KeysInsideOtherWordsStartAList) {
  const DirectiveCase cases[] = {
      {"%chdir: profiles\nn.dat\n", "title=No Title [n.dat: title=No Title t0=n]"},
      {"%table 3 files\nn.dat\n", "title=No Title [n.dat: title=No Title t0=n]"},
      // Any directive without "file" ends the list.
      {"%files\nn.dat\n%\nn.dat\n", "title=No Title t0=n.dat [n.dat: title=No Title t0=n]"},
      {"%files\nn.dat\n%title:x\nn.dat\n", "title=X t0=n.dat [n.dat: title=No Title t0=n]"},
  };
  for (const DirectiveCase& c : cases) {
    ScratchDir dir;
    writeFile("d.dat", c.content);
    writeFile("n.dat", "n\n");
    EXPECT_EQ(c.expected, load("d.dat")) << c.content;
  }
}

TEST(FileListTest, NestedListsAreLoadedAtOnceButCopiedWithoutSubfiles) {
  ScratchDir dir;
  writeFile("top.dat", "%files\nmid.dat\nleaf.dat\n");
  writeFile("mid.dat", "%title:mid\n%files\ninner.dat\n%end\nm\n");
  writeFile("inner.dat", "i\n");
  writeFile("leaf.dat", "l\n");
  testing::TestEngine test;
  Recorder recorder(test.engine);
  EXPECT_EQ("title=No Title [mid.dat: title=Mid t0=m] [leaf.dat: title=No Title t0=l]",
            load(test.engine, "top.dat"));
  EXPECT_EQ((std::vector<std::string>{"inner.dat", "mid.dat", "leaf.dat", "top.dat"}),
            recorder.loadedFiles);
}

TEST(FileListTest, ALoopIsFoundUnderOtherNames) {
  ScratchDir dir;
  testing::TestEngine test;
  // The same file by another name, and the same directory by another path.
  writeFile("self.dat", "%files\nok.dat\nalias.dat\n");
  writeFile("ok.dat", "ok\n");
  std::filesystem::create_symlink("self.dat", "alias.dat");
  writeFile("again.dat", "%chdir:sub/..\n%files\nagain.dat\n");
  std::filesystem::create_directory("sub");
  EXPECT_EQ("-8 File list loop: alias.dat is already being loaded",
            testing::endingOf([&] { DataFile(test.engine, "self.dat", nullptr); }));
  EXPECT_EQ("-8 File list loop: again.dat is already being loaded",
            testing::endingOf([&] { DataFile(test.engine, "again.dat", nullptr); }));
}

TEST(FileListTest, SameFileFromAnotherDirectoryIsNoLoop) {
  ScratchDir dir;
  writeFile("top.dat", "%files\nd.dat\n");
  writeFile("d.dat", "%files\nnext.dat\n");
  writeFile("next.dat", "%chdir:sub\n%files\nd.dat\n");
  std::filesystem::create_directory("sub");
  std::filesystem::create_symlink("../d.dat", "sub/d.dat");
  writeFile("sub/next.dat", "leaf\n");
  testing::TestEngine test;
  Recorder recorder(test.engine);
  load(test.engine, "top.dat");
  EXPECT_EQ((std::vector<std::string>{"next.dat", "d.dat", "next.dat", "d.dat", "top.dat"}),
            recorder.loadedFiles);
  EXPECT_TRUE(recorder.problems.empty());
}

TEST(FileListTest, WithAnObserverAGuardSkipsTheFileAndLoadingGoesOn) {
  ScratchDir dir;
  writeFile("self.dat", "%files\nself.dat\nok.dat\n%end\nafter\n");
  writeFile("ok.dat", "ok\n");
  testing::TestEngine test;
  Recorder recorder(test.engine);
  EXPECT_EQ("title=No Title t0=after [self.dat: title=No Title] [ok.dat: title=No Title t0=ok]",
            load(test.engine, "self.dat"));
  EXPECT_EQ(
      (std::vector<std::string>{"self.dat:0: File list loop: self.dat is already being loaded"}),
      recorder.problems);
}

// Files that each list the next one twice: the first of `depth` files loads
// 2^depth - 1 files in all.
std::string chainName(char letter, int i) {
  std::string name(1, letter);
  name += std::to_string(i);
  name += ".dat";
  return name;
}

void writeDoublingChain(int depth) {
  for (int i = 1; i < depth; ++i) {
    const std::string next = chainName('w', i + 1);
    std::string list = "%file\n";
    list += next;
    list += '\n';
    list += next;
    list += '\n';
    writeFile(chainName('w', i), list);
  }
  writeFile(chainName('w', depth), "end\n");
}

TEST(FileListLimitTest, TheFileCountStartsAgainForEachDataFileLoaded) {
  testing::ScratchDir dir;
  writeDoublingChain(13);  // 8191 files: within the limit, twice over it
  testing::TestEngine test;
  Recorder recorder(test.engine);
  for (int operand = 0; operand < 2; ++operand) {
    const DataFile file(test.engine, "w1.dat", nullptr);
    EXPECT_EQ(std::vector<std::string>{}, recorder.problems) << "operand " << operand;
  }
}

TEST(FileListLimitTest, DepthAndFileCountAreTwoProblemsWithTheirLimits) {
  testing::ScratchDir dir;
  writeDoublingChain(15);
  for (int i = 1; i <= 101; ++i) {
    std::string list = "%file\n";
    list += chainName('d', i + 1);
    list += '\n';
    writeFile(chainName('d', i), list);
  }
  struct Limits : LoadObserver {
    void problem(const DataFile& file, const LoadProblem& problem) override {
      if (seen.empty()) seen = file.filename() + " " + std::to_string(problem.limit);
      events.push_back(problem.event);
    }
    std::string seen;
    std::vector<LoadProblem::Event> events;
  } deep, wide;
  testing::TestEngine test;
  test.engine.loadObserver = &deep;
  { const DataFile file(test.engine, "d1.dat", nullptr); }
  test.engine.loadObserver = &wide;
  { const DataFile file(test.engine, "w1.dat", nullptr); }
  EXPECT_EQ("d101.dat 100", deep.seen);
  EXPECT_EQ(LoadProblem::Event::FileListTooDeep, deep.events.at(0));
  EXPECT_EQ("w14.dat 10000", wide.seen);
  ASSERT_FALSE(wide.events.empty());
  for (const LoadProblem::Event event : wide.events) {
    EXPECT_EQ(LoadProblem::Event::TooManyFiles, event);
  }
}

// Files on disk of the same names, with other contents, that a load through
// another file system must not see.
void writeDecoys() {
  for (const char* name : {"top.dat", "lore/mid.dat", "lore/deep/leaf.dat", "lore/deep/side.dat"}) {
    writeFile(name, "decoy\n");
  }
}

// The listed files are found from wherever the last "%chdir:" led.
constexpr const char* kTop = "%chdir:lore\n%files\nmid.dat\nside.dat\n";
constexpr const char* kMid = "mid\n%chdir:deep\n%files\nleaf.dat\n";

TEST(FileSystemTest, FilesInMemoryWithListsAndChangesOfDirectory) {
  ScratchDir dir;
  const std::string start = SystemFileSystem().workingDirectory();
  writeDecoys();
  MemoryFileSystem files;
  files.addFile("top.dat", kTop);
  files.addFile("lore/mid.dat", kMid);
  files.addFile("lore/deep/leaf.dat", "leaf\n");
  files.addFile("lore/deep/side.dat", "side\n");
  MemoryConsole console;
  FixedClock clock;
  Engine engine(console, files, clock);
  EXPECT_EQ("title=No Title [mid.dat: title=No Title t0=mid] [side.dat: title=No Title t0=side]",
            load(engine, "top.dat"));
  // "%chdir:" moved the memory's directory, never the process's.
  EXPECT_EQ("/lore/deep", files.workingDirectory());
  EXPECT_EQ(start, SystemFileSystem().workingDirectory());
  EXPECT_FALSE(files.changeDirectory("nowhere"));
  EXPECT_FALSE(files.changeDirectory(""));
  EXPECT_EQ(nullptr, files.open("deep/"));
  EXPECT_EQ(nullptr, files.open("deep"));
}

TEST(FileSystemTest, BuffersOverTheDiskAndADirectoryOfTheirOwn) {
  ScratchDir dir;
  const std::string start = SystemFileSystem().workingDirectory();
  writeDecoys();
  writeFile("lore/deep/side.dat", "side on disk\n");
  OverlayFileSystem files;
  files.setBuffer("top.dat", kTop);
  files.setBuffer("lore/mid.dat", kMid);
  files.setBuffer("lore/deep/leaf.dat", "leaf\n");
  MemoryConsole console;
  FixedClock clock;
  Engine engine(console, files, clock);
  EXPECT_EQ(
      "title=No Title [mid.dat: title=No Title t0=mid] [side.dat: title=No Title t0=side on disk]",
      load(engine, "top.dat"));
  EXPECT_EQ(start + "/lore/deep", files.workingDirectory());
  EXPECT_EQ(start, SystemFileSystem().workingDirectory());
  // Without its buffer the file on disk shows again; a folder only buffers
  // hold can be entered.
  ASSERT_TRUE(files.changeDirectory(start));
  files.removeBuffer("lore/deep/leaf.dat");
  files.setBuffer("new/only.dat", "only\n");
  EXPECT_EQ("title=No Title t0=decoy", load(engine, "lore/deep/leaf.dat"));
  ASSERT_TRUE(files.changeDirectory("new"));
  EXPECT_EQ("title=No Title t0=only", load(engine, "only.dat"));
}

}  // namespace
}  // namespace weft
