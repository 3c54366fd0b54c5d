// The running-program list's view of the system, for real: the process list,
// each process's executable path, the drive devices, and program icons.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "mainwindow/scheduler/RunningPrograms.h"
#include "toolkit/Controls.h"
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

    // The file's icon (as Get) with its colour and mask bitmaps, taken once;
    // the cache owns them as long as the icon.
    struct Picture {
        HICON icon = nullptr;
        HBITMAP color = nullptr, mask = nullptr;
        SIZE size{};
        bool FitList(int cx, int cy) const { return color && mask && size.cx == cx && size.cy == cy; }
    };
    Picture PictureOf(const std::wstring& dosPath);
    // The same for an icon that outlives the cache (a program's own picture
    // shown for files without one); its bitmaps are taken once.
    Picture PictureOfLasting(HICON icon);
    // A rebuild ended: destroys the icons not asked for since the last call.
    void DropUnused();
    std::size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        std::wstring path;
        FILETIME written{};
        toolkit::UniqueIcon icon;
        bool used = false;
        toolkit::IconBitmaps bitmaps;
        bool split = false;
    };
    static Picture PictureFrom(HICON icon, const toolkit::IconBitmaps& b);
    Entry* Find(const std::wstring& dosPath);
    std::vector<Entry> entries_;
    std::vector<std::pair<HICON, toolkit::IconBitmaps>> lasting_;
};

// The pictures of one rebuild's programs, taken one by one and appended to
// the image list in one go at its end: the list then copies one strip
// instead of drawing every icon. The same images, at the same indices, as
// appending each picture when it is taken.
class ProgramIconBatch {
public:
    // The picture of `dosPath` from `cache`, or `fallback` when the file has
    // none (an empty image when there is no fallback either).
    void Take(ProgramIconCache& cache, const std::wstring& dosPath, HICON fallback);
    // Appends every picture taken, in order, and forgets them. Call it before
    // the cache next drops icons.
    void AppendTo(toolkit::ImageList& images);
    void Clear() { items_.clear(); }
    std::size_t Size() const { return items_.size(); }

private:
    bool AppendStrip(toolkit::ImageList& images, std::size_t first, std::size_t last, int cx, int cy) const;
    std::vector<ProgramIconCache::Picture> items_;
};

// The icon steps for an image list: extracts the program's icon through
// PreviewIcon() and appends it to `images`, or `fallback` when the file has
// no icon. Returns the new image's 0-based index, -1 when nothing was added.
int AddProgramIcon(HIMAGELIST images, const std::wstring& dosPath, HICON fallback);

}  // namespace kestrelon::win32
