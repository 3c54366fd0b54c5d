#include "FileStore.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <system_error>

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

bool StdFileStore::Exists(const std::wstring& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(path), ec);
}

}  // namespace kestrelon
