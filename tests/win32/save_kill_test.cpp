// A kill at any moment of a save leaves every file old and whole or new and
// whole. kwriter.exe saves the default task list, the settings and a saved
// list (2,000 rows each) over and over through the program's own file store;
// the test kills it at a spread of moments and reads what is on disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "services/FileStore_win32.h"

namespace kestrelon {
namespace {

constexpr int kRows = 2000;
constexpr int kRounds = 36;

std::wstring NewFolder(const std::wstring& tag) {
    const std::wstring path = testing::TempDir() + L"kkill_" + tag + L"_" + std::to_wstring(GetCurrentProcessId()) +
                              L"_" + std::to_wstring(GetTickCount());
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

using testing::FilesIn;

void RemoveFolder(const std::wstring& dir) {
    for (const auto& name : FilesIn(dir)) DeleteFileW((dir + L"\\" + name).c_str());
    RemoveDirectoryW(dir.c_str());
}

std::string ReadText(const std::wstring& path) {
    Win32FileStore store;
    return store.ReadAll(path).value_or("");
}

// The generation of a whole task list written by kwriter, or empty when the
// file is missing, cut, or mixes generations.
std::optional<long> ListGeneration(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) return std::nullopt;
    std::optional<long> gen;
    int row = 0;
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = bytes.find("\r\n", start);
        const std::string line = bytes.substr(start, end - start);
        start = end + 2;
        ++row;
        std::vector<std::string> fields;
        std::stringstream in(line);
        for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
        if (fields.size() != 7 || fields[6].rfind('g', 0) != 0) return std::nullopt;
        const size_t blank = fields[6].find(" r");
        if (blank == std::string::npos || fields[6].substr(blank + 2) != std::to_string(row)) return std::nullopt;
        const long g = std::strtol(fields[6].substr(1, blank - 1).c_str(), nullptr, 10);
        if (gen && *gen != g) return std::nullopt;
        if (fields[0] != "prog" + std::to_string(g) + ".exe") return std::nullopt;
        gen = g;
    }
    if (row != kRows) return std::nullopt;
    return gen;
}

// The eight marks of a whole settings file as a number, or empty.
std::optional<long> SettingsBits(const std::string& bytes) {
    if (bytes.size() != 24) return std::nullopt;
    long bits = 0;
    for (int i = 0; i < 8; ++i) {
        const std::string line = bytes.substr(i * 3, 3);
        if (line != "0\r\n" && line != "1\r\n") return std::nullopt;
        if (line[0] == '1') bits |= 1L << i;
    }
    return bits;
}

struct Progress {
    bool ready = false;
    std::map<std::string, long> begun, ended;  // per file: the last generation begun / finished
    long highest = 0;
};

Progress ReadLog(const std::wstring& path) {
    Progress p;
    std::stringstream in(ReadText(path));
    for (std::string line; std::getline(in, line);) {
        if (line == "R") p.ready = true;
        std::stringstream words(line);
        std::string kind, file;
        long g = 0;
        if (!(words >> kind >> file >> g)) continue;
        (kind == "B" ? p.begun : p.ended)[file] = g;
        if (g > p.highest) p.highest = g;
    }
    return p;
}

bool LogShows(const std::wstring& path, const std::string& text) {
    return ReadText(path).find(text) != std::string::npos;
}

size_t Leftovers(const std::wstring& dir, const std::wstring& name) {
    size_t n = 0;
    for (const auto& f : FilesIn(dir)) n += IsLeftoverOf(f, name);
    return n;
}

class SaveKill : public ::testing::Test {
protected:
    void SetUp() override {
        dir = NewFolder(L"data");
        logs = NewFolder(L"logs");
    }
    void TearDown() override {
        RemoveFolder(dir);
        RemoveFolder(logs);
    }
    // Runs kwriter with `args` to its end.
    DWORD RunWriter(const std::wstring& args) {
        return testing::RunToEnd(testing::ExeDir() + L"kwriter.exe",
                                 L"--dir \"" + dir + L"\" --rows " + std::to_wstring(kRows) + L" " + args);
    }
    PROCESS_INFORMATION Start(const std::wstring& args) {
        const std::wstring exe = testing::ExeDir() + L"kwriter.exe";
        return testing::StartHidden(exe, L"\"" + exe + L"\" --dir \"" + dir + L"\" --rows " +
                                             std::to_wstring(kRows) + L" " + args);
    }
    std::wstring dir, logs;
};

TEST_F(SaveKill, EveryFileStaysOldAndWholeOrNewAndWholeAndLeftoversAreCleared) {
    ASSERT_EQ(RunWriter(L"--from 0 --once"), 0u);  // generation 1 on disk
    std::map<std::string, long> onDisk = {{"default", 1}, {"settings", 1}, {"saved", 1}};

    // How long one round of three saves takes here, to spread the kills over it.
    const DWORD t0 = GetTickCount();
    ASSERT_EQ(RunWriter(L"--from 1 --once"), 0u);
    const DWORD roundMs = GetTickCount() - t0;
    onDisk = {{"default", 2}, {"settings", 2}, {"saved", 2}};
    long from = 2;

    const char* files[] = {"default", "settings", "saved"};
    int whole = 0, killedInsideASave = 0;
    size_t leftoversSeen = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::wstring log = logs + L"\\round" + std::to_wstring(round) + L".log";
        PROCESS_INFORMATION pi = Start(L"--from " + std::to_wstring(from) + L" --log \"" + log + L"\"");
        ASSERT_TRUE(pi.hProcess);
        // Every third round is killed the moment a given save begins; the others
        // at a moment spread over a few rounds of saves.
        for (int i = 0; i < 2000 && !LogShows(log, "R"); ++i) Sleep(1);
        if (round % 3 == 0) {
            const std::string target = std::string("B ") + files[(round / 3) % 3] + " " + std::to_string(from + 2);
            for (int i = 0; i < 20000 && !LogShows(log, target); ++i) Sleep(0);
        } else {
            Sleep(static_cast<DWORD>((round * 37) % (3 * roundMs + 20)));
        }
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);

