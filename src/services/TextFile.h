// The text of a task-list file at the file boundary: how its bytes become the
// program's wide text, and back.
//
// Reading: a byte-order mark names the encoding (UTF-8, UTF-16 least or most
// significant byte first) and is not part of the text; a file without a mark
// is in the system's ANSI code page.
// Writing: in the code page when it holds every character exactly, so that
// the file stays what other tools and older versions read; otherwise UTF-8
// with its mark. Nothing is mapped to a look-alike character ("best fit"): a
// save never changes a character.
#pragma once

#include <string>
#include <string_view>

#include "services/FileStore.h"

namespace kestrelon {

std::wstring DecodeTextFile(std::string_view bytes, const IAnsiCodec& codec);
std::string EncodeTextFile(const std::wstring& text, const IAnsiCodec& codec);

}  // namespace kestrelon
