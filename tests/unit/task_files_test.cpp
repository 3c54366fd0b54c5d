#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "Fakes.h"
#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "services/TextFile.h"

using namespace kestrelon;

namespace {

const DateTime kLoadTime{2026, 12, 8, 15, 0, 0};
const LocaleFormat kUS = LocaleFormat::EnglishUS();
constexpr IconRef kImgApp = 0xA11;

TaskFields CloseAfterRow() {
    return {L"notepad.exe", L"C:\\Windows\\notepad.exe", L"00000", L"2026/12/08 09:10:00", L"None",
            L"Close - After 00-00-10-00", L"Shutdown PC - Q"};
}
TaskFields RunNormalRow() {
    return {L"\"app.exe\" -x", L"\"C:\\Program Files\\a,b\\app.exe\" -x \"1,2\"", L"None", L"2026/12/09 08:00:00",
            L"Every Day", L"Run - Normal", L""};
}
TaskFields EmptyRow() {
    return {L"Empty", L"None", L"None", L"2020/01/01 00:00:00", L"00/01/00 (Day/Hour/Min)", L"Close - Normal",
            L" - Q"};
}

struct Files {
    MemoryFileStore store;
    Cp1252Codec codec;
    MemoryTaskTable table;

    TaskLoadResult Load(const std::wstring& path, const DateTime& now = kLoadTime) {
        return ReadTaskFile(path, table, kImgApp, store, codec, now, kUS);
    }
    TaskLoadResult LoadText(const std::string& bytes) {
        store.files[L"x.ktf"] = bytes;
        return Load(L"x.ktf");
    }
};

TEST(TaskFileWrite, ThreeRowsAreThreeLinesOfSixTabsEndingCrLf) {
    Files f;
    f.table.Add(CloseAfterRow());
    f.table.Add(RunNormalRow());
    f.table.Add(EmptyRow());
    ASSERT_TRUE(WriteTaskFile(L"t.ktf", f.table, f.store, f.codec, kUS).ok);
    const std::string bytes = f.store.files.at(L"t.ktf");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\t'), 18);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")),
              "notepad.exe\tC:\\Windows\\notepad.exe\t00000\t2026/12/08 09:10:00\tNone\t"
              "Close - After 00-00-10-00\tShutdown PC - Q");
    // The empty After field: a TAB is the last character before CR LF.
    const size_t second = bytes.find("\r\n") + 2;
    const std::string line2 = bytes.substr(second, bytes.find("\r\n", second) - second);
    EXPECT_EQ(line2.back(), '\t');

    // Read back into an empty list: the same fields, except the countdown
    // row, which counts down again from the moment of loading.
    MemoryTaskTable loaded;
    auto r = ReadTaskFile(L"t.ktf", loaded, kImgApp, f.store, f.codec, kLoadTime, kUS);
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.added, 3);
    ASSERT_EQ(loaded.Count(), 3);
    TaskFields rearmed = CloseAfterRow();
    rearmed[fCloseTime - 1] = L"2026/12/08 15:10:00";
    EXPECT_EQ(loaded.rows[0].fields, rearmed);
    EXPECT_EQ(loaded.rows[1].fields, RunNormalRow());  // commas, quotes, leading quote, empty last field
    EXPECT_EQ(loaded.rows[2].fields, EmptyRow());       // a past "Normal" row keeps its time
    for (auto& row : loaded.rows) EXPECT_EQ(loaded.images[row.image - 1], kImgApp);
}

TEST(TaskFileWrite, EmptyListIsZeroBytes) {
    Files f;
    ASSERT_TRUE(WriteTaskFile(L"t.ktf", f.table, f.store, f.codec, kUS).ok);
    EXPECT_EQ(f.store.files.at(L"t.ktf"), "");
    EXPECT_EQ(f.Load(L"t.ktf").added, 0);
}

