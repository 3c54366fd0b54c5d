#include "services/WriteNotice.h"

namespace kestrelon {

std::optional<std::wstring> WriteNotice::Report(const std::wstring& path, const FileResult& result) {
    if (result.ok) {
        failing_.erase(path);
        return std::nullopt;
    }
    if (!failing_.insert(path).second) return std::nullopt;
    return WriteFailedMessage(path, result.error);
}

std::wstring WriteFailedMessage(const std::wstring& path, const std::wstring& reason) {
    std::wstring text = L"Kestrelon could not save\r\n" + path;
    if (!reason.empty()) text += L"\r\n\r\n" + reason;
    text +=
        L"\r\n\r\nThe tasks in the window are kept and Kestrelon goes on running. This message is not shown "
        L"again for this file until it has been saved once more.";
    return text;
}

}  // namespace kestrelon
