#include "copy_test_support.h"
#include "support/temp_prefix.h"

#include "archive/shell_copy.h"
#include "controls/mouse_pointer.h"
#include "copy/shell_file_operation.h"

using namespace quillmere;
using copy::ReplaceAnswer;
using copy::SHFILEOPSTRUCTA;
using test::readAll;
using test::ScriptedUi;
using test::writeBytes;

namespace {

// What the fake shell saw, and what it answers.
struct FakeShell {
    SHFILEOPSTRUCTA record;
    QByteArray from;
    QByteArray to;
    controls::MousePointer pointer = controls::MousePointer::Default;
    int result = 0;
    int aborted = 0;
};
FakeShell g_fake;

QByteArray doubleNulList(const char* list) {
    const char* end = list;
    while (end[0] || end[1])
        ++end;
    return QByteArray(list, end - list + 2);
}

int fakeOperation(SHFILEOPSTRUCTA* op) {
    g_fake.record = *op;
    g_fake.from = doubleNulList(op->pFrom);
    g_fake.to = doubleNulList(op->pTo);
    g_fake.pointer = controls::screenPointer();
    op->fAnyOperationsAborted = g_fake.aborted;
    return g_fake.result;
}

class ShellCopy : public ::testing::Test {
protected:
    void TearDown() override {
        copy::setFileOperationHandler(nullptr);
        copy::setShellCopyUi(nullptr);
    }
};

TEST_F(ShellCopy, FillsTheRecordAsTheShellExpects) {
    copy::setFileOperationHandler(&fakeOperation);
    g_fake = {};
    EXPECT_TRUE(archive::shellFileCopy(QStringLiteral("C:\\Saves\\Hé*.*"), QStringLiteral("a:\\Hé")));

    EXPECT_EQ(g_fake.record.hwnd, nullptr);
    EXPECT_EQ(g_fake.record.wFunc, copy::FO_COPY);
    EXPECT_EQ(g_fake.record.fFlags, copy::FOF_FILESONLY);
    EXPECT_EQ(g_fake.record.hNameMappings, nullptr);
    EXPECT_EQ(g_fake.record.lpszProgressTitle, nullptr);
    EXPECT_EQ(g_fake.from, QByteArray("C:\\Saves\\H\xc3\xa9*.*\0\0", 17));
    EXPECT_EQ(g_fake.to, QByteArray("a:\\H\xc3\xa9\0\0", 8));
    EXPECT_EQ(g_fake.pointer, controls::MousePointer::Hourglass);
    EXPECT_EQ(controls::screenPointer(), controls::MousePointer::Default);
}

TEST_F(ShellCopy, SucceedsOnlyWithoutErrorAndWithoutAbort) {
    copy::setFileOperationHandler(&fakeOperation);
    const struct {
        int result;
        int aborted;
        bool success;
    } cases[] = {{0, 0, true}, {0, 1, false}, {0, -1, false}, {0x71, 0, false}, {1223, 1, false}};
    for (const auto& c : cases) {
        g_fake = {};
        g_fake.result = c.result;
        g_fake.aborted = c.aborted;
        EXPECT_EQ(archive::shellFileCopy(QStringLiteral("C:\\S\\Hero*.*"), QStringLiteral("C:\\B")), c.success)
            << c.result << " " << c.aborted;
        EXPECT_EQ(controls::screenPointer(), controls::MousePointer::Default);
    }
}

TEST_F(ShellCopy, CopiesThroughTheRealOperation) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeFile(QStringLiteral("Save\\Hero.d2s"), "new hero");
    prefix.writeFile(QStringLiteral("Save\\Hero.key"), "new key");
    prefix.writeFile(QStringLiteral("Save\\Hero\\inside.d2s"), "folder");
    prefix.writeFile(QStringLiteral("Backup\\Hero\\Hero.d2s"), "old hero");
    ScriptedUi ui;
    copy::setShellCopyUi(&ui);

    // Skipping the existing file copies the rest but is no success.
    ui.replaceAnswers = {ReplaceAnswer::No};
    EXPECT_FALSE(archive::shellFileCopy(QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("C:\\Backup\\Hero")));
    EXPECT_EQ(readAll(prefix.hostOf(QStringLiteral("Backup\\Hero\\Hero.d2s"))), "old hero");
    EXPECT_EQ(readAll(prefix.hostOf(QStringLiteral("Backup\\Hero\\Hero.key"))), "new key");

    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_TRUE(archive::shellFileCopy(QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("C:\\Backup\\Hero")));
    EXPECT_EQ(readAll(prefix.hostOf(QStringLiteral("Backup\\Hero\\Hero.d2s"))), "new hero");
    EXPECT_EQ(test::entriesOf(prefix.hostOf(QStringLiteral("Backup\\Hero"))), QStringList({"Hero.d2s", "Hero.key"}));

    // Nothing to copy is a failure with the shell's own message, not a quiet success.
    EXPECT_FALSE(archive::shellFileCopy(QStringLiteral("C:\\Save\\Nobody*.*"), QStringLiteral("C:\\Backup\\Hero")));
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].kind, copy::CopyErrorKind::NoMatch);
    EXPECT_EQ(controls::screenPointer(), controls::MousePointer::Default);
}

} // namespace
