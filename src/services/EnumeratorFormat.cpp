#include <cstdint>

#include "services/Enumerator.h"

namespace kestrelon {

std::wstring Enumerator::Format8(Long Value) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    auto bits = static_cast<std::uint32_t>(Value);
    std::wstring text(8, L'0');
    for (int i = 7; i >= 0 && bits != 0; --i, bits >>= 4) text[static_cast<size_t>(i)] = kDigits[bits & 0xF];
    return text;
}

std::wstring Enumerator::FixApi(const std::wstring& APIString) {
    const size_t nul = APIString.find(L'\0');
    return nul == std::wstring::npos ? APIString : APIString.substr(0, nul);
}

}  // namespace kestrelon
