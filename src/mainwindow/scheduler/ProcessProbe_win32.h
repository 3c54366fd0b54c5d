// The running-program list's view of the system, for real: the process list,
// each process's executable path, the drive devices, and program icons.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "mainwindow/scheduler/RunningPrograms.h"
#include "toolkit/Handles.h"

namespace kestrelon::win32 {

class ProcessProbe : public IProcessProbe {
public:
    // EnumProcesses, with a buffer grown until the whole list fits.
    std::optional<std::vector<std::uint32_t>> ProcessIds() override;
    // Opens the process for query and memory read (0x410). The path is the
    // file name of its first module; when the modules cannot be listed, its
    // image file name in device form.
    ProcessProbeResult Probe(std::uint32_t pid) override;
    // QueryDosDevice for A: to Z: (the first name of each).
    DosDeviceTable DosDevices() override;
};

// The icon last extracted for a preview picture. Extracting the next one
// destroys the previous one first; the last stays alive until the next
// extraction (or the end of the program).
class PreviewIconHandle {
public:
    PreviewIconHandle() = default;
    PreviewIconHandle(const PreviewIconHandle&) = delete;
    PreviewIconHandle& operator=(const PreviewIconHandle&) = delete;
    ~PreviewIconHandle() { Reset(); }

    // Destroys the icon held, then extracts the first icon of the file at
    // `dosPath` and holds it. Null when the file has no icon.
    HICON Extract(const std::wstring& dosPath);
    HICON Get() const { return icon_; }
    void Reset();

private:
    HICON icon_ = nullptr;
};

// The program-wide preview icon, shared by the running-program list and the
// window picker.
PreviewIconHandle& PreviewIcon();

// Program icons kept across rebuilds of the running-program list, by file
// path and the file's last-write time, so that a rebuild extracts only the
// icons of programs it has not seen before. Icons of programs that a rebuild
// no longer lists are destroyed at its end.
class ProgramIconCache {
public:
    // The file's icon (extracted through PreviewIcon() when it is new or has
    // changed; the cache keeps its own copy), null when it has none.
    HICON Get(const std::wstring& dosPath);
    // Appends the file's icon (as Get), or `fallback` when it has none, to
    // `images`; the new image's index, -1 when nothing was added.
    int AddTo(HIMAGELIST images, const std::wstring& dosPath, HICON fallback);
    // A rebuild ended: destroys the icons not asked for since the last call.
    void DropUnused();
    std::size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        std::wstring path;
        FILETIME written{};
        toolkit::UniqueIcon icon;
        bool used = false;
        // The icon's own colour and mask bitmaps, taken once: appending them
        // to an image list costs a tenth of appending the icon, which draws
        // it anew every time.
        toolkit::UniqueGdi color, mask;
        SIZE size{};
        bool split = false;
    };
    Entry* Find(const std::wstring& dosPath);
    std::vector<Entry> entries_;
};

// As AddProgramIcon below, with the icon taken from `cache`.
int AddProgramIcon(HIMAGELIST images, ProgramIconCache& cache, const std::wstring& dosPath, HICON fallback);

// The icon steps for an image list: extracts the program's icon through
// PreviewIcon() and appends it to `images`, or `fallback` when the file has
// no icon. Returns the new image's 0-based index, -1 when nothing was added.
int AddProgramIcon(HIMAGELIST images, const std::wstring& dosPath, HICON fallback);

}  // namespace kestrelon::win32