        const Progress p = ReadLog(log);
        bool roundWhole = true;
        for (const char* file : files) {
            const std::wstring name = file == std::string("default")    ? L"default.ktf"
                                      : file == std::string("settings") ? L"knsetting.ini"
                                                                        : L"saved.ktf";
            const std::string bytes = ReadText(dir + L"\\" + name);
            const long oldGen = p.ended.count(file) ? p.ended.at(file) : onDisk[file];
            const long newGen = p.begun.count(file) ? p.begun.at(file) : oldGen;
            if (newGen != oldGen) ++killedInsideASave;
            std::optional<long> got;
            if (file == std::string("settings")) {
                auto bits = SettingsBits(bytes);
                if (bits == (oldGen & 0xFF)) got = oldGen;
                else if (bits == (newGen & 0xFF)) got = newGen;
            } else {
                got = ListGeneration(bytes);
            }
            EXPECT_TRUE(got == oldGen || got == newGen)
                << "round " << round << " " << file << ": expected generation " << oldGen << " or " << newGen;
            roundWhole &= got == oldGen || got == newGen;
            if (got) onDisk[file] = *got;
            leftoversSeen += Leftovers(dir, name);
        }
        whole += roundWhole;
        from = std::max(from, p.highest);

        // A start of the program clears what the kill left of the data folder's files.
        if (round % 2 == 1) {
            ASSERT_EQ(RunWriter(L"--startup"), 0u);
            EXPECT_EQ(Leftovers(dir, L"default.ktf"), 0u) << round;
            EXPECT_EQ(Leftovers(dir, L"knsetting.ini"), 0u) << round;
        }
    }
    // The next save of each file clears the rest.
    ASSERT_EQ(RunWriter(L"--from " + std::to_wstring(from) + L" --once"), 0u);
    std::vector<std::wstring> names = FilesIn(dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"default.ktf", L"knsetting.ini", L"saved.ktf"}));
    std::printf("[ figures  ] %d of %d rounds killed with every file whole; %d kills inside a save; "
                "%zu temporary files left by kills, all cleared; one round of saves took %lu ms\n",
                whole, kRounds, killedInsideASave, leftoversSeen, static_cast<unsigned long>(roundMs));
    EXPECT_EQ(whole, kRounds);
    EXPECT_GT(killedInsideASave, kRounds / 3);
}

}  // namespace
}  // namespace kestrelon
