#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::test {

// A FAT or exFAT image mounted through FUSE, as a stick is where the kernel has no driver for it:
// fusefat on the image itself, exfat-fuse on a loop device over it. What was mounted or attached is
// undone when the object goes, also after a failed test.
class FuseMedium {
public:
    enum class Kind { Fat, ExFat };

    // The image and the mount point are made in folder.
    FuseMedium(Kind kind, const QString& folder)
        : m_image(folder + QStringLiteral("/medium.img"))
        , m_mountPoint(folder + QStringLiteral("/medium")) {
        m_unusable = mount(kind);
    }
    ~FuseMedium() {
        if (m_mounted && !run(QStringLiteral("umount"), {m_mountPoint}))
            run(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint});
        if (!m_loopDevice.isEmpty())
            run(QStringLiteral("losetup"), {QStringLiteral("-d"), m_loopDevice});
    }
    FuseMedium(const FuseMedium&) = delete;
    FuseMedium& operator=(const FuseMedium&) = delete;

    // Empty once mounted; else why the medium cannot be had on this machine.
    const QString& unusable() const { return m_unusable; }
    const QString& mountPoint() const { return m_mountPoint; }

private:
    static constexpr qint64 ImageBytes = qint64(64) << 20;

    QString mount(Kind kind) {
        const bool fat = kind == Kind::Fat;
        const QStringList tools =
            fat ? QStringList{"mkfs.vfat", "fusefat"} : QStringList{"mkfs.exfat", "mount.exfat-fuse", "losetup"};
        for (const QString& tool : tools) {
            if (program(tool).isEmpty())
                return tool + QStringLiteral(" is not installed (packages fusefat dosfstools exfat-fuse exfatprogs)");
        }
        const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fuse < 0)
            return QStringLiteral("/dev/fuse cannot be opened here");
        ::close(fuse);
        if (!fat && ::geteuid() != 0)
            return QStringLiteral("a loop device for exfat-fuse needs root");
        QFile image(m_image);
        if (!image.open(QIODevice::WriteOnly) || !image.resize(ImageBytes))
            return QStringLiteral("cannot make the image ") + m_image;
        image.close();
        if (!run(fat ? "mkfs.vfat" : "mkfs.exfat", {m_image}))
            return QStringLiteral("cannot format the image");
        if (::mkdir(QFile::encodeName(m_mountPoint).constData(), 0755) != 0)
            return QStringLiteral("cannot make the mount point");
        QString device = m_image;
        if (!fat) {
            if (!run(QStringLiteral("losetup"), {"-f", "--show", m_image}, &m_loopDevice) || m_loopDevice.isEmpty()) {
                m_loopDevice.clear();
                return QStringLiteral("no loop device can be attached here");
            }
            device = m_loopDevice;
        }
        const bool mounted = fat ? run(QStringLiteral("fusefat"), {"-o", "rw+", device, m_mountPoint})
                                 : run(QStringLiteral("mount.exfat-fuse"), {device, m_mountPoint});
        m_mounted = mounted; // unmounted when the object goes, whatever the check below finds
        return mounted && isMountPoint() ? QString() : QStringLiteral("FUSE cannot mount the image here");
    }

    bool isMountPoint() const {
        struct stat self {};
        struct stat parent {};
        return ::stat(QFile::encodeName(m_mountPoint).constData(), &self) == 0 &&
               ::stat(QFile::encodeName(m_mountPoint + QStringLiteral("/..")).constData(), &parent) == 0 &&
               self.st_dev != parent.st_dev;
    }

    // Where a tool is, also in the system folders a user's PATH may leave out.
    static QString program(const QString& name) {
        const QString found = QStandardPaths::findExecutable(name);
        return found.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/bin"}) : found;
    }

    // Runs a tool to its end; true when it exits with 0. Its first output line goes to *firstLine;
    // otherwise its output goes nowhere, since a FUSE daemon it leaves behind would die writing to a
    // closed pipe.
    static bool run(const QString& name, const QStringList& arguments, QString* firstLine = nullptr) {
        const QString path = program(name);
        if (path.isEmpty())
            return false;
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (!firstLine)
            process.setStandardOutputFile(QProcess::nullDevice());
        process.start(path, arguments);
        if (!process.waitForFinished(30'000))
            return false;
        if (firstLine)
            *firstLine = QString::fromLocal8Bit(process.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QString m_image;
    QString m_mountPoint;
    QString m_loopDevice;
    QString m_unusable;
    bool m_mounted = false;
};

} // namespace quillmere::test
