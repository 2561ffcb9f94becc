#pragma once

#include "archive/restore_dialog.h"
#include "archive_fixture.h"
#include "controls/dir_list_box.h"
#include "controls/file_list_box.h"

#include <QLabel>
#include <QPushButton>

namespace quillmere::test {

// A backup of Hero (with Heroine beside it) on the floppy at A:\Hero, and the empty save folder
// C:\Fresh to restore it into.
class RestoreTest : public test::ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        // A backup of Hero (with Heroine beside it) on the floppy.
        QDir().mkpath(floppy + QStringLiteral("/Hero"));
        for (const char* name : {"Hero.d2s", "Hero.bak", "Hero.txt", "Heroine.d2s"})
            QFile::copy(prefix.hostOf(QStringLiteral("Save\\") + QLatin1String(name)),
                        floppy + QStringLiteral("/Hero/") + QLatin1String(name));
        // An empty save folder to restore into.
        prefix.makeFolder(QStringLiteral("Fresh"));
        prefix.writeSystemReg(regedit::kGameKey, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Fresh")}});
    }

    controls::FileListBox* file1(archive::RestoreDialog& dialog) {
        return dialog.findChild<controls::FileListBox*>(QStringLiteral("File1"));
    }
    void open(archive::RestoreDialog& dialog, const QString& folder) {
        dialog.show();
        ASSERT_TRUE(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(folder));
    }
    void click(archive::RestoreDialog& dialog, const QString& name) {
        controls::FileListBox* list = file1(dialog);
        const auto items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << qPrintable(name);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
    }
    void pressOK(archive::RestoreDialog& dialog) { dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click(); }
    QString label(archive::RestoreDialog& dialog, const char* name) {
        return dialog.findChild<QLabel*>(QLatin1String(name))->text();
    }
    QString fresh() const { return prefix.hostOf(QStringLiteral("Fresh")); }
};

} // namespace quillmere::test
