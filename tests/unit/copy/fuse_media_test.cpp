#include "copy_test_support.h"
#include "fuse_medium.h"

using namespace quillmere;
using copy::CopyStatus;
using copy::ReplaceAnswer;
using test::bytesOf;
using test::content;
using test::entriesIn;
using test::FuseMedium;
using test::ScriptedUi;
using test::writeBytes;

namespace {

// A stick mounted through FUSE, where the kernel has no driver for its file system: some FUSE
// drivers read a file back wrongly through the descriptor that wrote it, and none keeps Unix modes.
class FuseMedia : public test::CopyTest, public ::testing::WithParamInterface<FuseMedium::Kind> {
protected:
    void SetUp() override {
        CopyTest::SetUp();
        m_medium = std::make_unique<FuseMedium>(GetParam(), m_prefix.scratch());
        if (!m_medium->unusable().isEmpty())
            GTEST_SKIP() << qPrintable(m_medium->unusable());
        m_prefix.mapDrive('a', m_medium->mountPoint());
    }

    // A character with companions of every size, one of them past several of the copy's pieces.
    void gameSaves(const char* tag) {
        const std::pair<const char*, qsizetype> files[] = {
            {"Hero.d2s", 10 * 1024}, {"Hero.key", 1024}, {"Hero.ma0", 32 * 1024}, {"Hero.map", 9 * 1024 * 1024 + 7}};
        for (const auto& [name, size] : files)
            writeBytes(m_save + u'/' + QLatin1String(name), content(tag, size) + name);
    }

    void expectBackedUp() {
        const QString backup = m_medium->mountPoint() + QStringLiteral("/Hero");
        EXPECT_EQ(entriesIn(backup), entriesIn(m_save));
        for (const QString& name : entriesIn(m_save))
            EXPECT_EQ(bytesOf(backup + u'/' + name), bytesOf(m_save + u'/' + name)) << qPrintable(name);
    }

    std::unique_ptr<FuseMedium> m_medium;
};

TEST_P(FuseMedia, ABackupAndOneReplacingItAreWholeAndEqualToTheSaves) {
    gameSaves("first save ");
    ScriptedUi first;
    EXPECT_EQ(copy(first, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("A:\\Hero")).status, CopyStatus::Copied);
    EXPECT_TRUE(first.errors.isEmpty()) << qPrintable(first.errors.value(0).message);
    expectBackedUp();

    gameSaves("second save ");
    ScriptedUi again;
    again.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_EQ(copy(again, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("A:\\Hero")).status, CopyStatus::Copied);
    EXPECT_TRUE(again.errors.isEmpty()) << qPrintable(again.errors.value(0).message);
    expectBackedUp();
}

INSTANTIATE_TEST_SUITE_P(Media, FuseMedia, ::testing::Values(FuseMedium::Kind::Fat, FuseMedium::Kind::ExFat),
                         [](const ::testing::TestParamInfo<FuseMedium::Kind>& medium) {
                             return medium.param == FuseMedium::Kind::Fat ? "fusefat" : "exfat_fuse";
                         });

} // namespace