TEST(TaskFileWrite, TabCrLfInsideAFieldBecomeBlanks) {
    Files f;
    TaskFields row = RunNormalRow();
    row[fPath - 1] = L"cmd.exe /c echo\ta\r\nb\rc\nd";
    f.table.Add(row);
    ASSERT_TRUE(WriteTaskFile(L"t.ktf", f.table, f.store, f.codec, kUS).ok);
    const std::string bytes = f.store.files.at(L"t.ktf");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\t'), 6);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 1);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1);

    MemoryTaskTable loaded;
    ReadTaskFile(L"t.ktf", loaded, kImgApp, f.store, f.codec, kLoadTime, kUS);
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(*loaded.Field(1, fPath), L"cmd.exe /c echo a  b c d");
    EXPECT_EQ(*loaded.Field(1, fType), L"Run - Normal");  // later fields did not shift
}

TEST(TaskFileWrite, AnsiCodePageAtTheFileBoundary) {
    Files f;
    TaskFields row = EmptyRow();
    row[fPath - 1] = L"C:\\Caf\u00e9\\\u20ac.exe";
    f.table.Add(row);
    WriteTaskFile(L"t.ktf", f.table, f.store, f.codec, kUS);
    EXPECT_NE(f.store.files.at(L"t.ktf").find("Caf\xe9\\\x80.exe"), std::string::npos);
    MemoryTaskTable loaded;
    ReadTaskFile(L"t.ktf", loaded, kImgApp, f.store, f.codec, kLoadTime, kUS);
    EXPECT_EQ(*loaded.Field(1, fPath), row[fPath - 1]);
}

TEST(TaskFileWrite, FailedWriteLeavesOldFileAndReportsReason) {
    Files f;
    f.table.Add(EmptyRow());
    f.store.files[L"t.ktf"] = "old";
    f.store.failWrites = true;
    FileResult r = WriteTaskFile(L"t.ktf", f.table, f.store, f.codec, kUS);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(f.store.files.at(L"t.ktf"), "old");
    const std::wstring msg = SaveTasksFailedMessage(L"D:\\lists\\my.ktf", r.error);
    EXPECT_NE(msg.find(L"D:\\lists\\my.ktf"), std::wstring::npos);
    EXPECT_NE(msg.find(L"Access is denied."), std::wstring::npos);
}

// Each letter of `pattern` as a task line of that Program.
std::string TaskLines(const char* pattern) {
    std::string out;
    for (const char* p = pattern; *p; ++p) {
        out += *p;
        if (*p >= 'a' && *p <= 'z') out += "\t\t\t\t\tRun - Normal\t";
    }
    return out;
}

TEST(TaskFileRead, LineEnds) {
    struct Case {
        const char* bytes;
        std::vector<std::wstring> programs;  // field 1 of each row
    } cases[] = {
        {"", {}},
        {"a\r\n", {L"a"}},
        {"a", {L"a"}},                            // last line without CR LF
        {"a\r\nb", {L"a", L"b"}},
        {"a\r\n\r\nb\r\n", {L"a", L"b"}},          // a blank line is no row
        {"\r\n", {}},
        {"a\rb\r", {L"a", L"b"}},                 // a lone CR ends a line
        {"a\nb\n", {L"a", L"b"}},                 // so does a lone LF
        {"a\r\r\nb", {L"a", L"b"}},
    };
    for (auto& c : cases) {
        Files f;
        auto r = f.LoadText(TaskLines(c.bytes));
        EXPECT_EQ(r.notTasks, 0);
        ASSERT_EQ(f.table.Count(), static_cast<int>(c.programs.size())) << c.bytes;
        EXPECT_EQ(r.added, f.table.Count());
        for (int i = 0; i < f.table.Count(); ++i) EXPECT_EQ(*f.table.Field(i + 1, fProgram), c.programs[i]) << c.bytes;
    }
}

TEST(TaskFileRead, BlankMiddleLineIsARowOfSevenEmptyFields) {
    // It was; a blank line is no task, so it now adds no row (and no image).
    Files f;
    auto r = f.LoadText("a\tb\tc\td\te\tRun - Normal\tf\r\n\r\ng\th\ti\tj\tk\tRun - Normal\tl\r\n");
    ASSERT_EQ(f.table.Count(), 2);
    EXPECT_EQ(f.table.images.size(), 2u);
    EXPECT_EQ(r.notTasks, 0);
}

