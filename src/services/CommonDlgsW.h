// The system's common dialogs for opening a file, saving a file and choosing
// a colour (the wide-character forms). The caller sets the public fields,
// calls ShowOpen, ShowSave or ShowColor with the owner window, and reads the
// chosen path or colour back from the same fields. One instance is shared
// by every user in the program, so what one dialog leaves in the fields is
// where the next one starts (the last chosen path is the next initial name).
//
// The buffer preparation and the reading back are plain text work and live
// in CommonDlgsW_filter.cpp (unit-tested on the host); only the dialog calls
// are Win32 (CommonDlgsW_win32.cpp). This header needs no <windows.h>: the
// owner is an HWND passed as void*.
//
// Buffers never overflow: the file buffer is at least 256 characters, and
// is enlarged to hold a longer FileName or MaxFileSize characters; the
// dialog is never told that the buffer is larger than it is.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

// OPENFILENAME flags the reading back looks at.
constexpr std::uint32_t kOfnNoValidate = 0x100;
constexpr std::uint32_t kOfnAllowMultiSelect = 0x200;
// CHOOSECOLOR flags: CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR.
constexpr std::uint32_t kChooseColorFlags = 0x103;
// A colour with this bit set names a system colour (its low 16 bits).
constexpr std::uint32_t kSysColorReference = 0x80000000u;

// The length of the dialog buffers when nothing asks for more.
constexpr std::size_t kDialogBufferChars = 256;
// MaxFileSize is never taken beyond this many characters.
constexpr std::size_t kMaxDialogBufferChars = 1u << 20;

// "A|*.a|B|*.b" becomes A NUL *.a NUL B NUL *.b NUL NUL: every "|" a NUL,
// then one more NUL after the list's own terminating NUL. The result holds
// both final NULs in its length.
std::wstring DialogFilterBuffer(const std::wstring& filter);

// `text` followed by NULs up to `length` characters; a text of `length` or
// more characters is kept whole and followed by one NUL.
std::vector<wchar_t> PaddedBuffer(const std::wstring& text, std::size_t length);

// The stored colour for a value given to the colour property: a system-colour
// reference becomes sysColor(low 16 bits); any other value is kept.
std::uint32_t ResolveColorReference(std::uint32_t rhs, std::uint32_t (*sysColor)(int index));

// The texts the dialog record points into while a dialog runs.
struct DialogBuffers {
    std::wstring filter;              // NUL-separated pairs, ending in two NULs
    std::vector<wchar_t> file;        // FileName padded with NULs
    std::uint32_t maxFile = 0;        // nMaxFile; never more than file.size()
    std::vector<wchar_t> fileTitle;   // 256 NULs
    std::vector<wchar_t> initDir;     // InitDir padded with NULs
    std::wstring title;               // caption; empty: the system's own
    std::wstring defaultExt;          // empty: none
};

class CommonDlgsW {
public:
    // The public fields, with their values at creation.
    std::uint32_t Flags = 0;  // OPENFILENAME flags in; after success the returned ones
    std::wstring DefaultExt;
    std::wstring DialogTitle;
    std::wstring Title;      // the chosen file's title after a single-file dialog
    std::wstring FileName;   // initial file name; after success the chosen path
    std::wstring FileTitle;  // after success the chosen file's title
    std::wstring Filter = L"All files (*.*)|*.*";
    std::int32_t FilterIndex = 1;
    std::wstring InitDir;
    std::int32_t MaxFileSize = 256;

    // The colour: RGB. Setting a system-colour reference (bit 31 set) stores
    // that system colour's current value instead.
    std::uint32_t Color() const { return color_; }
    void Color(std::uint32_t RHS);

    // Each returns true when the user chose; on false no field changes.
    bool ShowColor(void* hWnd);
    bool ShowOpen(void* winHwnd);
    bool ShowSave(void* hWnd);

    // The two steps around a file dialog, public so that they can be checked
    // without a dialog. FillBuffers prepares what the record points to;
    // ReadOpenFileName takes a successful dialog's results into the fields.
    DialogBuffers FillBuffers() const;
    void ReadOpenFileName(const DialogBuffers& buffers, std::uint32_t returnedFlags);

    // After a dialog, the path its user really used in place of the chosen
    // one (a name the caller gave an extension): the next dialog starts
    // there. The title follows when the dialog gave one.
    void KeepChosenPath(const std::wstring& path);

    // The 16 custom colours shown by the colour dialog (white at creation).
    std::array<std::uint32_t, 16> customColors{
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};

private:
    bool ShowFileDialog(void* owner, bool save);
    std::uint32_t color_ = 0xC0C0C0;
};

}  // namespace kestrelon
