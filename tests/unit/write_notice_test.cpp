#include <gtest/gtest.h>

#include "services/WriteNotice.h"

namespace kestrelon {
namespace {

TEST(WriteNotice, TellsEachFilesFailureOnceUntilItIsWrittenAgain) {
    WriteNotice notice;
    const FileResult full = FileResult::Fail(L"There is not enough space on the disk.");
    const std::wstring list = L"C:\\data\\default.ktf", settings = L"C:\\data\\knsetting.ini";
    EXPECT_FALSE(notice.Report(list, FileResult::Ok()));

    auto first = notice.Report(list, full);
    ASSERT_TRUE(first);
    EXPECT_NE(first->find(list), std::wstring::npos);
    EXPECT_NE(first->find(full.error), std::wstring::npos);
    // Every later firing fails the same way: nothing more is shown.
    for (int tick = 0; tick < 100; ++tick) EXPECT_FALSE(notice.Report(list, full));
    // Another file is news of its own.
    EXPECT_TRUE(notice.Report(settings, full));

    // Once the list could be saved again, a new failure is told again.
    EXPECT_FALSE(notice.Report(list, FileResult::Ok()));
    EXPECT_TRUE(notice.Report(list, full));
    EXPECT_FALSE(notice.Report(settings, full));
}

TEST(WriteNotice, MessageWithoutAReasonStillNamesTheFile) {
    const std::wstring text = WriteFailedMessage(L"\\default.ktf", L"");
    EXPECT_EQ(text.find(L"Kestrelon could not save\r\n\\default.ktf\r\n\r\nThe tasks"), 0u);
}

TEST(WriteNotice, HowAFailureIsToldFollowsHowTheProgramEnds) {
    const FileResult denied = FileResult::Fail(L"Access is denied.");
    const std::wstring list = L"C:\\data\\default.ktf";
    WriteNotice running;
    auto notice = running.Tell(list, denied, Ending::None);
    ASSERT_TRUE(notice);
    EXPECT_FALSE(notice->box) << "while the program runs, nothing waits";
    EXPECT_NE(notice->text.find(L"goes on running"), std::wstring::npos);
    EXPECT_FALSE(running.Tell(list, denied, Ending::None)) << "told once";

    // At an end the user asked for, every file not written is named in a box
    // that says the program ends, even one told before.
    auto box = running.Tell(list, denied, Ending::AskedByUser);
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->box);
    EXPECT_NE(box->text.find(list), std::wstring::npos);
    EXPECT_NE(box->text.find(L"now ends"), std::wstring::npos);
    EXPECT_FALSE(running.Tell(list, FileResult::Ok(), Ending::AskedByUser));

    // Nobody asked: nothing may wait.
    WriteNotice unattended;
    EXPECT_FALSE(unattended.Tell(list, denied, Ending::Unattended));
}

}  // namespace
}  // namespace kestrelon
