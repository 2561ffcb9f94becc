#include "copy_test_support.h"

#include <QCryptographicHash>

#include <vector>

using namespace quillmere;
using copy::CopyErrorKind;
using copy::CopyStatus;
using copy::HostSource;
using copy::ReplaceAnswer;
using test::bytesOf;
using test::content;
using test::entriesIn;
using test::ScriptedUi;
using test::tempsIn;
using test::writeBytes;

namespace {

// A character's files kept under the hashes of their contents, put back under their own names over
// older versions.
class StoredCopies : public test::CopyTest {
protected:
    void SetUp() override {
        CopyTest::SetUp();
        const QString store = m_prefix.scratch() + QStringLiteral("/store");
        for (const char* name : {"Hero.d2s", "Hero.key", "Hero.ma0"}) {
            const QByteArray bytes = content(name, 3000);
            const QString hash =
                QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
            writeBytes(store + u'/' + hash, bytes);
            m_sources.push_back({store + u'/' + hash, QLatin1String(name), hash});
            writeBytes(m_saves + u'/' + QLatin1String(name), "old");
        }
    }

    copy::CopyOutcome restore(ScriptedUi& ui) {
        ui.replaceAnswers = {ReplaceAnswer::YesToAll};
        return copy::copyHostFiles(m_sources, m_saves, ui);
    }

    QString m_saves = m_prefix.scratch() + QStringLiteral("/saves");
    std::vector<HostSource> m_sources;
};

TEST_F(StoredCopies, ComeBackUnderTheirOwnNames) {
    m_sources[1].sha256 = m_sources[1].sha256.toUpper();
    ScriptedUi ui;
    EXPECT_EQ(restore(ui).status, CopyStatus::Copied);
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_EQ(entriesIn(m_saves), QStringList({"Hero.d2s", "Hero.key", "Hero.ma0"}));
    for (const HostSource& source : m_sources)
        EXPECT_EQ(bytesOf(m_saves + u'/' + source.name), content(qPrintable(source.name), 3000));
}

// The files of one run are restored together: one that is not what was kept puts none of them in
// place, also those read and checked before it.
TEST_F(StoredCopies, OneDamagedCopyPutsNoneOfTheRunInPlace) {
    for (const HostSource& damaged : m_sources) {
        SCOPED_TRACE(qPrintable(damaged.name));
        const QByteArray kept = bytesOf(damaged.hostPath);
        QByteArray bytes = kept;
        bytes[1234] = char(bytes[1234] ^ 1);
        writeBytes(damaged.hostPath, bytes);
        ScriptedUi ui;
        const copy::CopyOutcome outcome = restore(ui);
        EXPECT_EQ(outcome.status, CopyStatus::Failed);
        EXPECT_EQ(outcome.error.kind, CopyErrorKind::SourceDamaged);
        ASSERT_EQ(ui.errors.size(), 1);
        EXPECT_EQ(ui.errors[0].message, QStringLiteral("Cannot copy %1: the stored copy is damaged (its contents do "
                                                       "not match their hash). Nothing was replaced.")
                                            .arg(damaged.name));
        for (const HostSource& source : m_sources)
            EXPECT_EQ(bytesOf(m_saves + u'/' + source.name), "old") << qPrintable(source.name);
        EXPECT_TRUE(tempsIn(m_saves).isEmpty());
        writeBytes(damaged.hostPath, kept);
    }
}

} // namespace
