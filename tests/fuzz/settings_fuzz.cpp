// Fuzz target for the settings reader: any bytes are a knsetting.ini a user
// or another tool may have left. Checks: the start-up step never sets one of
// the six "After Finish All Tasks" choices; what is written back is 24 bytes
// and reads back as the same eight marks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "mainwindow/Settings.h"

using namespace kestrelon;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const SettingValues values = ParseSettings(bytes);
    const std::string written = FormatSettings(values);
    Check(written.size() == 24);
    Check(ParseSettings(written) == values);

    MemoryFileStore files;
    files.files[L"C:\\d\\knsetting.ini"] = bytes;
    MemoryOptionMarks marks;
    for (Option o : kFinalOptions) marks.on[o] = true;
    ReadSettings(marks, files, L"C:\\d");
    for (Option o : kFinalOptions) Check(!marks.Checked(o));
    Check(marks.Checked(Option::Autoload) == values[0]);

    Check(SaveSettings(marks, files, L"C:\\d").ok);
    const SettingValues again = ParseSettings(files.files[L"C:\\d\\knsetting.ini"]);
    Check(again[0] == values[0] && again[1] == values[1]);
    return 0;
}
