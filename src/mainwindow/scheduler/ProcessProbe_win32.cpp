#include "mainwindow/scheduler/ProcessProbe_win32.h"

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include "toolkit/Handles.h"

namespace kestrelon::win32 {

namespace {

using Handle = toolkit::UniqueKernelHandle;

// Query information and read memory: enough to list the modules.
constexpr DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x410
// Room for the longest path the system accepts.
constexpr DWORD kPathRoom = 32768;

std::optional<std::wstring> TextBeforeNul(const std::wstring& buffer, DWORD length) {
    if (length == 0) return std::nullopt;
    std::wstring text = buffer.substr(0, std::min<size_t>(length, buffer.size()));
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

}  // namespace

std::optional<std::vector<std::uint32_t>> ProcessProbe::ProcessIds() {
    std::vector<DWORD> ids(1024);
    for (;;) {
        DWORD bytes = 0;
        const DWORD room = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!EnumProcesses(ids.data(), room, &bytes)) return std::nullopt;
        // A full buffer may have cut the list short: try again with more room.
        if (bytes < room) {
            ids.resize(bytes / sizeof(DWORD));
            return std::vector<std::uint32_t>(ids.begin(), ids.end());
        }
        ids.resize(ids.size() * 2);
    }
}

namespace {

bool IsWow64(HANDLE process) {
    BOOL wow = FALSE;
    return IsWow64Process(process, &wow) && wow;
}

// Can this program list the modules of `process`? Everywhere but from a
// 32-bit program into a 64-bit one on a 64-bit system.
bool ModulesReadable(HANDLE process) {
    static const bool selfWow64 = IsWow64(GetCurrentProcess());
    return !selfWow64 || IsWow64(process);
}

}  // namespace

ProcessProbeResult ProcessProbe::Probe(std::uint32_t pid) {
    ProcessProbeResult result;
    Handle process(OpenProcess(kQueryAndRead, FALSE, pid));
    if (!process) return result;
    result.opened = true;
    std::wstring buffer(kPathRoom, L'\0');
    // Where the first module can be listed, its file name is the process's
    // image path in drive-letter form, which the system hands over in one
    // cheap query; listing the modules costs milliseconds a process.
    if (ModulesReadable(process.get())) {
        DWORD size = kPathRoom;
        if (QueryFullProcessImageNameW(process.get(), 0, buffer.data(), &size) && size > 0) {
            result.path = TextBeforeNul(buffer, size);
            return result;
        }
    }
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (EnumProcessModules(process.get(), &first, sizeof(first), &needed)) {
        result.path = TextBeforeNul(buffer, GetModuleFileNameExW(process.get(), first, buffer.data(), kPathRoom));
    } else {
        result.path = TextBeforeNul(buffer, GetProcessImageFileNameW(process.get(), buffer.data(), kPathRoom));
    }
    return result;
}

DosDeviceTable ProcessProbe::DosDevices() {
    DosDeviceTable table;
    std::wstring buffer(1000, L'\0');
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const std::wstring drive{letter, L':'};
        const DWORD n = QueryDosDeviceW(drive.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) continue;
        auto device = TextBeforeNul(buffer, n);
        if (device && !device->empty()) table.push_back({drive, *device});
    }
    return table;
}

HICON PreviewIconHandle::Extract(const std::wstring& dosPath) {
    Reset();
    HICON icon = ExtractIconW(GetModuleHandleW(nullptr), dosPath.c_str(), 0);
    // 1 means "not a file with icons"; it is no handle and must not be destroyed.
    if (reinterpret_cast<ULONG_PTR>(icon) > 1) icon_ = icon;
    return icon_;
}

void PreviewIconHandle::Reset() {
    if (icon_) DestroyIcon(icon_);
    icon_ = nullptr;
}

PreviewIconHandle& PreviewIcon() {
    static PreviewIconHandle handle;
    return handle;
}

// ---- icons kept across rebuilds ---------------------------------------------------

ProgramIconCache::Entry* ProgramIconCache::Find(const std::wstring& dosPath) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME written{};
    if (GetFileAttributesExW(dosPath.c_str(), GetFileExInfoStandard, &data)) written = data.ftLastWriteTime;
    for (Entry& e : entries_) {
        if (e.path != dosPath) continue;
        e.used = true;
        if (CompareFileTime(&e.written, &written) == 0) return &e;
        // The file changed since: extract its icon again.
        e = Entry{};
        e.path = dosPath;
        e.written = written;
        e.used = true;
        if (HICON icon = PreviewIcon().Extract(dosPath)) e.icon.reset(CopyIcon(icon));
        return &e;
    }
    Entry e;
    e.path = dosPath;
    e.written = written;
    e.used = true;
    if (HICON icon = PreviewIcon().Extract(dosPath)) e.icon.reset(CopyIcon(icon));
    entries_.push_back(std::move(e));
    return &entries_.back();
}

