#include "copy/durable_file.h"
#include "support/files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace quillmere;

namespace {

// A file that grew after it was opened: its descriptor's status tells the size it had then.
class GrownIo final : public copy::FileIo {
public:
    qint64 sizeWhenOpened = 0;
    int openStatus(int fd, copy::FileStat& out) override {
        const int status = FileIo::openStatus(fd, out);
        out.size = sizeWhenOpened;
        return status;
    }
};

} // namespace

TEST(ReadSmallFile, ReadsTheWholeFileWhateverSizeItHadWhenOpenedUpToTheLimit) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/record");
    const QByteArray bytes(70000, 'r');
    test::writeBytes(path, bytes);
    const struct {
        qint64 sizeWhenOpened;
        qint64 limit;
        int result;
    } cases[] = {
        {70000, 70000, 0},   // as it was
        {10, 100000, 0},     // grew a lot since
        {0, 100000, 0},      // was empty
        {10, 69999, -EFBIG}, // grew past the limit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sizeWhenOpened);
        GrownIo io;
        io.sizeWhenOpened = c.sizeWhenOpened;
        QByteArray out;
        EXPECT_EQ(copy::readSmallFile(io, QFile::encodeName(path), c.limit, out), c.result);
        EXPECT_EQ(out, c.result == 0 ? bytes : QByteArray());
    }
}
