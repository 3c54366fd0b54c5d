#include <gtest/gtest.h>

#include "Fakes.h"
#include "editor/BuildTask.h"

using namespace kestrelon;
using kestrelon::testing::FakeMarks;

namespace {

const DateTime kNow{2026, 3, 29, 23, 0, 0};
const TaskPictures kPics{101, 102, 103};

LanText Strings() {
    LanText lan;
    lan[42] = L"Please choose a program.";
    lan[43] = L"No program";
    lan[44] = L"The interval is zero.";
    lan[45] = L"Run the task now?";
    lan[46] = L"Zero interval";
    return lan;
}

// A close task picked from the running-program list, due in one minute.
EditorInputs Picked() {
    EditorInputs in;
    in.id = L"4242";
    in.program = L"calc.exe";
    in.selected = ListEntry{L"calc.exe", L"C:\\Windows\\calc.exe"};
    in.tMin = L"01";
    in.loopText = L"None";
    return in;
}

struct Editor {
    MemoryTaskTable table;
    FakeMarks marks;
    std::vector<PromptBox> asked;
    bool answerOk = true;
    LocaleFormat loc = LocaleFormat::EnglishUS();

    BuildResult Add(const EditorInputs& in) {
        BuildResult r = BuildTask(in, kNow, loc, Strings(), [this](const PromptBox& m) {
            asked.push_back(m);
            return answerOk;
        });
        EXPECT_EQ(r.task.has_value(), r.refusal == Refusal::None);
        if (r.task) AddBuiltTask(table, marks, *r.task, kPics);
        return r;
    }
    std::wstring F(int field) const { return table.rows.back().fields[field - 1]; }
};

TEST(BuildTaskChecks, CloseTaskWithoutProgramIsRefusedWithStrings42And43) {
    Editor e;
    EditorInputs in = Picked();
    in.id.clear();
    in.tMin = L"00";  // would also ask the zero question: the first check wins
    BuildResult r = e.Add(in);
    EXPECT_EQ(r.refusal, Refusal::NoProgram);
    EXPECT_EQ(r.message, (PromptBox{L"Please choose a program.", L"No program", 64}));
    EXPECT_TRUE(e.asked.empty());
    EXPECT_EQ(e.table.Count(), 0);
}

TEST(BuildTaskChecks, RunTaskNeedsACommandLineButBlanksPass) {
    Editor e;
    EditorInputs in = Picked();
    in.autoType = 1;
    in.id.clear();  // the program check is for close tasks only
    BuildResult r = e.Add(in);
    EXPECT_EQ(r.refusal, Refusal::EmptyCommandLine);
    EXPECT_EQ(r.message, (PromptBox{L"The command line cannot be empty.", L"Empty", 64}));
    in.cmd = L"  ";
    EXPECT_EQ(e.Add(in).refusal, Refusal::None);
}

TEST(BuildTaskChecks, ZeroCountdownAsksAndOkAddsARowDueNow) {
    Editor e;
    EditorInputs in = Picked();
    in.tMin = L"00";
    ASSERT_EQ(e.Add(in).refusal, Refusal::None);
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_EQ(e.asked[0], (PromptBox{L"The interval is zero.\r\nRun the task now?", L"Zero interval", 65}));
    EXPECT_EQ(e.F(fCloseTime), L"2026/03/29 23:00:00");
    EXPECT_EQ(e.F(fType), L"Close - After 00-00-00-00");

    e.answerOk = false;
    BuildResult r = e.Add(in);
    EXPECT_EQ(r.refusal, Refusal::ZeroCountdownCancelled);
    EXPECT_FALSE(r.message.has_value());  // the user has answered already
    EXPECT_EQ(e.table.Count(), 1);
}

TEST(BuildTaskChecks, CountdownReadsAsNumbersAndSpecificTimeIsNeverQuestioned) {
    Editor e;
    EditorInputs in = Picked();
    in.tDay = L"0";
    in.tHour = L"";
    in.tMin = L"x";
    in.tSec = L"000";
    e.answerOk = false;
    EXPECT_EQ(e.Add(in).refusal, Refusal::ZeroCountdownCancelled);
    in.tSec = L"1";
    EXPECT_EQ(e.Add(in).refusal, Refusal::None);

    in.tSec = L"00";
    in.timerMode = false;
    in.year = L"2027", in.monthIndex = 0, in.day = L"01", in.hour = L"00", in.minute = L"00", in.second = L"00";
    EXPECT_EQ(e.Add(in).refusal, Refusal::None);
    EXPECT_EQ(e.asked.size(), 1u);
}

// A precise time already past would run the task at once: asked first, as
// a zero countdown is; a repeating task whose first time is past as well.
TEST(BuildTaskChecks, ATimeAlreadyPastAsksAndCancelAddsNothing) {
    Editor e;
    EditorInputs in = Picked();
    in.timerMode = false;  // kNow is 2026/03/29 23:00:00
    in.year = L"2026", in.monthIndex = 2, in.day = L"29", in.hour = L"22", in.minute = L"59", in.second = L"00";
    e.answerOk = false;
    BuildResult r = e.Add(in);
    EXPECT_EQ(r.refusal, Refusal::PastTimeCancelled);
    EXPECT_FALSE(r.message.has_value());
    EXPECT_EQ(e.table.Count(), 0);
    ASSERT_EQ(e.asked.size(), 1u);
    EXPECT_EQ(e.asked[0].style, 65u);  // OK and Cancel, as the zero question
    EXPECT_NE(e.asked[0].text.find(L"2026/03/29 22:59:00 has already passed"), std::wstring::npos);

    in.loopIndex = 2, in.loopText = L"Every Day";
    EXPECT_EQ(e.Add(in).refusal, Refusal::PastTimeCancelled);
    EXPECT_EQ(e.asked.size(), 2u);

    e.answerOk = true;
    ASSERT_EQ(e.Add(in).refusal, Refusal::None);
    EXPECT_EQ(e.F(fCloseTime), L"2026/03/29 22:59:00");
    EXPECT_EQ(e.table.Count(), 1);
    // One minute ahead is not asked.
    in.minute = L"01", in.hour = L"23";
    EXPECT_EQ(e.Add(in).refusal, Refusal::None);
    EXPECT_EQ(e.asked.size(), 3u);
}

// A countdown of all zeros that is also too large is refused, not asked about.
TEST(BuildTaskChecks, TooLargeIsRefusedBeforeTheZeroQuestion) {
    Editor e;
    EditorInputs in = Picked();
    in.tMin = L"00";
    in.tDay = L"99999999999999999999999";  // too many digits to read: counts as zero
    EXPECT_EQ(e.Add(in).refusal, Refusal::CountdownTooLarge);
    EXPECT_TRUE(e.asked.empty());
}

TEST(BuildTaskChecks, ADayTheMonthDoesNotHaveIsRefusedByName) {
    Editor e;
    EditorInputs in = Picked();
    in.timerMode = false;
    in.year = L"2026", in.monthIndex = 1, in.day = L"31", in.hour = L"10", in.minute = L"30", in.second = L"00";
    BuildResult r = e.Add(in);
    EXPECT_EQ(r.refusal, Refusal::NoSuchDate);
    ASSERT_TRUE(r.message.has_value());
    EXPECT_NE(r.message->text.find(L"2026/02/31"), std::wstring::npos);
    EXPECT_EQ(r.message->style, 64u);
    in.day = L"29";
    EXPECT_EQ(e.Add(in).refusal, Refusal::NoSuchDate);  // 2026 is no leap year
    in.year = L"";                                      // no year chosen
    in.day = L"28";
    EXPECT_EQ(e.Add(in).refusal, Refusal::NoSuchDate);
    EXPECT_EQ(e.table.Count(), 0);
    in.year = L"2028", in.day = L"29";
    EXPECT_EQ(e.Add(in).refusal, Refusal::None);
    EXPECT_EQ(e.F(fCloseTime), L"2028/02/29 10:30:00");
}

// The message is one language: English throughout, whatever language the boxes' captions are in.
TEST(BuildTaskChecks, TooLargeCountdownMessageIsEnglishThroughoutInAnyInterfaceLanguage) {
    LanText german = Strings();
    german[26] = L"Tage", german[27] = L"Stunden", german[28] = L"Minuten", german[29] = L"Sekunden";
    EditorInputs in = Picked();
    in.tMin = L"00";
    in.tDay = L"9999999";
    const BuildResult r = BuildTask(in, kNow, LocaleFormat::EnglishUS(), german, nullptr);
    EXPECT_EQ(r.refusal, Refusal::CountdownTooLarge);
    ASSERT_TRUE(r.message.has_value());
    EXPECT_EQ(r.message->text, L"The countdown of 9999999 Day(s) goes past the last date Kestrelon handles "
                               L"(9999/12/31). Please enter a smaller number in the Day(s) box.");
    in.tDay = L"00";
    in.tSec = L"999999999999";
    EXPECT_NE(BuildTask(in, kNow, LocaleFormat::EnglishUS(), german, nullptr).message.value().text.find(L"the Second(s) box"),
              std::wstring::npos);
}

TEST(BuildTaskFields, ProgramPathAndIdForEachKindOfTask) {
    Editor e;
    EditorInputs in = Picked();
    e.Add(in);
    EXPECT_EQ(e.F(fProgram), L"calc.exe");
    EXPECT_EQ(e.F(fPath), L"C:\\Windows\\calc.exe");
    EXPECT_EQ(e.F(fID), L"4242");
    EXPECT_EQ(e.table.images.back(), kPics.picIcon);

    // The shown program has no row in the list: refused, nothing added,
    // rather than a row that names no program.
    in.selected.reset();
    BuildResult gone = e.Add(in);
    EXPECT_EQ(gone.refusal, Refusal::ProgramNotListed);
    ASSERT_TRUE(gone.message.has_value());
    EXPECT_NE(gone.message->text.find(L"calc.exe"), std::wstring::npos);
    EXPECT_EQ(e.table.Count(), 1);
    in.program.clear();  // nothing shown at all: no program chosen
    EXPECT_EQ(e.Add(in).refusal, Refusal::NoProgram);

    in.cmd = L"C:\\Apps\\tool.exe";  // chosen as a file
    in.id = L"00000";
    e.Add(in);
    EXPECT_EQ(e.F(fProgram), L"tool.exe");
    EXPECT_EQ(e.F(fPath), L"C:\\Apps\\tool.exe");
    EXPECT_EQ(e.F(fID), L"00000");
    EXPECT_EQ(e.table.images.back(), kPics.emptyIcon);

    in.autoType = 1;
    in.cmd = L"C:\\Tools\\app.exe -x";
    e.Add(in);
    EXPECT_EQ(e.F(fProgram), L"app.exe -x");
    EXPECT_EQ(e.F(fPath), L"C:\\Tools\\app.exe -x");
    EXPECT_EQ(e.F(fID), L"None");
    EXPECT_EQ(e.F(fType), L"Run - After 00-00-01-00");
    EXPECT_EQ(e.table.images.back(), kPics.appIcon);

    in.cmd = L"notepad";
    e.Add(in);
    EXPECT_EQ(e.F(fProgram), L"notepad");
}

TEST(BuildTaskFields, EmptyTaskThatShutsDown) {
    Editor e;
    EditorInputs in = Picked();
    in.only = true;
    in.id.clear();
    in.selected.reset();
    in.afterIndex = 1;
    ASSERT_EQ(e.Add(in).refusal, Refusal::None);
    const auto& f = e.table.rows.back().fields;
    EXPECT_EQ(f, (std::array<std::wstring, 7>{L"Empty", L"None", L"None", L"2026/03/29 23:01:00", L"None",
                                                L"Close - After 00-00-01-00", L"Shutdown PC"}));
    EXPECT_EQ(e.table.images.back(), kPics.picIcon);
    EXPECT_TRUE(e.marks.Only({FinalMark::Shut}));
}

TEST(BuildTaskFields, CountdownDueTimeUsesLocaleSeparatorsAndSpecificTimeLiteralOnes) {
    Editor e;
    e.loc = LocaleFormat::German();
    EditorInputs in = Picked();
    in.tMin = L"30";
    in.tHour = L"01";
    e.Add(in);
    EXPECT_EQ(e.F(fType), L"Close - After 00-01-30-00");
    EXPECT_EQ(e.F(fCloseTime), L"2026.03.30 00:30:00");  // over midnight, German separators
    in.mouse = true;
    e.Add(in);
    EXPECT_EQ(e.F(fType), L"Close - AfterNoMouseMoving 00-01-30-00");

    in.mouse = false;
    in.timerMode = false;
    in.year = L"2026", in.monthIndex = 11, in.day = L"08", in.hour = L"10", in.minute = L"30", in.second = L"00";
    e.Add(in);
    EXPECT_EQ(e.F(fCloseTime), L"2026/12/08 10:30:00");
    EXPECT_EQ(e.F(fType), L"Close - Normal");
    in.autoType = 1;
    in.cmd = L"x";
    e.Add(in);
    EXPECT_EQ(e.F(fType), L"Run - Normal");
}

TEST(BuildTaskFields, LoopTakesTheItemTextOrTheCustomCaption) {
    Editor e;
    EditorInputs in = Picked();
    in.loopIndex = 2;
    in.loopText = L"Jeden Tag";
    e.Add(in);
    EXPECT_EQ(e.F(fLoop), L"Jeden Tag");
    in.loopIndex = 5;
    in.loopText = L"Customize...";
    e.Add(in);  // the panel's OK was never pressed
    EXPECT_EQ(e.F(fLoop), L"00/00/00 (Day/Hour/Min)");
    in.lblLoop = L"01/02/30 (Day/Hour/Min)";
    e.Add(in);
    EXPECT_EQ(e.F(fLoop), L"01/02/30 (Day/Hour/Min)");
}

TEST(BuildTaskMarks, EachAfterChoiceClearsAllThenMarksItself) {
    const std::pair<std::wstring, FinalMark> choices[] = {{L"Shutdown PC", FinalMark::Shut},
                                                          {L"Reboot", FinalMark::Reboot},
                                                          {L"Log Off", FinalMark::Logoff},
                                                          {L"Hibernate", FinalMark::Hibernet},
                                                          {L"Turn Off the Monitor", FinalMark::Screen}};
    for (int i = 1; i <= 5; ++i) {
        Editor e;
        for (FinalMark m : {FinalMark::Shut, FinalMark::Reboot, FinalMark::Logoff, FinalMark::Hibernet,
                            FinalMark::Screen, FinalMark::Quit})
            e.marks.on[m] = true;
        EditorInputs in = Picked();
        in.afterIndex = i;
        e.Add(in);
        EXPECT_EQ(e.F(fAfter), choices[i - 1].first);
        EXPECT_TRUE(e.marks.Only({choices[i - 1].second})) << i;
    }
}

TEST(BuildTaskMarks, QuitBoxWithRebootAndWithDoNothing) {
    Editor e;
    e.marks.on[FinalMark::Shut] = true;
    e.marks.on[FinalMark::Hibernet] = true;
    EditorInputs in = Picked();
    in.afterIndex = 2;
    in.quit = true;
    e.Add(in);
    EXPECT_EQ(e.F(fAfter), L"Reboot - Q");
    EXPECT_TRUE(e.marks.Only({FinalMark::Reboot, FinalMark::Quit}));

    in.afterIndex = 0;  // only the quit mark is added; the others keep their state
    e.marks.on[FinalMark::Quit] = false;
    e.Add(in);
    EXPECT_EQ(e.F(fAfter), L" - Q");
    EXPECT_TRUE(e.marks.Only({FinalMark::Reboot, FinalMark::Quit}));

    in.quit = false;  // "Do Nothing" alone touches nothing
    e.marks.cleared.clear();
    e.Add(in);
    EXPECT_EQ(e.F(fAfter), L"");
    EXPECT_TRUE(e.marks.cleared.empty());
    EXPECT_TRUE(e.marks.Only({FinalMark::Reboot, FinalMark::Quit}));
}

TEST(BuildTaskMarks, ClearingGoesThroughTheMailboxBeforeTheNewMarks) {
    MemoryTaskTable table;
    FakeMarks marks;
    EditorInputs in = Picked();
    in.afterIndex = 4;
    in.quit = true;
    BuildResult r = BuildTask(in, kNow, LocaleFormat::EnglishUS(), Strings(), {});
    ASSERT_TRUE(r.task);
    EXPECT_EQ(r.task->marks, (MarkChanges{true, FinalMark::Hibernet, true}));
    std::vector<std::wstring> mailbox;
    int row = AddBuiltTask(table, marks, *r.task, kPics, [&](const std::wstring& w) {
        mailbox.push_back(w);
        EXPECT_FALSE(marks.Checked(FinalMark::Hibernet));  // not yet marked
        ClearFinalActions(marks);
    });
    EXPECT_EQ(row, 1);
    EXPECT_EQ(mailbox, std::vector<std::wstring>{L"AllMenuFalse"});
    EXPECT_TRUE(marks.Only({FinalMark::Hibernet, FinalMark::Quit}));
    EXPECT_EQ(table.rows[0].fields[fAfter - 1], L"Hibernate - Q");
}

}  // namespace

// Add's row comes from the program the labels show: the selected row when
// it names that program, else the list's row of that program.
TEST(BuildTaskFields, TheRowOfTheShownProgramNotAnotherSelectedOne) {
    const std::vector<ListEntry> rows{{L"dragsel.exe", L"C:\\a\\dragsel.exe"},
                                      {L"khelper.exe", L"C:\\b\\khelper.exe"},
                                      {L"KHELPER.EXE", L"C:\\c\\KHELPER.EXE"}};
    auto path = [&](int selected, const std::wstring& shown) {
        auto r = ShownProgramRow(rows, selected, shown);
        return r ? r->path : L"<none>";
    };
    EXPECT_EQ(path(1, L"dragsel.exe"), L"C:\\a\\dragsel.exe");  // another row selected: the shown one's
    EXPECT_EQ(path(2, L"khelper.exe"), L"C:\\c\\KHELPER.EXE");  // the selected one when it names it
    EXPECT_EQ(path(-1, L"Khelper.exe"), L"C:\\b\\khelper.exe");
    EXPECT_EQ(path(0, L"gone.exe"), L"<none>");
    EXPECT_EQ(path(0, L""), L"<none>");
}
