// Fuzz target for the countdown text "D-H-M-S" and the Type texts that carry
// it: any text after "Close - After " in a hand-edited task file. Checks: now
// plus the countdown is a valid date no earlier than now, and its
// "YYYY/MM/DD HH:MM:SS" text reads back as the same moment.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "mainwindow/scheduler/DateTime.h"
#include "mainwindow/scheduler/TaskRow.h"
#include "services/FileStore.h"

using namespace kestrelon;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = Cp1252Codec().Decode(std::string(reinterpret_cast<const char*>(data), size));
    const DateTime now{2026, 12, 8, 15, 0, 0};
    const LocaleFormat locales[] = {LocaleFormat::EnglishUS(), LocaleFormat::German(), LocaleFormat::Iso()};

    const DateTime due = AddCountdown(now, text);
    Check(IsValidDate(due));
    // "-" separates the parts, so no part is negative: time only moves on.
    Check(DueNumber(due) >= DueNumber(now));
    for (const LocaleFormat& loc : locales) {
        auto back = ParseDateTime(FormatYMDHMS(due, loc), loc);
        Check(back && *back == due);
    }

    // The Type texts around it.
    for (const std::wstring& prefix : {kCloseAfter, kRunAfter, kCloseIdle, kRunIdle}) {
        auto load = LoadCountdown(prefix + text);
        Check(load.has_value());
        auto idle = IdleCountdown(prefix + text);
        Check(idle.has_value() == (prefix == kCloseIdle || prefix == kRunIdle));
        if (idle) Check(IsValidDate(AddCountdown(now, *idle)));
    }
    Check(!LoadCountdown(text).has_value() || StartsWith(text, kCloseAfter) || StartsWith(text, kRunAfter));
    return 0;
}
