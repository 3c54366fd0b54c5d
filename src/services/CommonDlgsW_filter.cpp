// The text work of the common dialogs: the filter list, the padded buffers
// and reading a dialog's results back into the fields.
#include "services/CommonDlgsW.h"

#include <algorithm>

namespace kestrelon {

std::wstring DialogFilterBuffer(const std::wstring& filter) {
    std::wstring buffer = filter;
    std::replace(buffer.begin(), buffer.end(), L'|', L'\0');
    buffer.push_back(L'\0');  // ends the last entry
    buffer.push_back(L'\0');  // ends the list
    return buffer;
}

std::vector<wchar_t> PaddedBuffer(const std::wstring& text, std::size_t length) {
    std::vector<wchar_t> buffer(std::max(length, text.size() + 1), L'\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    return buffer;
}

std::uint32_t ResolveColorReference(std::uint32_t rhs, std::uint32_t (*sysColor)(int index)) {
    if ((rhs & kSysColorReference) && sysColor) return sysColor(static_cast<int>(rhs & 0xFFFF));
    return rhs;
}

DialogBuffers CommonDlgsW::FillBuffers() const {
    DialogBuffers b;
    b.filter = DialogFilterBuffer(Filter);
    // The dialog may write up to nMaxFile characters: the buffer is always at
    // least that long, and long enough for the initial name and its NUL.
    const std::size_t asked = static_cast<std::size_t>(std::max<std::int32_t>(MaxFileSize, 0));
    const std::size_t maxFile = std::max(std::min(asked, kMaxDialogBufferChars), FileName.size() + 1);
    b.file = PaddedBuffer(FileName, std::max(kDialogBufferChars, maxFile));
    b.maxFile = static_cast<std::uint32_t>(maxFile);
    b.fileTitle.assign(kDialogBufferChars, L'\0');
    b.initDir = PaddedBuffer(InitDir, kDialogBufferChars);
    b.title = DialogTitle;
    b.defaultExt = DefaultExt;
    return b;
}

void CommonDlgsW::ReadOpenFileName(const DialogBuffers& buffers, std::uint32_t returnedFlags) {
    FileName.assign(buffers.file.begin(), buffers.file.end());
    FileTitle.clear();
    if (!(Flags & kOfnAllowMultiSelect)) {
        // A single file: the path ends at the first NUL.
        FileName.resize(std::min(FileName.size(), FileName.find(L'\0')));
        if (!(Flags & kOfnNoValidate)) {
            const auto& t = buffers.fileTitle;
            FileTitle.assign(t.begin(), std::find(t.begin(), t.end(), L'\0'));
            Title = FileTitle;
        }
    }
    // With several files the whole buffer stays: the folder, then each name,
    // separated by NULs, and the NULs that follow.
    Flags = returnedFlags;
}

void CommonDlgsW::KeepChosenPath(const std::wstring& path) {
    FileName = path;
    if (FileTitle.empty()) return;  // the dialog gave no title (several files, no validation)
    const std::size_t slash = path.find_last_of(L"\\/");
    FileTitle = slash == std::wstring::npos ? path : path.substr(slash + 1);
    Title = FileTitle;
}

}  // namespace kestrelon
