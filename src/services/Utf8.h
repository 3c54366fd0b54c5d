// UTF-8 text at the file boundary: files that announce themselves with the
// UTF-8 byte-order mark are read as UTF-8 whatever the system's code page.
#pragma once

#include <string>
#include <string_view>

namespace kestrelon {

// The three bytes EF BB BF.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool StartsWithUtf8Bom(std::string_view bytes);

// UTF-8 to the program's wide text (UTF-16 on Windows, where characters past
// U+FFFF become surrogate pairs). A byte that does not begin a valid, shortest
// sequence becomes U+FFFD and decoding goes on with the next byte.
std::wstring DecodeUtf8(std::string_view bytes);

}  // namespace kestrelon