TEST(TaskFileRead, MissingFieldsEmptyExtraFieldsDropped) {
    Files f;
    f.LoadText("p\tq\t\t\t\tClose - Normal\r\n1\t2\t3\t4\t5\tRun - 6\t7\t8\t9\r\n\t\t\t\t\t\t\r\n");
    ASSERT_EQ(f.table.Count(), 2);
    EXPECT_EQ(f.table.rows[0].fields, (TaskFields{L"p", L"q", L"", L"", L"", L"Close - Normal"}));
    EXPECT_EQ(f.table.rows[1].fields, (TaskFields{L"1", L"2", L"3", L"4", L"5", L"Run - 6", L"7"}));
}

// Only task rows are read: a text file of names and paths, or a binary file,
// adds no row, says how many lines it left out, and gives the tick nothing
// to start. A list the program wrote, every Type form in it, reads back whole.
TEST(TaskFileRead, OnlyTaskRowsAreLoaded) {
    Files f;
    f.table.Add(RunNormalRow());
    f.table.rows[0].fields[fCloseTime - 1] = L"2030/01/01 00:00:00";
    auto r = f.LoadText("notepad.exe\r\naaa.exe\tZ:\\tmp\\aaa.exe\r\n\r\n");
    EXPECT_EQ(r.added, 0);
    EXPECT_EQ(r.notTasks, 2);
    EXPECT_EQ(f.table.Count(), 1);
    const std::wstring report = LoadReport(L"C:\\names.txt", r);
    EXPECT_NE(report.find(L"2 lines of\r\nC:\\names.txt"), std::wstring::npos);
    EXPECT_EQ(LoadReport(L"x", TaskLoadResult{}), L"");

    std::string binary;
    std::uint32_t seed = 7;
    for (int i = 0; i < 200'000; ++i) binary += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
    int lines = 0;
    for (std::wstring_view line : SplitTaskLines(DecodeTextFile(binary, f.codec))) lines += !line.empty();
    ASSERT_GT(lines, 1000);
    r = f.LoadText(binary);
    EXPECT_EQ(r.added, 0);
    EXPECT_EQ(r.notTasks, lines);
    EXPECT_EQ(f.table.Count(), 1);

    kestrelon::testing::FakeHost tick;
    tick.table = f.table;
    TimerCloseTick(tick);
    EXPECT_EQ(tick.Fired(), 0);

    MemoryTaskTable written;
    for (const wchar_t* type : {L"Close - Normal", L"Close - After 00-00-10-00",
                                L"Close - AfterNoMouseMoving 00-01-00-00", L"Run - Normal", L"Run - After 00-00-00-30",
                                L"Run - AfterNoMouseMoving 00-00-05-00"})
        written.Add({L"p.exe", L"C:\\p.exe", L"None", L"2026/12/08 15:00:00", L"None", type, L"Reboot - Q"});
    ASSERT_TRUE(WriteTaskFile(L"w.ktf", written, f.store, f.codec, kUS).ok);
    Files g;
    g.store.files[L"w.ktf"] = f.store.files[L"w.ktf"];
    r = g.Load(L"w.ktf");
    EXPECT_EQ(r.added, 6);
    EXPECT_EQ(r.notTasks, 0);
    ASSERT_EQ(g.table.Count(), 6);
    for (int i = 0; i < 6; ++i) {
        TaskFields back = g.table.rows[i].fields;
        back[fCloseTime - 1] = written.rows[i].fields[fCloseTime - 1];  // countdown rows count down again
        EXPECT_EQ(back, written.rows[i].fields);
    }
}

TEST(TaskFileRead, LoadingTwiceAppendsTwice) {
    Files f;
    f.table.Add(EmptyRow());
    f.store.files[L"t.ktf"] = "a\t\t\t\t\tRun - Normal\t\r\nb\t\t\t\t\tRun - Normal\t\r\n";
    f.Load(L"t.ktf");
    f.Load(L"t.ktf");
    ASSERT_EQ(f.table.Count(), 5);
    EXPECT_EQ(*f.table.Field(1, fProgram), L"Empty");
    EXPECT_EQ(*f.table.Field(4, fProgram), L"a");
    EXPECT_EQ(*f.table.Field(5, fProgram), L"b");
}

TEST(TaskFileRead, MissingFileAddsNothing) {
    Files f;
    auto r = f.Load(L"nowhere.ktf");
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(f.table.Count(), 0);
    EXPECT_TRUE(f.table.images.empty());
}

TEST(TaskFileRead, CountdownRowsRearmFromLoadTime) {
    Files f;
    f.LoadText(
        "a\t\t\t2026/12/08 09:10:00\t\tClose - After 00-00-10-00\t\r\n"
        "b\t\t\t2026/12/08 09:10:00\t\tRun - After 01-02-03-04\t\r\n"
        "c\t\t\t2026/12/08 09:10:00\t\tClose - AfterNoMouseMoving 01-00-10-00\t\r\n"
        "d\t\t\t2026/12/08 09:10:00\t\tRun - AfterNoMouseMoving 00-00-00-30\t\r\n"
        "e\t\t\t2026/12/08 09:10:00\t\tRun - Normal\t\r\n"
        "f\t\t\t2026/12/08 09:10:00\t\tclose - After 00-00-10-00\t\r\n"  // no task: prefixes are case-sensitive
        "g\t\t\t\t\tClose - After \t\r\n");
    ASSERT_EQ(f.table.Count(), 6);
    EXPECT_EQ(*f.table.Field(1, fCloseTime), L"2026/12/08 15:10:00");
    EXPECT_EQ(*f.table.Field(2, fCloseTime), L"2026/12/09 17:03:04");
    EXPECT_EQ(*f.table.Field(3, fCloseTime), L"2026/12/09 15:10:00");  // idle rows: days included
    EXPECT_EQ(*f.table.Field(4, fCloseTime), L"2026/12/08 15:00:30");
    EXPECT_EQ(*f.table.Field(5, fCloseTime), L"2026/12/08 09:10:00");
    EXPECT_EQ(*f.table.Field(6, fCloseTime), L"2026/12/08 15:00:00");  // nothing to add
    EXPECT_EQ(*f.table.Field(3, fType), L"Close - AfterNoMouseMoving 01-00-10-00");
}

TEST(TaskFileRead, CountdownWrittenWithLocaleSeparators) {
    Files f;
    f.store.files[L"t.ktf"] = "a\t\t\t\t\tClose - After 00-00-10-00\t\r\n";
    ReadTaskFile(L"t.ktf", f.table, kImgApp, f.store, f.codec, kLoadTime, LocaleFormat::German());
    EXPECT_EQ(*f.table.Field(1, fCloseTime), L"2026.12.08 15:10:00");
}

TEST(TaskFileRead, StopsAtTheRowLimitAndCountsWhatWasLeftOut) {
    Files f;
    for (int i = 0; i < kMaxRows - 2; ++i) f.table.AddRow(0);
    f.LoadText(TaskLines("a\r\nb\r\nc\r\nd\r\ne"));
    auto r = f.Load(L"x.ktf");  // a second time: the list is already full
    EXPECT_EQ(f.table.Count(), kMaxRows);
    EXPECT_EQ(*f.table.Field(kMaxRows, fProgram), L"b");
    EXPECT_EQ(r.added, 0);
    EXPECT_EQ(r.leftOut, 5);
    const std::wstring msg = RowsLeftOutMessage(L"C:\\big.ktf", 3);
    EXPECT_NE(msg.find(L"32767"), std::wstring::npos);
    EXPECT_NE(msg.find(L"3 tasks"), std::wstring::npos);
    EXPECT_NE(msg.find(L"C:\\big.ktf"), std::wstring::npos);
}

TEST(TaskFileRead, FirstLoadIntoNearlyFullListReportsRest) {
    Files f;
    for (int i = 0; i < kMaxRows - 1; ++i) f.table.AddRow(0);
    auto r = f.LoadText(TaskLines("a\r\nb\r\nc"));
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.leftOut, 2);
}

