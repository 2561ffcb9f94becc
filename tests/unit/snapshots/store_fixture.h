#pragma once

#include "copy/file_io.h"
#include "files.h"
#include "snapshots/snapshot_store.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

namespace quillmere::test {

// The plain calls, counting what a test asks about, and able to stop dead after a number of calls
// that change the disk, as a killed process does: from then on every call fails and changes nothing.
class StoppingIo : public copy::FileIo {
public:
    qint64 stopAfter = -1;    // calls that change the disk; -1 never stops
    QByteArray watchedFolder; // sources opened below it are counted
    std::atomic<int> watchedOpens{0};
    QSet<QByteArray> watchedOpened; // their names
    std::atomic<qint64> changes{0};

    bool stopped() const { return stopAfter >= 0 && changes >= stopAfter; }

    int openRead(const QByteArray& path) override {
        if (stopped())
            return -EIO;
        if (!watchedFolder.isEmpty() && path.startsWith(watchedFolder + '/')) {
            ++watchedOpens;
            watchedOpened.insert(path.mid(watchedFolder.size() + 1));
        }
        return FileIo::openRead(path);
    }
    int makeFolder(const QByteArray& p) override {
        return change([&] { return FileIo::makeFolder(p); });
    }
    int createUnnamed(const QByteArray& f) override {
        return change([&] { return FileIo::createUnnamed(f); });
    }
    int createNew(const QByteArray& p) override {
        return change([&] { return FileIo::createNew(p); });
    }
    int linkUnnamed(int fd, const QByteArray& p) override {
        return change([&] { return FileIo::linkUnnamed(fd, p); });
    }
    ssize_t write(int fd, const void* b, size_t n) override {
        return change([&] { return FileIo::write(fd, b, n); });
    }
    int setMode(int fd, mode_t m) override {
        return change([&] { return FileIo::setMode(fd, m); });
    }
    int setModified(int fd, const timespec& t) override {
        return change([&] { return FileIo::setModified(fd, t); });
    }
    int syncFile(int fd) override {
        return change([&] { return FileIo::syncFile(fd); });
    }
    int syncFolder(int fd) override {
        return change([&] { return FileIo::syncFolder(fd); });
    }
    int rename(const QByteArray& a, const QByteArray& b) override {
        return change([&] { return FileIo::rename(a, b); });
    }
    int unlink(const QByteArray& p) override {
        return change([&] { return FileIo::unlink(p); });
    }
    int removeFolder(const QByteArray& p) override {
        return change([&] { return FileIo::removeFolder(p); });
    }

private:
    template <typename Call> auto change(Call call) -> decltype(call()) {
        if (stopped())
            return -EIO;
        ++changes;
        return call();
    }
};

// A save folder and a store beside it, in a temporary folder of their own.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        QDir().mkpath(saveFolder());
        io.watchedFolder = QFile::encodeName(saveFolder());
    }
    QString saveFolder() const { return temp.path() + QStringLiteral("/Save"); }
    QString storeRoot() const { return temp.path() + QStringLiteral("/history"); }
    snapshots::GameRef game() const {
        return {QStringLiteral("Diablo II"), temp.path() + QStringLiteral("/prefix"), QStringLiteral("C:\\Save"),
                saveFolder()};
    }
    void put(const QString& name, const QByteArray& bytes) { writeBytes(saveFolder() + u'/' + name, bytes); }

    // Every file the newest snapshot holds, with its stored bytes.
    QMap<QString, QByteArray> newest(snapshots::SnapshotStore& from) const {
        QMap<QString, QByteArray> files;
        const auto latest = from.history(game()).latest();
        if (latest) {
            for (const snapshots::FileEntry& file : latest->state.files())
                files.insert(file.name, bytesOf(QFile::decodeName(from.contentPath(file.sha256))));
        }
        return files;
    }
    int contentCount() const { return int(filesIn(storeRoot() + QStringLiteral("/objects")).size()); }
    int snapshotCount(snapshots::SnapshotStore& from) const { return int(from.history(game()).entries().size()); }

    QTemporaryDir temp;
    StoppingIo io;
    snapshots::SnapshotStore store{storeRoot(), io};
};

} // namespace quillmere::test
