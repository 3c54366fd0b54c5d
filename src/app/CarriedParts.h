// The program carries parts that nothing in it calls (the window and process
// inspector's full interface, the pop-up menu form, the keyed message
// collection, the file information reader). This registration references
// each of them, so the linker keeps them in kestrelon.exe, and lists them on
// request for the tests:
//
//   kestrelon.exe --carried-parts FILE
//
// writes one line per carried member, "<name><TAB><offset of its code in the
// image, hex>", then one line "run<TAB><part><TAB>ok|failed" per part tried
// out briefly, and ends without showing a window. The switch is not shown to
// users.
#pragma once

#include <optional>
#include <string>

namespace kestrelon {

// The FILE of "--carried-parts FILE" when the command line asks for the list.
std::optional<std::wstring> CarriedPartsRequest(const wchar_t* commandLine);

// Writes the list to `file`; the program's exit code (0 when written and
// every part ran).
int WriteCarriedParts(const std::wstring& file);

}  // namespace kestrelon
