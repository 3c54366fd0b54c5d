#include "FileStore.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

namespace kestrelon {

namespace {
// 0x80-0x9F of Windows-1252; 0 marks the five unassigned bytes, which map
// to the C1 control of the same value as the system does.
const wchar_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

std::wstring Cp1252Codec::Decode(const std::string& bytes) const {
    std::wstring out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80]) out += kHigh[c - 0x80];
        else out += static_cast<wchar_t>(c);
    }
    return out;
}

std::string Cp1252Codec::Encode(const std::wstring& text) const {
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) {
            out += static_cast<char>(w);
            continue;
        }
        char c = '?';  // no such character in the code page
        for (int i = 0; i < 32; ++i)
            if (kHigh[i] ? kHigh[i] == w : w == 0x80 + i) c = static_cast<char>(0x80 + i);
        out += c;
    }
    return out;
}

namespace {
wchar_t FoldCase(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool SameText(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

bool AllDigits(std::wstring_view s) {
    if (s.empty()) return false;
    for (wchar_t c : s)
        if (c < L'0' || c > L'9') return false;
    return true;
}

// The folder part of a path with either kind of slash, and the name after it.
std::pair<std::wstring, std::wstring> SplitFolder(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {L"", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}
}  // namespace

bool IsLeftoverOf(const std::wstring& fileName, const std::wstring& target) {
    const std::wstring_view name(fileName);
    const std::wstring_view head = L".~", tail = L".tmp";
    if (target.empty() || name.size() < target.size() + head.size() + tail.size() + 1) return false;
    if (!SameText(name.substr(0, target.size()), target)) return false;
    if (!SameText(name.substr(target.size(), head.size()), head)) return false;
    if (!SameText(name.substr(name.size() - tail.size()), tail)) return false;
    std::wstring_view number = name.substr(target.size() + head.size());
    number.remove_suffix(tail.size());
    const size_t dash = number.find(L'-');
    if (dash == std::wstring_view::npos) return AllDigits(number);
    return AllDigits(number.substr(0, dash)) && AllDigits(number.substr(dash + 1));
}

void MemoryFileStore::RemoveLeftovers(const std::wstring& path) {
    const auto [folder, name] = SplitFolder(path);
    for (auto it = files.begin(); it != files.end();) {
        const auto [itFolder, itName] = SplitFolder(it->first);
        if (itFolder == folder && IsLeftoverOf(itName, name)) it = files.erase(it);
        else ++it;
    }
}

namespace fs = std::filesystem;

namespace {
std::wstring Reason(const std::error_code& ec) {
    std::string msg = ec.message();
    return std::wstring(msg.begin(), msg.end());
}
}  // namespace

std::optional<std::string> StdFileStore::ReadAll(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

FileResult StdFileStore::WriteAtomic(const std::wstring& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    RemoveLeftovers(path);
    const fs::path target(path);
    fs::path temp = target;
    temp += L".~" + std::to_wstring(++counter) + L".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return FileResult::Fail(L"Cannot create " + temp.wstring());
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return FileResult::Fail(L"Cannot write " + temp.wstring());
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return FileResult::Fail(Reason(ec));
    }
    return FileResult::Ok();
}

FileResult StdFileStore::Remove(const std::wstring& path) {
    std::error_code ec;
    fs::remove(fs::path(path), ec);  // false without error when absent
    if (ec) return FileResult::Fail(Reason(ec));
    return FileResult::Ok();
}

void StdFileStore::RemoveLeftovers(const std::wstring& path) {
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::wstring name = target.filename().wstring();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && IsLeftoverOf(it->path().filename().wstring(), name))
            fs::remove(it->path(), ignored);
    }
}

bool StdFileStore::Exists(const std::wstring& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(path), ec);
}

}  // namespace kestrelon
