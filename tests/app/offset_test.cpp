#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/offset_box.hpp"
#include "platform/system.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/fakes/fake_window.hpp"
#include "tests/fakes/recording_events.hpp"
#include "tests/support/bytes.hpp"

namespace lanqi {
namespace {

using platform::Control;

TEST(ToInteger, ReadsTheLeadingNumber) {
  const struct {
    std::string text;
    std::int32_t expected;
  } cases[] = {
      {"", 0},
      {"0", 0},
      {"-300", -300},
      {"+17", 17},
      {" 42", 42},
      {"\t\r\n\v\f 42", 42},
      {"42\r\n", 42},
      {"12abc", 12},
      {"007", 7},
      {"-0", 0},
      {"abc", 0},
      {"-", 0},
      {"+-5", 0},
      {"- 5", 0},
      // clang-format off
      {"\xEF\xBB\xBF" "5", 0},     // a byte-order mark before the digits
      {"\xA3\xB1\xA3\xB2", 12},  // full-width 1 2; the folding's own cases are its table's
      {"\xA3\xAD\xA3\xB3", -3},  // full-width minus, 3
      // clang-format on
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MAX},
      {"-2147483649", INT32_MIN},
      {"99999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999", INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(ToInteger(c.text), c.expected) << c.text;
}

struct FileAndGate {
  explicit FileAndGate(platform::DirectoryFiles& files) : file(files) {}
  OffsetFile file;
  GuardGate gate;
};
// The box over a file of its own, as the program assembles them.
struct OffsetEditor : FileAndGate, OffsetBox {
  OffsetEditor(platform::Window& window, ClockState& state, platform::DirectoryFiles& files)
      : FileAndGate(files), OffsetBox(window, state, file, gate) {}
};

struct Offset : ::testing::Test {
  // The offset box's change events go to the editor in use, as the main window's handlers do.
  Offset() {
    events.onContentChanged = [this](Control editBox) {
      if (editBox != platform::kOffsetBox) return;
      // A rewrite that kept raising itself would run away long before this.
      if (++boxChanges > 100) FAIL() << "the box's change handler does not come to rest";
      editorInUse->OnOffsetBoxChanged();
    };
    window.Attach(&events);
  }
  // The file's bytes as text; "<none>" when it is missing.
  std::string FileText() {
    const auto bytes = testing::ReadUpTo(*files, OffsetFile::kFileName, 1 << 16);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
  }
  void WriteFile(const std::string& text) {
    ASSERT_TRUE(files->Replace(OffsetFile::kFileName, testing::AsBytes(text)));
  }
  // Box, memory and file all hold the same number.
  void ExpectEverywhere(const std::string& text) {
    EXPECT_EQ(window.Text(platform::kOffsetBox), text);
    EXPECT_EQ(std::to_string(state.offsetSeconds.load()), text);
    EXPECT_EQ(FileText(), text);
    EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
  }
  void Type(const std::string& text) { window.SetText(platform::kOffsetBox, text); }
  // As the box is at start-up, before any handler runs.
  void ClearBoxQuietly(const std::string& text = "") {
    window.Attach(nullptr);
    window.SetText(platform::kOffsetBox, text);
    window.Attach(&events);
  }

  testing::TempFolder folder;
  std::unique_ptr<platform::DirectoryFiles> files = platform::DirectoryFilesIn(folder.path());
  testing::FakeWindow window;
  ClockState state;
  OffsetEditor editor{window, state, *files};
  OffsetEditor* editorInUse = &editor;
  int boxChanges = 0;
  testing::RecordingEvents events;
};

TEST_F(Offset, NoFileGivesZeroAndCreatesTheOneByteFile) {
  editor.LoadOffset();
  ExpectEverywhere("0");
}

TEST_F(Offset, StoredTextIsReadAndRewrittenCanonically) {
  const struct {
    std::string stored, shown;
  } cases[] = {
      {"-300", "-300"},
      {" 42", "42"},
      {"42\r\n", "42"},
      {"12abc", "12"},
      {std::string("7\0"
                   "99",
                   4),
       "7"},  // bytes after a zero byte are not read
      {"\xEF\xBB\xBF"
       "42",
       "0"},
      {"", "0"},
      {"2147483647", "2147483647"},
      {"2147483648", "2147483647"},
      {"-2147483648", "-2147483648"},
      {"-9999999999", "-2147483648"},
  };
  for (const auto& c : cases) {
    WriteFile(c.stored);
    ClearBoxQuietly();
    editor.LoadOffset();
    ExpectEverywhere(c.shown);
  }
}

// The whole file is read: a number after thousands of blanks or zeros is still the number.
TEST_F(Offset, LongFilesAreReadWholeUpToTheLimit) {
  const struct {
    std::string stored, shown;
  } cases[] = {
      {std::string(5000, '0') + "42", "42"},
      {std::string(5000, ' ') + "-7", "-7"},
      {std::string(OffsetFile::kReadLimitBytes - 2, '\t') + "13", "13"},  // exactly the limit
  };
  for (const auto& c : cases) {
    WriteFile(c.stored);
    ClearBoxQuietly();
    editor.LoadOffset();
    ExpectEverywhere(c.shown);
  }
}

// A file over the limit is no offset file of ours, and one that is there but cannot be read
// (held by another program at logon) may hold the user's offset: the offset is 0 for this run and
// the file stays as it is, also through the save on the window's destruction, until the user
// sets one.
TEST_F(Offset, FileThatCannotBeTakenIsLeftUntouchedUntilTheUserChangesTheOffset) {
  std::string big(2 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('0' + i % 7);
  const struct {
    const char* what;
    std::string stored;
    bool unreadable;
    std::string afterRelease, afterStep;
  } cases[] = {
      {"over the limit", big, false, "0", "1"},
      // Taken once its holder lets go: the user's offset comes back rather than 0 staying.
      {"unreadable", "30", true, "30", "31"},
  };
  for (const auto& c : cases) {
    WriteFile(c.stored);
    ClearBoxQuietly();
    testing::FakeDirectoryFiles held(*files);
    held.unreadable = c.unreadable;
    OffsetEditor heldEditor(window, state, held);
    editorInUse = &heldEditor;
    heldEditor.LoadOffset();
    EXPECT_EQ(window.Text(platform::kOffsetBox), "0") << c.what;
    EXPECT_EQ(state.offsetSeconds.load(), 0) << c.what;
    heldEditor.TakeOutsideChange(1000);
    heldEditor.SaveOffsetAtEnd(1000);  // as when the window is destroyed
    EXPECT_EQ(held.replaces, 0) << c.what;
    const auto kept = testing::ReadUpTo(*files, OffsetFile::kFileName, c.stored.size() + 1);
    ASSERT_TRUE(kept) << c.what;
    EXPECT_TRUE(std::string(kept->begin(), kept->end()) == c.stored) << c.what;

    held.unreadable = false;
    heldEditor.TakeOutsideChange(2000);
    EXPECT_EQ(window.Text(platform::kOffsetBox), c.afterRelease) << c.what;
    EXPECT_EQ(held.replaces, 0) << c.what;
    heldEditor.StepOffset(+1);
    ExpectEverywhere(c.afterStep);
  }
}

// A save a crash interrupted leaves its temporary file, which the next start removes. Where the
// file itself is gone (the replacement failed after the old file had left its name), the newest
// temporary file holds the last offset and takes the file's place.
TEST_F(Offset, LoadTidiesTheTemporaryFilesOfACrashedSave) {
  // The name as the file system spells it, from a file a save made.
  WriteFile("3");
  const std::filesystem::path offsetPath =
      std::filesystem::directory_iterator(folder.path())->path();
  auto leftover = [&](const char* name, const char* content, int ageSeconds) {
    std::filesystem::path path = offsetPath;
    path += name;  // process ids no running process has
    std::ofstream(path) << content;
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
    return path;
  };
  const struct {
    const char* what;
    bool fileThere;
    std::string shown;
  } cases[] = {
      {"file there", true, "3"},
      {"file gone", false, "6"},
  };
  for (const auto& c : cases) {
    if (!c.fileThere) std::filesystem::remove(offsetPath);
    const auto older = leftover(".999999998.0.tmp", "5", 60);
    const auto newer = leftover(".999999999.0.tmp", "6", 10);
    ClearBoxQuietly();
    editor.LoadOffset();
    EXPECT_FALSE(std::filesystem::exists(older)) << c.what;
    EXPECT_FALSE(std::filesystem::exists(newer)) << c.what;
    ExpectEverywhere(c.shown);
  }
}

// The program runs elevated: a folder that standard users can change brings one warning in the
// log, and from then on no link is followed. A closed folder brings neither.
TEST_F(Offset, FolderOpenToStandardUsersBringsOneWarningAndDistrustsLinks) {
  for (const bool open : {false, true}) {
    testing::FakeWindow freshWindow;
    testing::FakeDirectoryFiles checked(*files);
    checked.openToStandardUsers = open;
    OffsetEditor checkedEditor(freshWindow, state, checked);
    checkedEditor.LoadOffset();
    checkedEditor.StepOffset(+1);
    EXPECT_EQ(checked.askedAboutFile, OffsetFile::kFileName);
    EXPECT_EQ(checked.linksDistrusted, open);
    EXPECT_EQ(freshWindow.Text(platform::kLogBox), open ? OffsetBox::kOpenFolderWarning : "");
  }
}

TEST_F(Offset, LoadWhenTheBoxAlreadyShowsTheNumberStillWritesTheFile) {
  ClearBoxQuietly("0");
  editor.LoadOffset();
  ExpectEverywhere("0");
}

TEST_F(Offset, StepButtonsMoveByOneSecond) {
  editor.LoadOffset();
  editor.StepOffset(+1);
  editor.StepOffset(+1);
  ExpectEverywhere("2");
  for (int i = 0; i < 3; ++i) editor.StepOffset(-1);
  ExpectEverywhere("-1");
  editor.StepOffset(+1);
  ExpectEverywhere("0");
  editor.StepOffset(-1);
  ExpectEverywhere("-1");
}

TEST_F(Offset, StepsStopAtTheEndsOfTheRange) {
  WriteFile("2147483646");
  editor.LoadOffset();
  editor.StepOffset(+1);
  ExpectEverywhere("2147483647");
  editor.StepOffset(+1);
  ExpectEverywhere("2147483647");

  Type("-2147483647");
  editor.StepOffset(-1);
  ExpectEverywhere("-2147483648");
  editor.StepOffset(-1);
  ExpectEverywhere("-2147483648");
}

TEST_F(Offset, TypedTextBecomesTheCanonicalNumber) {
  editor.LoadOffset();
  const struct {
    std::string typed, shown;
  } cases[] = {
      {"a", "0"},
      {"-300", "-300"},  // a whole negative number pasted at once
      {"\xA3\xB1\xA3\xB2", "12"},
      {"0042", "42"},
      {"99999999999", "2147483647"},
  };
  for (const auto& c : cases) {
    boxChanges = 0;
    Type(c.typed);
    ExpectEverywhere(c.shown);
    // The typed change and at most one rewrite, which finds the box canonical and stops.
    EXPECT_LE(boxChanges, 2) << c.typed;
  }
}

// An empty box or a lone sign is a number still being typed: rewritten to 0, the next key would
// land after that zero. It stays as typed while the offset 0 is in force and saved.
TEST_F(Offset, NumberBeingStartedIsLeftAsTyped) {
  editor.LoadOffset();
  for (const std::string typed : {"", "-", "+", " - ", "\xA3\xAD"}) {
    Type("7");
    Type(typed);
    EXPECT_EQ(window.Text(platform::kOffsetBox), typed);
    EXPECT_EQ(state.offsetSeconds.load(), 0) << typed;
    EXPECT_EQ(FileText(), "0") << typed;
  }
}

// Each change of the offset, typed or stepped, reaches the file exactly once, also when the box
// has to be rewritten to the canonical form.
TEST_F(Offset, EachChangeIsSavedOnce) {
  testing::FakeDirectoryFiles counting(*files);
  OffsetEditor counted{window, state, counting};
  editorInUse = &counted;
  counted.LoadOffset();
  EXPECT_EQ(counting.replaces, 1);
  for (const std::string typed : {"7", "0042", "x", "-300"}) {
    counting.replaces = 0;
    Type(typed);
    EXPECT_EQ(counting.replaces, 1) << typed;
  }
  counting.replaces = 0;
  counted.StepOffset(+1);
  EXPECT_EQ(counting.replaces, 1);
  ExpectEverywhere("-299");
}

// A window that adds a character to whatever it is given: the rewrite can never settle on the
// canonical text, and still the handler has to return.
TEST_F(Offset, RewriteComesToRestWhenTheBoxNeverShowsTheCanonicalText) {
  testing::RecordingEvents stubborn;
  int depth = 0, maxDepth = 0;
  stubborn.onContentChanged = [&](Control editBox) {
    if (editBox != platform::kOffsetBox || depth > 50) return;
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    window.Attach(nullptr);
    window.SetText(platform::kOffsetBox, window.Text(platform::kOffsetBox) + "x");
    window.Attach(&stubborn);
    editor.OnOffsetBoxChanged();
    --depth;
  };
  window.Attach(&stubborn);
  window.SetText(platform::kOffsetBox, "7");
  EXPECT_LE(maxDepth, 2);
  EXPECT_EQ(state.offsetSeconds.load(), 7);
  EXPECT_EQ(FileText(), "7");
}

// Running as root, a read-only folder does not stop the save; a directory standing where the
// file should be makes the replacement fail for every user.
TEST_F(Offset, SaveThatCannotReplaceTheFileKeepsTheValueInMemory) {
  // The name as the file system spells it: let a save make the file, then put a folder there.
  WriteFile("0");
  const std::filesystem::path offsetPath =
      std::filesystem::directory_iterator(folder.path())->path();
  std::filesystem::remove(offsetPath);
  std::filesystem::create_directory(offsetPath);
  editor.LoadOffset();
  editor.StepOffset(+1);
  EXPECT_EQ(window.Text(platform::kOffsetBox), "1");
  EXPECT_EQ(state.offsetSeconds.load(), 1);
  Type("-300");
  EXPECT_EQ(state.offsetSeconds.load(), -300);
  EXPECT_TRUE(std::filesystem::is_directory(offsetPath));
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
}

// Another copy of the program writes the shared file; each tick's look takes what it wrote, and
// only that. Each row runs its steps from a loaded file holding 0.
TEST_F(Offset, LooksTakeWhatSomeoneElseWroteAndNothingElse) {
  using Stamp = platform::DirectoryFiles::Stamp;
  const std::string big(OffsetFile::kReadLimitBytes + 1, '9');
  const struct {
    const char* what;
    std::function<void(OffsetEditor&, testing::FakeDirectoryFiles&)> steps;
    std::string box, file;
    int savesAfterLoad, readsAtLooks;
  } rows[] = {
      {"another copy's value is taken and not saved back",
       [&](OffsetEditor& e, auto&) {
         WriteFile("7");
         e.TakeOutsideChange(1000);
       },
       "7", "7", 0, 1},
      {"the program's own saves read back as its own",
       [&](OffsetEditor& e, auto&) {
         e.StepOffset(+1);
         e.StepOffset(+1);
         for (std::uint64_t t = 1000; t < 10000; t += 500) e.TakeOutsideChange(t);
       },
       "2", "2", 2, 6},
      {"a failed save (a locked file) keeps the newer value in force, not the file's older one",
       [&](OffsetEditor& e, testing::FakeDirectoryFiles& f) {
         e.StepOffset(+1);
         f.refuseReplace = true;
         e.StepOffset(+1);
         e.TakeOutsideChange(1000);  // tried again at each look
         e.SaveOffsetAtEnd(2000);
       },
       "2", "1", 4, 0},
      {"a failed save lands at a later look, and only then stops",
       [&](OffsetEditor& e, testing::FakeDirectoryFiles& f) {
         f.refuseReplace = true;
         e.StepOffset(+1);
         e.TakeOutsideChange(1000);
         f.refuseReplace = false;
         for (std::uint64_t t = 2000; t < 10000; t += 1000) e.TakeOutsideChange(t);
       },
       "1", "1", 3, 3},
      {"quick writes under one stamp are read for three seconds after it changed",
       [&](OffsetEditor& e, testing::FakeDirectoryFiles& f) {
         f.frozenStamp = Stamp{2, 1};
         WriteFile("5");
         e.TakeOutsideChange(1000);
         EXPECT_EQ(state.offsetSeconds.load(), 5);
         WriteFile("6");
         e.TakeOutsideChange(3900);
         EXPECT_EQ(state.offsetSeconds.load(), 6);
         WriteFile("8");
         for (std::uint64_t t = 4000; t < 10000; t += 500) e.TakeOutsideChange(t);
       },
       "6", "8", 0, 2},
      {"unreadable at a look: taken once it can be read",
       [&](OffsetEditor& e, testing::FakeDirectoryFiles& f) {
         WriteFile("8");
         f.unreadable = true;
         e.TakeOutsideChange(1000);
         EXPECT_EQ(state.offsetSeconds.load(), 0);
         f.unreadable = false;
         e.TakeOutsideChange(9000);
       },
       "8", "8", 0, 2},
      {"over the limit: nothing changes, and the end keeps the file",
       [&](OffsetEditor& e, auto&) {
         WriteFile(big);
         e.TakeOutsideChange(1000);
         e.SaveOffsetAtEnd(2000);
       },
       "0", "99999999", 0, 2},
      {"removed: nothing changes, and the end writes it anew",
       [&](OffsetEditor& e, auto&) {
         std::filesystem::remove(std::filesystem::directory_iterator(folder.path())->path());
         e.TakeOutsideChange(1000);
         e.SaveOffsetAtEnd(2000);
       },
       "0", "0", 1, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    WriteFile("0");
    ClearBoxQuietly();
    testing::FakeDirectoryFiles watched(*files);
    OffsetEditor watching(window, state, watched);
    editorInUse = &watching;
    watching.LoadOffset();
    const int savesAtLoad = watched.replaces;
    row.steps(watching, watched);
    EXPECT_EQ(window.Text(platform::kOffsetBox), row.box);
    EXPECT_EQ(std::to_string(state.offsetSeconds.load()), row.box);
    EXPECT_EQ(FileText().substr(0, 8), row.file.substr(0, 8));
    EXPECT_EQ(watched.replaces - savesAtLoad, row.savesAfterLoad);
    EXPECT_EQ(watched.readsNow, row.readsAtLooks);
  }
}

}  // namespace
}  // namespace lanqi
