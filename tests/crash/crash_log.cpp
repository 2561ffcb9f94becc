#include "crash_log.h"

#include <QFile>

namespace quillmere::crash {

namespace {

QString pathText(const QByteArray& path) {
    return path.isEmpty() ? QStringLiteral(".") : QFile::decodeName(path);
}

} // namespace

QString describe(const Step& step) {
    const QString file = QStringLiteral("#%1").arg(step.file);
    switch (step.kind) {
    case Step::Kind::MakeFolder:
        return QStringLiteral("makeFolder %1").arg(pathText(step.path));
    case Step::Kind::CreateFile:
        return QStringLiteral("create %1 %2").arg(pathText(step.path), file);
    case Step::Kind::CreateUnnamed:
        return QStringLiteral("createUnnamed %1 %2").arg(pathText(step.path), file);
    case Step::Kind::Link:
        return QStringLiteral("link %1 %2").arg(file, pathText(step.path));
    case Step::Kind::Write:
        return QStringLiteral("write %1 %2+%3").arg(file).arg(step.offset).arg(step.data.size());
    case Step::Kind::SetMode:
        return QStringLiteral("setMode %1 %2").arg(file).arg(step.mode, 0, 8);
    case Step::Kind::SetModified:
        return QStringLiteral("setModified %1 %2").arg(file).arg(step.modified.tv_sec);
    case Step::Kind::SyncFile:
        return QStringLiteral("syncFile %1").arg(file);
    case Step::Kind::SyncFolder:
        return QStringLiteral("syncFolder %1").arg(pathText(step.path));
    case Step::Kind::Rename:
        return QStringLiteral("rename %1 %2").arg(pathText(step.path), pathText(step.to));
    case Step::Kind::Unlink:
        return QStringLiteral("unlink %1").arg(pathText(step.path));
    case Step::Kind::RemoveFolder:
        return QStringLiteral("removeFolder %1").arg(pathText(step.path));
    }
    return {};
}

} // namespace quillmere::crash
