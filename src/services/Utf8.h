// Unicode text at the file boundary: files that announce themselves with a
// byte-order mark (UTF-8, UTF-16 in either byte order) are read in that
// encoding whatever the system's code page.
#pragma once

#include <string>
#include <string_view>

namespace kestrelon {

// The three bytes EF BB BF.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// FF FE and FE FF: UTF-16, least or most significant byte first.
inline constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
inline constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

bool StartsWithUtf8Bom(std::string_view bytes);

// UTF-8 to the program's wide text (UTF-16 on Windows, where characters past
// U+FFFF become surrogate pairs). A byte that does not begin a valid, shortest
// sequence becomes U+FFFD and decoding goes on with the next byte.
std::wstring DecodeUtf8(std::string_view bytes);

// The program's wide text as UTF-8, without a mark. A lone surrogate (no
// character) becomes U+FFFD.
std::string EncodeUtf8(std::wstring_view text);

// UTF-16 bytes (without their mark) to the program's wide text. A lone
// surrogate, and an odd byte at the end, become U+FFFD.
std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian);

}  // namespace kestrelon
