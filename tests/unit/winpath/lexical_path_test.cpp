// Making Windows paths absolute and clean from the current folders given, without any disk.
#include "winpath/lexical_path.h"

#include <QHash>

#include <gtest/gtest.h>

namespace quillmere::winpath {
namespace {

// The current folders: C:\work\sub is the process's, D: has one of its own, other drives their root.
QString currentFolderOf(QChar letter) {
    if (letter.isNull() || letter == QLatin1Char('c'))
        return QStringLiteral("C:\\work\\sub");
    if (letter == QLatin1Char('d'))
        return QStringLiteral("D:\\Backups");
    return letter.toUpper() + QStringLiteral(":\\");
}

QString clean(const QString& path) {
    const LexicalPath result = cleanPath(path, currentFolderOf);
    return result.status == LexicalPath::Status::Ok ? result.text() : QStringLiteral("<not ok>");
}

TEST(LexicalPath, AbsolutePathsCollapseSeparatorsDotsAndCase) {
    EXPECT_EQ(clean(QStringLiteral("c:\\Program Files\\\\Diablo II//Save\\")),
              QStringLiteral("C:\\Program Files\\Diablo II\\Save"));
    EXPECT_EQ(clean(QStringLiteral("C:\\a\\.\\b\\..\\c")), QStringLiteral("C:\\a\\c"));
    EXPECT_EQ(clean(QStringLiteral("C:\\")), QStringLiteral("C:\\"));
    EXPECT_EQ(clean(QStringLiteral("C:\\..\\..\\x")), QStringLiteral("C:\\x")); // never above the root
}

TEST(LexicalPath, RelativePathsStandOnTheRightCurrentFolder) {
    EXPECT_EQ(clean(QStringLiteral("x.txt")), QStringLiteral("C:\\work\\sub\\x.txt"));
    EXPECT_EQ(clean(QStringLiteral("..\\..\\..\\y")), QStringLiteral("C:\\y"));
    EXPECT_EQ(clean(QStringLiteral("\\x.txt")), QStringLiteral("C:\\x.txt"));
    EXPECT_EQ(clean(QStringLiteral("c:x")), QStringLiteral("C:\\work\\sub\\x"));
    EXPECT_EQ(clean(QStringLiteral("d:Hero")), QStringLiteral("D:\\Backups\\Hero"));
    EXPECT_EQ(clean(QStringLiteral("E:")), QStringLiteral("E:\\"));
}

TEST(LexicalPath, RelativePathWithoutACurrentFolderHasNothingToStandOn) {
    const auto none = [](QChar) { return QString(); };
    EXPECT_EQ(cleanPath(QStringLiteral("x"), none).status, LexicalPath::Status::NoCurrentFolder);
    EXPECT_EQ(cleanPath(QStringLiteral("\\x"), none).status, LexicalPath::Status::NoCurrentFolder);
    // A drive-relative path still has its drive's root.
    EXPECT_EQ(cleanPath(QStringLiteral("C:x"), none).text(), QStringLiteral("C:\\x"));
}

TEST(LexicalPath, UnaddressablePathsAreInvalid) {
    for (const char* bad : {"", "\\\\server\\share\\x", "//server/x", "C:\\a*b", "C:\\a?b", "C:\\a\"b", "C:\\a<b",
                            "C:\\a>b", "C:\\a|b", "C:\\a:b", "C:\\a\tb", "x\\a|b"})
        EXPECT_EQ(cleanPath(QString::fromLatin1(bad), currentFolderOf).status, LexicalPath::Status::Invalid) << bad;
}

TEST(LexicalPath, APathLongerThanWindowsAcceptsIsInvalidWhateverItsDotsMakeOfIt) {
    const QString detour = QStringLiteral("C:\\") + QStringLiteral("x\\..\\").repeated(5000) + QStringLiteral("Save");
    EXPECT_EQ(clean(detour), QStringLiteral("C:\\Save"));
    const QString tooLong = QStringLiteral("C:\\") + QStringLiteral(".\\").repeated(20000) + QStringLiteral("Save");
    ASSERT_GT(tooLong.size(), kMaxPathLength);
    EXPECT_EQ(cleanPath(tooLong, currentFolderOf).status, LexicalPath::Status::Invalid);
}

TEST(LexicalPath, TheCleanFormIsAFixedPoint) {
    for (const char* path : {"c:a\\..\\b", "d:..\\..", "C:\\a\\.\\\\b\\", "rel\\.\\x\\..", "/x/y"}) {
        const LexicalPath once = cleanPath(QString::fromLatin1(path), currentFolderOf);
        ASSERT_EQ(once.status, LexicalPath::Status::Ok) << path;
        EXPECT_EQ(cleanPath(once.text(), currentFolderOf).text(), once.text()) << path;
    }
}

} // namespace
} // namespace quillmere::winpath
