#include <gtest/gtest.h>

#include "services/CommonDlgsW.h"

using namespace kestrelon;

namespace {

using namespace std::string_literals;

TEST(DialogFilter, PairsBecomeNulSeparatedListEndingInTwoNuls) {
    EXPECT_EQ(DialogFilterBuffer(L"A|*.a|B|*.b"), L"A\0*.a\0B\0*.b\0\0"s);
    EXPECT_EQ(DialogFilterBuffer(L"Kestrelon Task File(*.ktf)|*.ktf"), L"Kestrelon Task File(*.ktf)\0*.ktf\0\0"s);
    EXPECT_EQ(DialogFilterBuffer(L""), L"\0\0"s);
}

TEST(DialogFields, DefaultsAtCreation) {
    CommonDlgsW d;
    EXPECT_EQ(d.Flags, 0u);
    EXPECT_EQ(d.Filter, L"All files (*.*)|*.*");
    EXPECT_EQ(d.FilterIndex, 1);
    EXPECT_EQ(d.MaxFileSize, 256);
    EXPECT_EQ(d.Color(), 0xC0C0C0u);
    EXPECT_TRUE(d.FileName.empty() && d.FileTitle.empty() && d.Title.empty() && d.InitDir.empty() &&
                d.DialogTitle.empty() && d.DefaultExt.empty());
}

TEST(DialogBuffersFill, PaddedTo256AndNeverSmallerThanTheDialogIsTold) {
    CommonDlgsW d;
    d.FileName = L"C:\\t\\a.ktf";
    d.InitDir = L"C:\\t";
    DialogBuffers b = d.FillBuffers();
    ASSERT_EQ(b.file.size(), 256u);
    EXPECT_EQ(std::wstring(b.file.data()), d.FileName);
    EXPECT_EQ(b.file[255], L'\0');
    EXPECT_EQ(b.maxFile, 256u);
    EXPECT_EQ(b.fileTitle, std::vector<wchar_t>(256, L'\0'));
    EXPECT_EQ(b.initDir.size(), 256u);
    EXPECT_EQ(std::wstring(b.initDir.data()), d.InitDir);

    // Longer than the buffer: enlarged, and the dialog is told the true size.
    d.FileName = std::wstring(400, L'x');
    d.InitDir = std::wstring(300, L'y');
    b = d.FillBuffers();
    EXPECT_EQ(b.file.size(), 401u);
    EXPECT_EQ(b.file.back(), L'\0');
    EXPECT_LE(b.maxFile, b.file.size());
    EXPECT_EQ(b.initDir.size(), 301u);
    EXPECT_EQ(b.initDir.back(), L'\0');

    // A MaxFileSize beyond 256 gets a buffer of that size; a negative one is no size.
    d.FileName.clear();
    d.MaxFileSize = 4096;
    b = d.FillBuffers();
    EXPECT_EQ(b.maxFile, 4096u);
    EXPECT_EQ(b.file.size(), 4096u);
    d.MaxFileSize = -5;
    b = d.FillBuffers();
    EXPECT_LE(b.maxFile, b.file.size());
    EXPECT_EQ(b.file.size(), 256u);
    d.MaxFileSize = 0x7FFFFFFF;
    b = d.FillBuffers();
    EXPECT_EQ(b.maxFile, kMaxDialogBufferChars);
    EXPECT_EQ(b.file.size(), kMaxDialogBufferChars);
}

// What a dialog would leave in the buffers.
DialogBuffers Returned(const CommonDlgsW& d, const std::wstring& file, const std::wstring& title) {
    DialogBuffers b = d.FillBuffers();
    std::fill(b.file.begin(), b.file.end(), L'\0');
    std::copy(file.begin(), file.end(), b.file.begin());
    std::copy(title.begin(), title.end(), b.fileTitle.begin());
    return b;
}

TEST(DialogReadBack, SingleFileCutAtFirstNulWithTitle) {
    CommonDlgsW d;
    d.FileName = L"C:\\old\\previous.exe";
    d.FileTitle = L"previous.exe";
    d.ReadOpenFileName(Returned(d, L"C:\\t\\list.ktf", L"list.ktf"), 0x800);
    EXPECT_EQ(d.FileName, L"C:\\t\\list.ktf");
    EXPECT_EQ(d.FileName.find(L'\0'), std::wstring::npos);
    EXPECT_EQ(d.FileTitle, L"list.ktf");
    EXPECT_EQ(d.Title, d.FileTitle);
    EXPECT_EQ(d.Flags, 0x800u);  // the returned flags are the next input
}

TEST(DialogReadBack, NoValidateLeavesTitleEmptyAndTitleUnchanged) {
    CommonDlgsW d;
    d.Flags = kOfnNoValidate;
    d.Title = L"kept";
    d.ReadOpenFileName(Returned(d, L"C:\\t\\x.ktf", L"x.ktf"), kOfnNoValidate);
    EXPECT_EQ(d.FileName, L"C:\\t\\x.ktf");
    EXPECT_EQ(d.FileTitle, L"");
    EXPECT_EQ(d.Title, L"kept");
}

TEST(DialogReadBack, MultiSelectKeepsTheWholeBuffer) {
    CommonDlgsW d;
    d.Flags = kOfnAllowMultiSelect;
    d.Title = L"old title";
    d.FileTitle = L"old";
    const std::wstring chosen = L"C:\\t\0a.ktf\0b.ktf\0"s;
    d.ReadOpenFileName(Returned(d, chosen, L"a.ktf"), kOfnAllowMultiSelect | 0x80000);
    ASSERT_EQ(d.FileName.size(), 256u);
    EXPECT_EQ(d.FileName.substr(0, chosen.size()), chosen);
    EXPECT_EQ(d.FileName.find_first_not_of(L'\0', chosen.size()), std::wstring::npos);
    EXPECT_EQ(d.FileTitle, L"");
    EXPECT_EQ(d.Title, L"old title");
    EXPECT_EQ(d.Flags, kOfnAllowMultiSelect | 0x80000);

    // The next dialog starts from that text without running past its buffer.
    DialogBuffers next = d.FillBuffers();
    EXPECT_GE(next.file.size(), d.FileName.size() + 1);
    EXPECT_LE(next.maxFile, next.file.size());
}

TEST(DialogColor, SystemColorReference) {
    static int asked = -1;
    auto sys = [](int index) -> std::uint32_t {
        asked = index;
        return 0x123456;
    };
    EXPECT_EQ(ResolveColorReference(0x80000005u, sys), 0x123456u);
    EXPECT_EQ(asked, 5);
    EXPECT_EQ(ResolveColorReference(0x00FF00u, sys), 0x00FF00u);
}

TEST(DialogFields, KeptPathIsTheNextInitialNameAndItsTitleFollows) {
    CommonDlgsW d;
    d.FileName = L"C:\\t\\list";
    d.FileTitle = d.Title = L"list";
    d.KeepChosenPath(L"C:\\t\\list.ktf");
    EXPECT_EQ(d.FileName, L"C:\\t\\list.ktf");
    EXPECT_EQ(d.FillBuffers().file.data(), std::wstring(L"C:\\t\\list.ktf"));
    EXPECT_EQ(d.FileTitle, L"list.ktf");
    EXPECT_EQ(d.Title, L"list.ktf");
    // Without a title from the dialog none is made up.
    CommonDlgsW untitled;
    untitled.Title = L"before";
    untitled.KeepChosenPath(L"D:\\x.ktf");
    EXPECT_EQ(untitled.FileName, L"D:\\x.ktf");
    EXPECT_EQ(untitled.FileTitle, L"");
    EXPECT_EQ(untitled.Title, L"before");
}

}  // namespace

