#pragma once

#include "archive/restore_history.h"
#include "archive/shell_copy.h"
#include "d2s_fixtures.h"
#include "files.h"
#include "game/regedit.h"
#include "recording_message_box.h"
#include "scripted_shell_ui.h"
#include "temp_prefix.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace quillmere::test {

// A prefix whose save folder C:\Save holds Hero with companions, Heroine, another character and a
// folder named Hero; drive a: is an empty folder standing in for a floppy disk.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid());
        prefix.writeFile(QStringLiteral("Save\\Hero.d2s"), d2s::signedFile(96, 3, 26));
        prefix.writeFile(QStringLiteral("Save\\Hero.bak"), "backup of hero");
        prefix.writeFile(QStringLiteral("Save\\Hero.txt"), "notes");
        prefix.writeFile(QStringLiteral("Save\\Heroine.d2s"), d2s::signedFile(96, 1, 12));
        prefix.writeFile(QStringLiteral("Save\\Other.d2s"), d2s::signedFile(96, 0, 3));
        prefix.writeFile(QStringLiteral("Save\\Hero\\inside.txt"), "not copied");
        prefix.writeSystemReg(regedit::kGameKey, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Save")}});
        floppy = prefix.scratch() + QStringLiteral("/floppy");
        prefix.mapDrive('a', floppy);
    }

    TempPrefix prefix;
    RecordingMessageBox boxes;
    ScriptedShellUi shell;
    archive::ShellFileCopy fileCopy{shell};
    archive::RestoreHistory history{prefix.scratch() + QStringLiteral("/kept"), fileCopy};
    QString floppy;
};

} // namespace quillmere::test