HICON ProgramIconCache::Get(const std::wstring& dosPath) { return static_cast<HICON>(Find(dosPath)->icon.get()); }

ProgramIconCache::Picture ProgramIconCache::PictureFrom(HICON icon, const toolkit::IconBitmaps& b) {
    return Picture{icon, static_cast<HBITMAP>(b.color.get()), static_cast<HBITMAP>(b.mask.get()), b.size};
}

ProgramIconCache::Picture ProgramIconCache::PictureOf(const std::wstring& dosPath) {
    Entry& e = *Find(dosPath);
    const auto icon = static_cast<HICON>(e.icon.get());
    if (icon && !e.split) {
        e.split = true;
        e.bitmaps = toolkit::IconBitmaps::Of(icon);
    }
    return PictureFrom(icon, e.bitmaps);
}

ProgramIconCache::Picture ProgramIconCache::PictureOfLasting(HICON icon) {
    if (!icon) return {};
    auto it = std::find_if(lasting_.begin(), lasting_.end(), [&](const auto& l) { return l.first == icon; });
    if (it == lasting_.end()) {
        lasting_.emplace_back(icon, toolkit::IconBitmaps::Of(icon));
        it = std::prev(lasting_.end());
    }
    return PictureFrom(icon, it->second);
}

// ---- one rebuild's pictures -------------------------------------------------------

void ProgramIconBatch::Take(ProgramIconCache& cache, const std::wstring& dosPath, HICON fallback) {
    ProgramIconCache::Picture p = cache.PictureOf(dosPath);
    if (!p.icon) p = cache.PictureOfLasting(fallback);
    items_.push_back(p);
}

void ProgramIconBatch::AppendTo(toolkit::ImageList& images) {
    int cx = 0, cy = 0;
    if (!images.Handle() || !ImageList_GetIconSize(images.Handle(), &cx, &cy)) {
        items_.clear();
        return;
    }
    // Every picture takes its place: one that cannot be added leaves an empty image.
    auto one = [&](HICON icon) {
        if (images.Add(icon) < 0) images.Add(nullptr);
    };
    std::size_t i = 0;
    while (i < items_.size()) {
        std::size_t j = i;
        while (j < items_.size() && items_[j].FitList(cx, cy)) ++j;
        if (j == i) {
            one(items_[i++].icon);
            continue;
        }
        if (!AppendStrip(images, i, j, cx, cy))
            for (std::size_t k = i; k < j; ++k) one(items_[k].icon);
        i = j;
    }
    items_.clear();
}

bool ProgramIconBatch::AppendStrip(toolkit::ImageList& images, std::size_t first, std::size_t last, int cx,
                                   int cy) const {
    const int n = static_cast<int>(last - first);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = n * cx;
    bi.bmiHeader.biHeight = cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    toolkit::UniqueGdi color(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    toolkit::UniqueGdi mask(CreateBitmap(n * cx, cy, 1, 1, nullptr));
    HDC to = CreateCompatibleDC(nullptr), from = CreateCompatibleDC(nullptr);
    bool ok = color && mask && to && from;
    if (ok) {
        HGDIOBJ oldTo = SelectObject(to, color.get());
        HGDIOBJ oldFrom = SelectObject(from, items_[first].color);
        for (std::size_t k = first; ok && k < last; ++k) {
            SelectObject(from, items_[k].color);
            ok = BitBlt(to, static_cast<int>(k - first) * cx, 0, cx, cy, from, 0, 0, SRCCOPY);
        }
        SelectObject(to, mask.get());
        for (std::size_t k = first; ok && k < last; ++k) {
            SelectObject(from, items_[k].mask);
            ok = BitBlt(to, static_cast<int>(k - first) * cx, 0, cx, cy, from, 0, 0, SRCCOPY);
        }
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (to) DeleteDC(to);
    if (from) DeleteDC(from);
    return ok && images.AddStrip(static_cast<HBITMAP>(color.get()), static_cast<HBITMAP>(mask.get()), n) >= 0;
}

void ProgramIconCache::DropUnused() {
    std::erase_if(entries_, [](const Entry& e) { return !e.used; });
    for (Entry& e : entries_) e.used = false;
}

int AddProgramIcon(HIMAGELIST images, const std::wstring& dosPath, HICON fallback) {
    if (!images) return -1;
    HICON icon = PreviewIcon().Extract(dosPath);
    if (!icon) icon = fallback;
    return icon ? ImageList_AddIcon(images, icon) : -1;
}

}  // namespace kestrelon::win32
