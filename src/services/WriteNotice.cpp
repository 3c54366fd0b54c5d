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

namespace {

std::wstring FileAndReason(const std::wstring& path, const std::wstring& reason) {
    std::wstring text = L"Kestrelon could not save\r\n" + path;
    if (!reason.empty()) text += L"\r\n\r\n" + reason;
    return text;
}

}  // namespace

std::optional<Telling> WriteNotice::Tell(const std::wstring& path, const FileResult& result, Ending how) {
    switch (how) {
    case Ending::None:
        if (auto text = Report(path, result)) return Telling{false, std::move(*text)};
        return std::nullopt;
    case Ending::AskedByUser:
        if (result.ok) return std::nullopt;
        return Telling{true, WriteFailedAtEndMessage(path, result.error)};
    case Ending::Unattended:
        break;
    }
    return std::nullopt;
}

std::wstring WriteFailedMessage(const std::wstring& path, const std::wstring& reason) {
    return FileAndReason(path, reason) +
           L"\r\n\r\nThe tasks in the window are kept and Kestrelon goes on running. You are told again "
           L"only after this file has been saved once more.";
}

std::wstring WriteFailedAtEndMessage(const std::wstring& path, const std::wstring& reason) {
    return FileAndReason(path, reason) +
           L"\r\n\r\nKestrelon now ends without writing this file: it keeps what it held before.";
}

std::wstring DefaultListUnreadableMessage(const std::wstring& path) {
    return L"Kestrelon could not read its task list\r\n" + path +
           L"\r\n\r\nThe file was left as it is: until Kestrelon is started again it neither replaces nor "
           L"deletes it, so the tasks in the window are not saved into it.";
}

std::wstring SettingsUnreadableMessage(const std::wstring& settingsPath, const std::wstring& listPath) {
    return L"Kestrelon could not read its settings\r\n" + settingsPath +
           L"\r\n\r\nThe options start switched off and the task list\r\n" + listPath +
           L"\r\nwas not loaded. Until Kestrelon is started again it leaves both files as they are: it "
           L"neither writes the settings nor replaces or deletes the task list.";
}

std::wstring ListLeftAloneQuestion(const std::wstring& listPath, int count) {
    const std::wstring tasks = count == 1 ? L"1 task" : std::to_wstring(count) + L" tasks";
    return L"Kestrelon left its task list\r\n" + listPath +
           L"\r\nas it was in this run, so it cannot hold the " + tasks +
           L" in the window: they are lost when Kestrelon ends.\r\n\r\nChoose OK to end Kestrelon anyway, or "
           L"Cancel to go back and keep them with \"Save Tasks\".";
}

std::wstring FitNotice(const std::wstring& text, size_t maxChars) {
    if (text.size() <= maxChars) return text;
    if (maxChars < 3) return text.substr(0, maxChars);
    return text.substr(0, maxChars - 3) + L"...";
}

}  // namespace kestrelon
