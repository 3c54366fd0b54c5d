#include "services/TextFile.h"

#include "services/Utf8.h"

namespace kestrelon {

namespace {
bool StartsWith(std::string_view bytes, std::string_view head) { return bytes.substr(0, head.size()) == head; }

bool StartsWithMark(std::string_view bytes) {
    return StartsWith(bytes, kUtf8Bom) || StartsWith(bytes, kUtf16LeBom) || StartsWith(bytes, kUtf16BeBom);
}

// A stray last byte is half a code unit. Inside a line it stands as U+FFFD,
// as any broken character does; after the last line end it is nothing, so
// that it does not make a line of its own.
std::wstring DecodeUtf16File(std::string_view bytes, bool bigEndian) {
    std::wstring text = DecodeUtf16(bytes, bigEndian);
    if (bytes.size() % 2 == 0) return text;
    const size_t before = text.size() - 1;  // the U+FFFD of the stray byte is last
    if (before == 0 || text[before - 1] == L'\n' || text[before - 1] == L'\r') text.pop_back();
    return text;
}
}  // namespace

std::wstring DecodeTextFile(std::string_view bytes, const IAnsiCodec& codec) {
    if (StartsWith(bytes, kUtf8Bom)) return DecodeUtf8(bytes.substr(kUtf8Bom.size()));
    if (StartsWith(bytes, kUtf16LeBom)) return DecodeUtf16File(bytes.substr(kUtf16LeBom.size()), false);
    if (StartsWith(bytes, kUtf16BeBom)) return DecodeUtf16File(bytes.substr(kUtf16BeBom.size()), true);
    return codec.Decode(std::string(bytes));
}

std::string EncodeTextFile(const std::wstring& text, const IAnsiCodec& codec) {
    // The code page holds the text exactly when its bytes decode to the same
    // text. Bytes that would begin like a mark would be read as another
    // encoding: such a text is written as UTF-8 too.
    std::string ansi = codec.Encode(text);
    if (codec.Decode(ansi) == text && !StartsWithMark(ansi)) return ansi;
    return std::string(kUtf8Bom) + EncodeUtf8(text);
}

}  // namespace kestrelon
