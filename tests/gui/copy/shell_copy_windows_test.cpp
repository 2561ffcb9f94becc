#include "support/temp_prefix.h"

#include "copy/shell_copy_windows.h"
#include "copy/shell_file_operation.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillmere;
using copy::ReplaceAnswer;
using copy::ShellCopyWindows;

namespace {

// Presses a button of whichever modal box is up once the event loop runs; records the box's text.
void pressInModal(const char* buttonName, QString* text) {
    QTimer::singleShot(0, [buttonName, text] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            *text = box->text();
        auto* button = modal->findChild<QPushButton*>(QLatin1String(buttonName));
        if (!button) {
            for (QPushButton* candidate : modal->findChildren<QPushButton*>())
                if (candidate->text().remove(u'&') == QLatin1String(buttonName))
                    button = candidate;
        }
        ASSERT_NE(button, nullptr) << buttonName;
        button->click();
    });
}

TEST(ShellCopyWindows, ProgressWindowWaitsThenShowsTheFileAndCancels) {
    ShellCopyWindows quick({QString(), false, false, 60'000});
    quick.progress(QStringLiteral("Hero.d2s"), 10, 100);
    EXPECT_EQ(quick.progressWindow(), nullptr) << "a short copy shows no window";

    ShellCopyWindows slow({QStringLiteral("Backing up..."), false, false, 0});
    slow.progress(QStringLiteral("Hero.d2s"), 50, 100);
    QDialog* window = slow.progressWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Backing up..."));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("file"))->text(), QStringLiteral("Hero.d2s"));
    EXPECT_FALSE(slow.cancelled());
    window->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
    EXPECT_TRUE(slow.cancelled());
}

TEST(ShellCopyWindows, ReplaceQuestionNamesTheFileAndGivesFourAnswers) {
    ShellCopyWindows windows({});
    copy::ReplaceInfo info;
    info.name = QStringLiteral("Hero.d2s");
    info.existingSize = 1234;
    info.newSize = 5678;
    info.existingModified = QDateTime::currentDateTime();
    info.newModified = info.existingModified;

    const struct {
        const char* button;
        ReplaceAnswer answer;
    } cases[] = {{"yes", ReplaceAnswer::Yes},
                 {"yesToAll", ReplaceAnswer::YesToAll},
                 {"no", ReplaceAnswer::No},
                 {"cancel", ReplaceAnswer::Cancel}};
    for (const auto& c : cases) {
        QString text;
        pressInModal(c.button, &text);
        EXPECT_EQ(windows.confirmReplace(info), c.answer) << c.button;
        EXPECT_TRUE(text.contains(QStringLiteral("'Hero.d2s'"))) << qPrintable(text);
        EXPECT_TRUE(text.contains(QLocale().toString(1234)) && text.contains(QLocale().toString(5678)));
    }
}

TEST(ShellCopyWindows, TheRealOperationAsksInItsOwnWindow) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeFile(QStringLiteral("Save\\Hero.d2s"), "new");
    prefix.writeFile(QStringLiteral("Backup\\Hero.d2s"), "old");

    QByteArray from("C:\\Save\\Hero*.*\0\0", 17);
    QByteArray to("C:\\Backup\0\0", 11);
    copy::SHFILEOPSTRUCTA op;
    op.wFunc = copy::FO_COPY;
    op.pFrom = from.constData();
    op.pTo = to.constData();
    op.fFlags = copy::FOF_FILESONLY;

    QString text;
    pressInModal("no", &text);
    EXPECT_EQ(copy::SHFileOperationA(&op), 0);
    EXPECT_NE(op.fAnyOperationsAborted, 0);
    EXPECT_TRUE(text.contains(QStringLiteral("Hero.d2s")));

    // No match: the shell's own error window, and a failure.
    from = QByteArray("C:\\Save\\Nobody*.*\0\0", 19);
    op.pFrom = from.constData();
    pressInModal("OK", &text);
    EXPECT_NE(copy::SHFileOperationA(&op), 0);
    EXPECT_TRUE(text.contains(QStringLiteral("Nobody*.*"))) << qPrintable(text);
}

} // namespace
