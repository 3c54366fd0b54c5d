// The running-program list: the rebuild over a fake process table, the
// device-path conversion, the editor's reselect and type-ahead rules, a
// rebuild started from inside another one, and close now with reused ids.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Fakes.h"
#include "mainwindow/scheduler/RunningPrograms.h"

namespace kestrelon {
namespace {

// Processes by id; an entry without path can be opened but its path cannot
// be read; ids in `closed` are listed but cannot be opened.
class FakeProbe : public IProcessProbe {
public:
    std::map<std::uint32_t, std::optional<std::wstring>> processes;
    std::vector<std::uint32_t> closed;
    bool listFails = false;
    DosDeviceTable devices{{L"C:", L"\\Device\\HarddiskVolume1"}, {L"Z:", L"\\Device\\HarddiskVolume2"}};
    std::vector<std::uint32_t> probed;

    std::optional<std::vector<std::uint32_t>> ProcessIds() override {
        if (listFails) return std::nullopt;
        // Deliberately not in id order: the rebuild sorts.
        std::vector<std::uint32_t> ids(closed.begin(), closed.end());
        for (auto it = processes.rbegin(); it != processes.rend(); ++it) ids.push_back(it->first);
        return ids;
    }
    ProcessProbeResult Probe(std::uint32_t pid) override {
        probed.push_back(pid);
        auto it = processes.find(pid);
        if (it == processes.end()) return {};
        return {true, it->second};
    }
    DosDeviceTable DosDevices() override { return devices; }
};

// The editor as the rebuild sees it: staged icons become the icon list only
// when a rebuild completes.
class FakeView : public IRunningProgramsView {
public:
    std::wstring label;
    std::vector<std::wstring> staged, icons;  // the path each image was drawn from
    std::vector<RunningProgramRow> shown;
    std::optional<std::size_t> selected;
    bool enabled = true;
    int begins = 0, ends = 0;

    void BeginRebuild() override {
        ++begins;
        shown.clear();
        staged.clear();
        enabled = false;
    }
    void AddProgramIcon(const std::wstring& dosPath) override { staged.push_back(dosPath); }
    void EndRebuild(const RunningProgramList& list, std::optional<std::size_t> reselect) override {
        ++ends;
        icons = staged;
        shown = list.rows;
        selected = reselect;
        enabled = true;
    }
    std::wstring ProgramLabel() override { return label; }

    std::vector<std::wstring> Programs() const {
        std::vector<std::wstring> out;
        for (auto& r : shown) out.push_back(r.program);
        return out;
    }
};

class RunningProgramsTest : public ::testing::Test {
protected:
    FakeProbe probe;
    FakeView view;
    std::function<void()> onYield;
    int yields = 0;
    RunningPrograms list{probe, [this] {
                             ++yields;
                             if (onYield) onYield();
                         }};

