// The running-program list: the hidden lists List1/lstID/lstName of the main
// window and the rows of the task editor's list view LV, rebuilt from the
// system's process list (form1.ListRunningPrograms), and the rules the editor
// applies to it (reselect, type-ahead, lowest id of a program, close now).
//
// The rebuild is written against two small interfaces: IProcessProbe (what
// the system says about processes and drive devices) and
// IRunningProgramsView (the editor's list view, its controls and the icon
// list). The program passes the Win32 ones (ProcessProbe_win32.h and form1);
// tests pass fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/scheduler/System.h"

namespace kestrelon {

// The path text of a process that could be opened but whose path could not
// be read: "<Unknown>" followed by blanks, 1024 characters in all.
const std::wstring& UnknownProcessPath();

// A drive letter and the device behind it: {"C:", "\Device\HarddiskVolume1"}.
struct DosDevice {
    std::wstring drive;
    std::wstring device;
};
// The devices of the drives A: to Z: in letter order; drives without a
// device are left out.
using DosDeviceTable = std::vector<DosDevice>;

// form1.DevicePathToDosPath: turns a path in device form into a drive-letter
// path. The first drive, in letter order, whose device name is a prefix of
// the path (ignoring case) replaces that prefix; there is no separator check,
// so "\Device\HarddiskVolume1" also matches "\Device\HarddiskVolume10\x".
// Any other path (a drive-letter path, an unmapped device) comes back as it is.
std::wstring DevicePathToDosPath(const std::wstring& path, const DosDeviceTable& devices);

// What the system says about processes.
struct ProcessProbeResult {
    bool opened = false;               // false: the process cannot be opened for query and read
    std::optional<std::wstring> path;  // first module's file name, else the image name in device
                                       // form; empty when neither could be read
};

class IProcessProbe {
public:
    virtual ~IProcessProbe() = default;
    // The ids of all processes of the system, in any order; empty when the
    // list cannot be had.
    virtual std::optional<std::vector<std::uint32_t>> ProcessIds() = 0;
    virtual ProcessProbeResult Probe(std::uint32_t pid) = 0;
    virtual DosDeviceTable DosDevices() = 0;
};

// One row of the editor's list view.
struct RunningProgramRow {
    std::wstring program;  // sub-item 1: the file name
    std::wstring path;     // sub-item 2: the drive-letter path
    int icon = 0;          // icon and small icon: 1-based position in the order rows were added,
                           // which is the index of the row's picture in the icon list
};

// One consistent snapshot of the running programs.
struct RunningProgramList {
    std::vector<std::wstring> List1;  // executable path per process, increasing process id
    std::vector<std::wstring> lstID;  // the process id of List1's entry at the same index
    std::vector<std::wstring> lstName;  // one file name per row, in the order rows were added
    std::vector<RunningProgramRow> rows;  // LV, sorted by Program (ignoring case; ties in add order)
};

// The editor's side of a rebuild.
class IRunningProgramsView {
public:
    virtual ~IRunningProgramsView() = default;
    // A rebuild starts: empty LV and turn its sorting off, drop the icons
    // staged by an earlier unfinished rebuild, disable LV, cmdCancel, cmdOK,
    // cmdRefresh, cmdClose, imgSelect and chkOnly.
    virtual void BeginRebuild() = 0;
    // A program got a row: draw the icon of the file at `dosPath` (the
    // generic program picture when it has none) and stage it as the next
    // image of the icon list.
    virtual void AddProgramIcon(const std::wstring& dosPath) = 0;
    // The rebuild is complete: the staged icons become the icon list, LV
    // shows `list.rows` in their order, the seven controls are enabled and the
    // editor redrawn; when `reselect` is set, LV gets the focus and that row
    // (an index into list.rows) is selected and scrolled into view.
    virtual void EndRebuild(const RunningProgramList& list, std::optional<std::size_t> reselect) = 0;
    // The editor's program-name label lblProcess(1).
    virtual std::wstring ProgramLabel() = 0;
};

// The main window's running-program list.
class RunningPrograms {
public:
    // `doEvents` lets pending window messages run; anything may happen in it,
    // another rebuild included.
    RunningPrograms(IProcessProbe& probe, std::function<void()> doEvents);

    // form1.ListRunningPrograms. The new lists are built aside and replace the
    // current ones in one step at the end, so readers always see a whole
    // snapshot. When another rebuild starts during one of this rebuild's
    // yields, the newer one wins: this one stops at once, changes nothing
    // more and returns false.
    bool ListRunningPrograms(IRunningProgramsView& view);

    const RunningProgramList& Current() const { return current_; }
    bool Rebuilding() const { return running_ > 0; }

private:
    IProcessProbe& probe_;
    std::function<void()> doEvents_;
    RunningProgramList current_;
    std::uint64_t generation_ = 0;
    int running_ = 0;
};

// The reselect rule: the first row, in list order, whose Program text equals
// `label` ignoring case; none for an empty label or no match.
std::optional<std::size_t> ReselectRow(const std::vector<RunningProgramRow>& rows, const std::wstring& label);

// frmMouseSelect.LV_KeyPress: the first row, in list order, whose Program text
// begins with `typed` ignoring case; none when no row does (the selection
// then stays as it is).
std::optional<std::size_t> TypeAheadRow(const std::vector<RunningProgramRow>& rows, wchar_t typed);

// The lstID text of the first List1 entry whose file name equals `program`
// exactly: the program's lowest process id. Empty when it has none.
std::optional<std::wstring> LowestIdOf(const RunningProgramList& list, const std::wstring& program);

// Close now: terminates every process of the snapshot whose file name equals
// `program` exactly, but only while the id still belongs to a process with
// that executable file name (ignoring case, as file names do), checked
// through the handle that ends it, so an id reused by another program since
// the rebuild is left alone. The program's own process is never terminated:
// `namesSelf` (when given) tells whether it was among them. Returns the
// number of processes terminated.
int CloseProgramNow(const RunningProgramList& list, const std::wstring& program, ISystem& sys,
                    bool* namesSelf = nullptr);

}  // namespace kestrelon
