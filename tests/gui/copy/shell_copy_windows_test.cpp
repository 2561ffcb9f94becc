#include "support/modal_answer.h"
#include "support/temp_prefix.h"

#include "copy/copy_files.h"
#include "copy/shell_copy_windows.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace quillmere;
using copy::ReplaceAnswer;
using copy::ShellCopyWindows;

namespace {

// Presses a button of the next modal box while it lives; records the box's text.
test::ModalAnswer pressInModal(const char* buttonName, QString* text) {
    return test::ModalAnswer([buttonName, text](QWidget* modal) {
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

TEST(ShellCopyWindows, AShortCopyShowsNoProgressWindow) {
    ShellCopyWindows windows(60'000);
    windows.copyStarted();
    windows.progress(QStringLiteral("Hero.d2s"), 10, 100);
    EXPECT_EQ(windows.progressWindow(), nullptr);
    windows.copyFinished();
}

TEST(ShellCopyWindows, ProgressWindowShowsTheFileCancelsAndClosesWithTheCopy) {
    ShellCopyWindows windows(0);
    windows.copyStarted();
    windows.progress(QStringLiteral("Hero.d2s"), 50, 100);
    QPointer<QDialog> window = windows.progressWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Copying..."));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("file"))->text(), QStringLiteral("Hero.d2s"));
    EXPECT_FALSE(windows.cancelled());
    window->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
    EXPECT_TRUE(windows.cancelled());
    windows.copyFinished();
    EXPECT_TRUE(window.isNull());

    // The next copy starts afresh.
    windows.copyStarted();
    EXPECT_FALSE(windows.cancelled());
    windows.copyFinished();
}

TEST(ShellCopyWindows, ReplaceQuestionNamesTheFileAndGivesFourAnswers) {
    ShellCopyWindows windows;
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
        test::ModalAnswer press = pressInModal(c.button, &text);
        EXPECT_EQ(windows.confirmReplace(info), c.answer) << c.button;
        EXPECT_TRUE(press.answered()) << c.button;
        EXPECT_TRUE(text.contains(QStringLiteral("'Hero.d2s'"))) << qPrintable(text);
        EXPECT_TRUE(text.contains(QLocale().toString(1234)) && text.contains(QLocale().toString(5678)));
    }
}

TEST(ShellCopyWindows, TheRealCopyAsksAndReportsInItsOwnWindows) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeFile(QStringLiteral("Save\\Hero.d2s"), "new");
    prefix.writeFile(QStringLiteral("Backup\\Hero.d2s"), "old");
    ShellCopyWindows windows;

    QString text;
    {
        test::ModalAnswer press = pressInModal("no", &text);
        EXPECT_EQ(copy::copyFiles(QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("C:\\Backup"), windows).status,
                  copy::CopyStatus::Skipped);
        EXPECT_TRUE(press.answered());
    }
    EXPECT_TRUE(text.contains(QStringLiteral("Hero.d2s")));

    // No match: the copy's own error window, and a failure.
    test::ModalAnswer press = pressInModal("OK", &text);
    EXPECT_EQ(copy::copyFiles(QStringLiteral("C:\\Save\\Nobody*.*"), QStringLiteral("C:\\Backup"), windows).status,
              copy::CopyStatus::Failed);
    EXPECT_TRUE(press.answered());
    EXPECT_TRUE(text.contains(QStringLiteral("Nobody*.*"))) << qPrintable(text);
}

} // namespace