TEST(TaskFileRead, AMillionLinesFillTheListToItsLimitAndLinesOfAMillionCharactersStayWhole) {
    Files f;
    std::string many;
    many.reserve(1'000'000 * 20);
    for (int i = 0; i < 1'000'000; ++i) many += "p" + std::to_string(i) + "\t\t\t\t\tRun - Normal\t\r\n";
    auto r = f.LoadText(many);
    EXPECT_EQ(r.added, kMaxRows);
    EXPECT_EQ(r.leftOut, 1'000'000 - kMaxRows);
    EXPECT_EQ(*f.table.Field(kMaxRows, fProgram), L"p" + std::to_wstring(kMaxRows - 1));

    Files g;
    const std::string huge(1'000'000, 'c');
    auto r2 = g.LoadText(huge + "\t" + huge + "\t\t\t\tRun - Normal\r\n" + huge + "\t\t\t\t\tRun - Normal");
    EXPECT_EQ(r2.added, 2);
    EXPECT_EQ(g.table.Field(1, fPath)->size(), 1'000'000u);
    EXPECT_EQ(g.table.Field(2, fProgram)->size(), 1'000'000u);
    ASSERT_TRUE(WriteTaskFile(L"out.ktf", g.table, g.store, g.codec, kUS).ok);
    Files h;
    h.store.files[L"x.ktf"] = g.store.files[L"out.ktf"];
    h.Load(L"x.ktf");
    ASSERT_EQ(h.table.Count(), 2);
    EXPECT_EQ(h.table.rows[0].fields, g.table.rows[0].fields);
    EXPECT_EQ(h.table.rows[1].fields, g.table.rows[1].fields);
}

