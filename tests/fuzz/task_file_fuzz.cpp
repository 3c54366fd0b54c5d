// Fuzz target for the task-list file reader (libFuzzer; built by
// scripts/fuzz.sh). Any bytes are a file a user might load. Checks, besides
// the sanitizers' own: only task rows are loaded, and every other line that
// is not blank is counted as left out; saving what was loaded and
// loading it again gives the same rows; every saved line has six TABs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mainwindow/scheduler/MemoryTaskTable.h"
#include "mainwindow/scheduler/TaskFiles.h"
#include "services/CommonDlgsW.h"
#include "services/TextFile.h"

using namespace kestrelon;

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const DateTime now{2026, 12, 8, 15, 0, 0};
    const LocaleFormat locale = LocaleFormat::EnglishUS();
    Cp1252Codec codec;
    MemoryFileStore files;
    files.files[L"in.ktf"] = bytes;

    MemoryTaskTable table;
    auto first = ReadTaskFile(L"in.ktf", table, 1, files, codec, now, locale);
    const std::wstring text = DecodeTextFile(bytes, codec);
    Check(first.opened && first.leftOut == 0);
    int textLines = 0;
    for (std::wstring_view line : SplitTaskLines(text))
        textLines += line.find_first_not_of(L'\xFEFF') != std::wstring_view::npos;  // marks alone are no line
    Check(first.added + first.notTasks == textLines);
    Check(table.Count() == first.added);
    for (const auto& row : table.rows) {
        const std::wstring& type = row.fields[fType - 1];
        Check(type.rfind(L"Close - ", 0) == 0 || type.rfind(L"Run - ", 0) == 0);
    }

    Check(WriteTaskFile(L"out.ktf", table, files, codec, locale).ok);
    const std::string& saved = files.files[L"out.ktf"];
    std::size_t tabs = 0, lines = 0;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i] == '\t') ++tabs;
        if (saved[i] == '\r') {
            Check(i + 1 < saved.size() && saved[i + 1] == '\n');
            Check(tabs == 6 * (lines + 1));
            ++lines;
        } else if (saved[i] == '\n') {
            Check(i > 0 && saved[i - 1] == '\r');
        }
    }
    Check(static_cast<int>(lines) == table.Count());

    MemoryTaskTable again;
    ReadTaskFile(L"out.ktf", again, 1, files, codec, now, locale);
    Check(again.Count() == table.Count());
    // Every field comes back as written; a Close Time that reads comes back
    // in the form the file holds, which reads as the same time.
    for (int i = 0; i < table.Count(); ++i) {
        TaskFields written = table.rows[i].fields;
        written[fCloseTime - 1] = CloseTimeForFile(written[fCloseTime - 1], locale);
        Check(again.rows[i].fields == written);
        Check(ParseDateTime(written[fCloseTime - 1], locale) == ParseDateTime(table.rows[i].fields[fCloseTime - 1], locale));
    }

    // The dialog's text work on the same bytes: a filter, a file name, and
    // reading back a buffer the dialog might have filled.
    CommonDlgsW dialog;
    dialog.Filter = text;
    dialog.FileName = text;
    dialog.InitDir = text;
    dialog.MaxFileSize = size ? static_cast<std::int32_t>(data[0]) * 64 - 1024 : 256;
    dialog.Flags = size > 1 ? data[1] << 4 : 0;
    DialogBuffers buffers = dialog.FillBuffers();
    Check(buffers.filter.size() >= 2 && buffers.filter[buffers.filter.size() - 1] == L'\0');
    Check(buffers.maxFile <= buffers.file.size() && buffers.file.size() > text.size());
    Check(buffers.file.back() == L'\0' && buffers.initDir.back() == L'\0');
    dialog.ReadOpenFileName(buffers, 0);
    return 0;
}
