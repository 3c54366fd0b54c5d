#include "GetFile.h"

namespace kestrelon {

std::wstring GetFileName(const std::wstring& path) {
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace kestrelon
