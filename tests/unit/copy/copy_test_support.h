#pragma once

#include "copy/copy_files.h"
#include "scripted_shell_ui.h"
#include "support/files.h"
#include "support/temp_prefix.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace quillmere::test {

using ScriptedUi = ScriptedShellUi;

inline const QDateTime OldTime = QDateTime(QDate(2001, 6, 29), QTime(12, 0), Qt::UTC);

// Bytes of a given size, repeating the tag.
inline QByteArray content(const char* tag, qsizetype size = 100) {
    QByteArray bytes(tag);
    while (bytes.size() < size)
        bytes += bytes;
    return bytes.left(size);
}

inline QStringList tempsIn(const QString& folder) {
    QStringList temps;
    for (const QString& name : entriesIn(folder))
        if (name.startsWith(QLatin1String(".quillmere-")))
            temps.append(name);
    return temps;
}

// A prefix with the save folder C:\Save and the backup folder C:\Backup\Hero (not made yet).
class CopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_save = m_prefix.hostOf(QStringLiteral("Save"));
        m_backup = m_prefix.hostOf(QStringLiteral("Backup\\Hero"));
        QDir().mkpath(m_save);
    }

    // A save folder of two characters, with what a listing must leave out: a folder, a file hidden
    // by Wine's attribute, a name Windows cannot spell.
    void fillSaveFolder() {
        for (const char* name : {"Hero.d2s", "Hero.bak", "Hero.txt", "HERO.key", "Heroine.d2s", "Other.d2s"}) {
            writeBytes(m_save + u'/' + QLatin1String(name), content(name));
            setModified(m_save + u'/' + QLatin1String(name), OldTime);
        }
        QDir(m_save).mkdir(QStringLiteral("Hero"));
        writeBytes(m_save + QStringLiteral("/Hero/inner.d2s"), "inner");
        writeBytes(m_save + QStringLiteral("/Hero.hidden"), "hidden");
        markHidden(m_save + QStringLiteral("/Hero.hidden"));
        writeBytes(m_save + QStringLiteral("/Hero:colon.d2s"), "unaddressable");
    }

    copy::CopyOutcome copy(copy::CopyUi& ui, const QString& source = QStringLiteral("C:\\Save\\Hero*.*"),
                           const QString& destination = QStringLiteral("C:\\Backup\\Hero")) {
        return copy::copyFiles(source, destination, ui);
    }
    copy::CopyOutcome copy(copy::CopyUi& ui, copy::FileIo& io,
                           const QString& source = QStringLiteral("C:\\Save\\Hero*.*"),
                           const QString& destination = QStringLiteral("C:\\Backup\\Hero")) {
        return copy::copyFiles(source, destination, ui, io);
    }

    TempPrefix m_prefix;
    QString m_save;
    QString m_backup;
};

} // namespace quillmere::test