TEST(TaskFileName, KtfExtensionRule) {
    EXPECT_EQ(WithTaskExtension(L"C:\\t\\list"), L"C:\\t\\list.ktf");
    EXPECT_EQ(WithTaskExtension(L"C:\\t\\list.KTF"), L"C:\\t\\list.KTF");
    EXPECT_EQ(WithTaskExtension(L"C:\\t\\list.Ktf"), L"C:\\t\\list.Ktf");
    EXPECT_EQ(WithTaskExtension(L"C:\\t\\list.txt"), L"C:\\t\\list.txt.ktf");
    EXPECT_EQ(WithTaskExtension(L"ktf"), L"ktf.ktf");
    EXPECT_EQ(WithTaskExtension(L".ktf"), L".ktf");
    EXPECT_EQ(DefaultTaskPath(L"C:\\Users\\me\\AppData\\Roaming"), L"C:\\Users\\me\\AppData\\Roaming\\default.ktf");
}

TEST(DefaultTasks, WrittenWhenAutoloadAndRowsElseDeleted) {
    const std::wstring appData = L"C:\\AppData";
    const std::wstring path = L"C:\\AppData\\default.ktf";
    Files f;
    f.table.Add(EmptyRow());

    EXPECT_TRUE(SaveDefaultTasks(true, f.table, appData, f.store, f.codec, kUS).ok);
    EXPECT_EQ(f.store.files.at(path), f.codec.Encode(FormatTaskList(f.table, kUS)));

    // Auto-load off: the file goes, and a later save finds nothing and goes on.
    EXPECT_TRUE(SaveDefaultTasks(false, f.table, appData, f.store, f.codec, kUS).ok);
    EXPECT_FALSE(f.store.Exists(path));
    EXPECT_TRUE(SaveDefaultTasks(false, f.table, appData, f.store, f.codec, kUS).ok);

    // Auto-load on but the list empty: deleted as well.
    SaveDefaultTasks(true, f.table, appData, f.store, f.codec, kUS);
    ASSERT_TRUE(f.store.Exists(path));
    f.table.Clear();
    SaveDefaultTasks(true, f.table, appData, f.store, f.codec, kUS);
    EXPECT_FALSE(f.store.Exists(path));
}