    // Every row's icon is the picture drawn from that row's own path.
    void ExpectIconsMatchRows() {
        ASSERT_EQ(view.icons.size(), view.shown.size());
        for (auto& row : view.shown) {
            ASSERT_GE(row.icon, 1);
            ASSERT_LE(row.icon, static_cast<int>(view.icons.size()));
            EXPECT_EQ(view.icons[row.icon - 1], row.path) << std::string(row.program.begin(), row.program.end());
        }
    }
};

TEST_F(RunningProgramsTest, SeveralProcessesOfOneProgramGiveOneRowWithTheLowestIdsPath) {
    probe.processes = {{400, L"C:\\b\\app.exe"},
                       {120, L"C:\\a\\app.exe"},
                       {300, L"C:\\tools\\Zed.exe"},
                       {200, L"C:\\a\\app.exe"},
                       {2000000, L"C:\\tools\\high.exe"}};  // far above the old probed range
    probe.closed = {16, 20};
    EXPECT_TRUE(list.ListRunningPrograms(view));

    const auto& cur = list.Current();
    EXPECT_EQ(cur.List1, (std::vector<std::wstring>{L"C:\\a\\app.exe", L"C:\\a\\app.exe", L"C:\\tools\\Zed.exe",
                                                    L"C:\\b\\app.exe", L"C:\\tools\\high.exe"}));
    EXPECT_EQ(cur.lstID, (std::vector<std::wstring>{L"120", L"200", L"300", L"400", L"2000000"}));
    EXPECT_EQ(cur.lstName, (std::vector<std::wstring>{L"app.exe", L"Zed.exe", L"high.exe"}));
    EXPECT_EQ(view.Programs(), (std::vector<std::wstring>{L"app.exe", L"high.exe", L"Zed.exe"}));
    EXPECT_EQ(view.shown[0].path, L"C:\\a\\app.exe");
    EXPECT_EQ(view.shown[0].icon, 1);
    EXPECT_EQ(view.shown[1].icon, 3);
    EXPECT_EQ(view.shown[2].icon, 2);
    ExpectIconsMatchRows();
    // Ids probed once each, in increasing order.
    EXPECT_EQ(probe.probed, (std::vector<std::uint32_t>{16, 20, 120, 200, 300, 400, 2000000}));
    EXPECT_TRUE(view.enabled);
    EXPECT_EQ(LowestIdOf(cur, L"app.exe"), L"120");
    EXPECT_EQ(LowestIdOf(cur, L"APP.EXE"), std::nullopt);
}

TEST_F(RunningProgramsTest, NamesDifferingOnlyInCaseGiveSeparateRowsAndReselectTakesTheFirst) {
    probe.processes = {{8, L"C:\\x\\beta.exe"}, {12, L"C:\\x\\App.exe"}, {16, L"C:\\y\\app.exe"}};
    view.label = L"APP.exe";
    list.ListRunningPrograms(view);
    EXPECT_EQ(view.Programs(), (std::vector<std::wstring>{L"App.exe", L"app.exe", L"beta.exe"}));
    EXPECT_EQ(view.selected, 0u);
    ExpectIconsMatchRows();
}

TEST_F(RunningProgramsTest, EmptyScanLeavesEverythingEmpty) {
    probe.processes = {{12, L"C:\\old.exe"}};
    list.ListRunningPrograms(view);
    ASSERT_EQ(view.shown.size(), 1u);

    probe.listFails = true;
    view.label = L"old.exe";
    list.ListRunningPrograms(view);
    EXPECT_TRUE(list.Current().List1.empty());
    EXPECT_TRUE(list.Current().lstID.empty());
    EXPECT_TRUE(list.Current().lstName.empty());
    EXPECT_TRUE(view.shown.empty());
    EXPECT_TRUE(view.icons.empty());
    EXPECT_EQ(view.selected, std::nullopt);
    EXPECT_TRUE(view.enabled);

    // Listed processes that all refuse to be opened: the same.
    probe.listFails = false;
    probe.processes.clear();
    probe.closed = {4, 8};
    list.ListRunningPrograms(view);
    EXPECT_TRUE(view.shown.empty());
}

TEST_F(RunningProgramsTest, DeviceFormAndUnreadablePaths) {
    probe.processes = {{20, L"\\Device\\HarddiskVolume2\\opt\\svc.exe"}, {24, std::nullopt}, {28, std::nullopt}};
    list.ListRunningPrograms(view);
    const auto& cur = list.Current();
    EXPECT_EQ(cur.List1[0], L"\\Device\\HarddiskVolume2\\opt\\svc.exe");  // kept as the system gave it
    EXPECT_EQ(cur.List1[1], UnknownProcessPath());
    EXPECT_EQ(UnknownProcessPath().size(), 1024u);
    EXPECT_EQ(UnknownProcessPath().substr(0, 10), L"<Unknown> ");
    ASSERT_EQ(view.shown.size(), 2u);  // both unknown entries share one row
    EXPECT_EQ(view.shown[1].program, L"svc.exe");
    EXPECT_EQ(view.shown[1].path, L"Z:\\opt\\svc.exe");
    ExpectIconsMatchRows();
}

TEST(DevicePathToDosPath, ConvertsOnlyMappedDevicePrefixes) {
    const DosDeviceTable devices{{L"C:", L"\\Device\\HarddiskVolume1"},
                                 {L"D:", L"\\Device\\CdRom0"},
                                 {L"Z:", L"\\Device\\HarddiskVolume2"}};
    EXPECT_EQ(DevicePathToDosPath(L"C:\\Windows\\notepad.exe", devices), L"C:\\Windows\\notepad.exe");
    EXPECT_EQ(DevicePathToDosPath(L"\\Device\\HarddiskVolume7\\a.exe", devices), L"\\Device\\HarddiskVolume7\\a.exe");
    EXPECT_EQ(DevicePathToDosPath(L"\\device\\harddiskvolume2\\a.exe", devices), L"Z:\\a.exe");
    // No separator check: the first drive whose device is a prefix wins.
    EXPECT_EQ(DevicePathToDosPath(L"\\Device\\HarddiskVolume10\\a.exe", devices), L"C:0\\a.exe");
    EXPECT_EQ(DevicePathToDosPath(L"\\Device\\Harddisk", devices), L"\\Device\\Harddisk");
    EXPECT_EQ(DevicePathToDosPath(L"\\Device\\CdRom0", devices), L"D:");
    EXPECT_EQ(DevicePathToDosPath(L"\\Device\\HarddiskVolume1\\a.exe", {}), L"\\Device\\HarddiskVolume1\\a.exe");
}

TEST(EditorListRules, ReselectAndTypeAhead) {
    const std::vector<RunningProgramRow> rows{
        {L"explorer.exe", L"C:\\e.exe", 2}, {L"Notepad.exe", L"C:\\N.exe", 1}, {L"notes.exe", L"C:\\n.exe", 3}};
    EXPECT_EQ(ReselectRow(rows, L""), std::nullopt);
    EXPECT_EQ(ReselectRow(rows, L"word.exe"), std::nullopt);
    EXPECT_EQ(ReselectRow(rows, L"NOTES.EXE"), 2u);
    EXPECT_EQ(TypeAheadRow(rows, L'n'), 1u);
    EXPECT_EQ(TypeAheadRow(rows, L'N'), 1u);
    EXPECT_EQ(TypeAheadRow(rows, L'E'), 0u);
    EXPECT_EQ(TypeAheadRow(rows, L'q'), std::nullopt);
    EXPECT_EQ(TypeAheadRow({}, L'n'), std::nullopt);
}

TEST_F(RunningProgramsTest, RebuildStartedDuringTheScanWins) {
    probe.processes = {{12, L"C:\\a.exe"}, {16, L"C:\\b.exe"}, {20, L"C:\\c.exe"}};
    // During the outer rebuild's third yield (inside the scan) the process
    // table changes and a task asks for a rebuild.
    int nested = 0;
    onYield = [&] {
        if (yields == 3 && nested++ == 0) {
            probe.processes = {{16, L"C:\\b.exe"}, {24, L"C:\\d.exe"}, {28, L"C:\\d.exe"}};
            EXPECT_TRUE(list.ListRunningPrograms(view));
        }
    };
    EXPECT_FALSE(list.ListRunningPrograms(view));
    const auto& cur = list.Current();
    EXPECT_EQ(cur.List1, (std::vector<std::wstring>{L"C:\\b.exe", L"C:\\d.exe", L"C:\\d.exe"}));
    EXPECT_EQ(cur.lstID, (std::vector<std::wstring>{L"16", L"24", L"28"}));
    EXPECT_EQ(cur.lstName, (std::vector<std::wstring>{L"b.exe", L"d.exe"}));
    EXPECT_EQ(view.Programs(), (std::vector<std::wstring>{L"b.exe", L"d.exe"}));
    EXPECT_EQ(view.begins, 2);
    EXPECT_EQ(view.ends, 1);
    ExpectIconsMatchRows();
    EXPECT_TRUE(view.enabled);
    EXPECT_FALSE(list.Rebuilding());
}

TEST_F(RunningProgramsTest, RebuildStartedWhileIconsAreDrawnWins) {
    probe.processes = {{12, L"C:\\a.exe"}, {16, L"C:\\b.exe"}, {20, L"C:\\c.exe"}};
    // Yields: 1 at the start, 3 in the scan, then before the second and third
    // program's icons. The nested rebuild comes before the third icon.
    bool done = false;
    onYield = [&] {
        if (yields == 6 && !done) {
            done = true;
            probe.processes = {{40, L"C:\\x.exe"}};
            list.ListRunningPrograms(view);
        }
    };
    list.ListRunningPrograms(view);
    EXPECT_EQ(list.Current().List1, (std::vector<std::wstring>{L"C:\\x.exe"}));
    EXPECT_EQ(view.Programs(), (std::vector<std::wstring>{L"x.exe"}));
    EXPECT_EQ(view.icons, (std::vector<std::wstring>{L"C:\\x.exe"}));
    ExpectIconsMatchRows();
}

TEST_F(RunningProgramsTest, ReadersSeeTheLastWholeSnapshotDuringARebuild) {
    probe.processes = {{12, L"C:\\a.exe"}};
    list.ListRunningPrograms(view);
    probe.processes = {{12, L"C:\\a.exe"}, {16, L"C:\\b.exe"}};
    std::vector<size_t> seen;
    onYield = [&] {
        EXPECT_TRUE(list.Rebuilding());
        seen.push_back(list.Current().List1.size());
        EXPECT_EQ(list.Current().List1.size(), list.Current().lstID.size());
    };
    list.ListRunningPrograms(view);
    EXPECT_EQ(seen, std::vector<size_t>(seen.size(), 1u));
    EXPECT_EQ(list.Current().List1.size(), 2u);
    // A second rebuild still pairs every row with its own icon.
    list.ListRunningPrograms(view);
    ExpectIconsMatchRows();
}

TEST(CloseProgramNow, TerminatesEveryInstanceButNotAReusedId) {
    testing::FakeSystem sys;
    RunningProgramList snap;
    snap.List1 = {L"C:\\a\\app.exe", L"C:\\x\\other.exe", L"C:\\b\\app.exe", L"C:\\a\\app.exe", L"C:\\a\\App.exe"};
    snap.lstID = {L"100", L"104", L"108", L"112", L"116"};
    sys.processes = {{100, L"app.exe"}, {104, L"other.exe"}, {108, L"app.exe"}, {112, L"notepad.exe"},
                     {116, L"App.exe"}};
    // 112 ended after the rebuild and its id went to notepad.exe.
    EXPECT_EQ(CloseProgramNow(snap, L"app.exe", sys), 2);
    EXPECT_EQ(sys.terminated, (std::vector<std::uint32_t>{100, 108}));
    EXPECT_EQ(sys.processes.count(112), 1u);
    EXPECT_EQ(sys.processes.count(116), 1u);  // another row's program

    // Already ended: passed over.
    EXPECT_EQ(CloseProgramNow(snap, L"app.exe", sys), 0);
    EXPECT_EQ(CloseProgramNow(RunningProgramList{}, L"app.exe", sys), 0);
}

}  // namespace
}  // namespace kestrelon
