// Fuzz target for the custom Loop text "D/H/M (Day/Hour/Min)" and the
// re-arming of a fired row by its Loop text. Checks: a row that stays is due
// strictly later than before, with a Close Time that reads back; a row that
// cannot be moved on is removed (it never fires again and again).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "mainwindow/scheduler/Execution.h"
#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskRow.h"
#include "services/FileStore.h"

using namespace kestrelon;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring loop = Cp1252Codec().Decode(std::string(reinterpret_cast<const char*>(data), size));
    if (auto parts = ParseCustomRepeat(loop))
        for (int p : *parts) Check(p >= -32768 && p <= 32767);

    const RepeatTexts english = {L"None", L"Every Month", L"Every Day", L"Every Hour", L"Every Minute"};
    const RepeatTexts german = {L"Keine", L"Jeden Monat", L"Jeden Tag", L"Jede Stunde", L"Jede Minute"};
    const LocaleFormat loc = LocaleFormat::EnglishUS();
    const DateTime was{2026, 12, 8, 10, 30, 0};
    for (const std::wstring& text : {loop, loop + kCustomLoopSuffix}) {
        MemoryTaskTable table;
        table.Add({L"a.exe", L"C:\\a.exe", L"00000", FormatYMDHMS(was, loc), text, kCloseNormal, L""});
        table.Add({L"next", L"", L"", L"", L"", L"", L""});
        const bool stays = RearmOrRemove(table, 1, english, {german}, loc);
        if (stays) {
            Check(table.Count() == 2);
            auto due = ParseDateTime(*table.Field(1, fCloseTime), loc);
            Check(due && DueNumber(*due) > DueNumber(was));
        } else {
            Check(table.Count() == 1 && *table.Field(1, fProgram) == L"next");
        }
    }
    return 0;
}