TEST(DefaultTasks, ReloadOnlyWithAutoloadAndAFile) {
    const std::wstring appData = L"C:\\AppData";
    Files f;
    auto reload = [&](bool autoload) {
        return ReloadDefaultTasks(autoload, f.table, kImgApp, appData, f.store, f.codec, kLoadTime, kUS);
    };
    EXPECT_FALSE(reload(true).opened);  // no file
    f.store.files[DefaultTaskPath(appData)] = TaskLines("a\r\nb\r\n");
    EXPECT_FALSE(reload(false).opened);
    EXPECT_EQ(f.table.Count(), 0);
    EXPECT_EQ(reload(true).added, 2);
}

TEST(StdFiles, AtomicWriteReplacesAndRemoveToleratesAbsence) {
    const std::wstring dir = L"/tmp/kestrelon_task_files_test";
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(dir), ec);
    std::filesystem::create_directories(std::filesystem::path(dir));
    StdFileStore store;
    const std::wstring path = dir + L"/list.ktf";
    EXPECT_FALSE(store.Exists(path));
    EXPECT_FALSE(store.ReadAll(path).has_value());
    ASSERT_TRUE(store.WriteAtomic(path, "one\r\n").ok);
    ASSERT_TRUE(store.WriteAtomic(path, "two\r\n").ok);
    EXPECT_EQ(store.ReadAll(path), "two\r\n");
    EXPECT_FALSE(store.Exists(dir));  // a folder is no file
    EXPECT_FALSE(store.WriteAtomic(dir + L"/missing/list.ktf", "x").ok);
    EXPECT_TRUE(store.Remove(path).ok);
    EXPECT_TRUE(store.Remove(path).ok);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(dir)),
                            std::filesystem::directory_iterator()),
              0);  // no temporary files left behind
    std::filesystem::remove_all(std::filesystem::path(dir), ec);
}

TEST(StdFiles, ASaveClearsTheLeftoversOfEarlierInterruptedSavesOfThatFileOnly) {
    EXPECT_TRUE(IsLeftoverOf(L"default.ktf.~1234-5.tmp", L"default.ktf"));
    EXPECT_TRUE(IsLeftoverOf(L"DEFAULT.KTF.~7.TMP", L"default.ktf"));
    EXPECT_FALSE(IsLeftoverOf(L"default.ktf", L"default.ktf"));
    EXPECT_FALSE(IsLeftoverOf(L"default.ktf.~.tmp", L"default.ktf"));
    EXPECT_FALSE(IsLeftoverOf(L"default.ktf.~12-.tmp", L"default.ktf"));
    EXPECT_FALSE(IsLeftoverOf(L"default.ktf.~1a-2.tmp", L"default.ktf"));
    EXPECT_FALSE(IsLeftoverOf(L"default.ktf.~1-2-3.tmp", L"default.ktf"));
    EXPECT_FALSE(IsLeftoverOf(L"xdefault.ktf.~1-2.tmp", L"default.ktf"));
    EXPECT_FALSE(IsLeftoverOf(L"default.ktf.~1-2.tmp", L"default.kt"));
    EXPECT_FALSE(IsLeftoverOf(L"a.~1.tmp", L""));

    const std::filesystem::path dir = "/tmp/kestrelon_leftovers_test";
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    auto touch = [&](const char* name) { std::ofstream(dir / name) << "x"; };
    touch("list.ktf.~12-1.tmp");
    touch("list.ktf.~3.tmp");
    touch("other.ktf.~12-1.tmp");
    touch("list.ktf.bak");
    StdFileStore store;
    ASSERT_TRUE(store.WriteAtomic((dir / "list.ktf").wstring(), "row\r\n").ok);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"list.ktf", "list.ktf.bak", "other.ktf.~12-1.tmp"}));
    std::filesystem::remove_all(dir, ec);
}

}  // namespace
