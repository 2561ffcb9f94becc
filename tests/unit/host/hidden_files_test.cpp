// Wine's hidden rule: a leading dot, or the hidden or system bit of user.DOSATTRIB in either of the
// forms Wine writes it.
#include "host/hidden_files.h"

#include "support/files.h"
#include "support/temp_prefix.h"

#include <QFile>

#include <gtest/gtest.h>

namespace quillmere::host {
namespace {

class HiddenFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_prefix.isValid()); }

    QString file(const char* name) {
        const QString path = m_prefix.driveC() + QLatin1Char('/') + QLatin1String(name);
        test::writeBytes(path, {});
        return path;
    }

    // A file with the attribute value given; false where the file system keeps no user attributes.
    bool marked(const char* name, const QByteArray& value) {
        m_path = file(name);
        return test::setDosAttributes(m_path, value);
    }
    bool hidden() const { return isHiddenHostFile(m_path); }

    test::TempPrefix m_prefix;
    QString m_path;
};

TEST_F(HiddenFiles, NamesBeginningWithADotAreHidden) {
    EXPECT_TRUE(isHiddenHostFile(file(".profile")));
    EXPECT_TRUE(isHiddenHostFile(file(".profile") + QStringLiteral("//")));
    EXPECT_FALSE(isHiddenHostFile(file("plain")));
    EXPECT_FALSE(isHiddenHostFile(file("plain.")));
    EXPECT_FALSE(isHiddenHostFile(m_prefix.driveC() + QStringLiteral("/.")));
    EXPECT_FALSE(isHiddenHostFile(m_prefix.driveC() + QStringLiteral("/missing")));
}

TEST_F(HiddenFiles, TextAttributeHidesWithTheHiddenOrSystemBit) {
    if (!marked("hidden", "0x2"))
        GTEST_SKIP() << "no user extended attributes on this file system";
    EXPECT_TRUE(hidden());
    ASSERT_TRUE(marked("system", QByteArray("0x24\0", 5)));
    EXPECT_TRUE(hidden());
    ASSERT_TRUE(marked("padded", " 0X6\n"));
    EXPECT_FALSE(hidden()); // the hex form starts right away
    ASSERT_TRUE(marked("blanks", "0x 6\n"));
    EXPECT_TRUE(hidden());
    for (const char* shown : {"0x20", "0x1", "0x", "0xzz", "0x2 2", "2"}) {
        ASSERT_TRUE(marked("shown", shown));
        EXPECT_FALSE(hidden()) << shown;
    }
}

TEST_F(HiddenFiles, SambasBinaryRecordHidesWithTheHiddenOrSystemBit) {
    // Version and level 3: valid flags, then the attributes.
    if (!marked("v3", QByteArray("\x03\x00\x03\x00\x01\x00\x00\x00\x02\x00\x00\x00", 12)))
        GTEST_SKIP() << "no user extended attributes on this file system";
    EXPECT_TRUE(hidden());
    ASSERT_TRUE(marked("v3system", QByteArray("\x03\x00\x03\x00\x00\x00\x00\x00\x04\x00\x00\x00", 12)));
    EXPECT_TRUE(hidden());
    // Versions 1 and 2 keep the attributes right after the version.
    ASSERT_TRUE(marked("v1", QByteArray("\x01\x00\x01\x00\x02\x00\x00\x00", 8)));
    EXPECT_TRUE(hidden());
    ASSERT_TRUE(marked("archive", QByteArray("\x03\x00\x03\x00\x01\x00\x00\x00\x20\x00\x00\x00", 12)));
    EXPECT_FALSE(hidden());
    ASSERT_TRUE(marked("mismatch", QByteArray("\x03\x00\x02\x00\x01\x00\x00\x00\x02\x00\x00\x00", 12)));
    EXPECT_FALSE(hidden());
    ASSERT_TRUE(marked("short", QByteArray("\x03\x00\x03\x00\x01\x00\x00\x00", 8)));
    EXPECT_FALSE(hidden());
    ASSERT_TRUE(marked("future", QByteArray("\x06\x00\x06\x00\x02\x00\x00\x00\x02\x00\x00\x00", 12)));
    EXPECT_FALSE(hidden());
}

} // namespace
} // namespace quillmere::host
