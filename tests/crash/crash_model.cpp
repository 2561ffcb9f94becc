#include "crash_model.h"

#include <QFile>

namespace quillmere::crash {

namespace {

QString quoted(const QByteArray& path) {
    return path.isEmpty() ? QStringLiteral("the root") : QFile::decodeName(path);
}

} // namespace

std::unique_ptr<CrashModel> CrashModel::replay(const FileTree& first, const CrashLog& log, QString* error) {
    auto model = std::make_unique<CrashModel>();
    model->m_log = log;
    if (!model->start(first, error))
        return nullptr;
    for (qsizetype i = 0; i < qsizetype(log.steps.size()); ++i) {
        if (!model->apply(i, error))
            return nullptr;
    }
    return model;
}

int CrashModel::newFolder(const QByteArray& path) {
    m_folders.push_back({path, {}, {}, {}});
    m_live.emplace_back();
    return int(m_folders.size()) - 1;
}

bool CrashModel::start(const FileTree& first, QString* error) {
    newFolder({});
    for (const auto& [path, node] : first.nodes()) {
        const auto parent = parentOf(path, error);
        if (!parent)
            return false;
        ModelEntry entry{node.kind, -1, {}};
        if (node.kind == TreeNode::Kind::Folder) {
            entry.id = newFolder(path);
        } else if (node.kind == TreeNode::Kind::File) {
            entry.id = int(m_files.size());
            m_files.push_back({0, node.content, node.mode, node.modified, {}, {}, FileHistory::kNamedAtStart});
        } else {
            entry.target = node.content;
        }
        m_folders[std::size_t(parent->first)].initial[parent->second] = entry;
        m_live[std::size_t(parent->first)][parent->second] = entry;
    }
    return true;
}

std::optional<std::pair<int, QByteArray>> CrashModel::parentOf(const QByteArray& path, QString* why) const {
    const QByteArrayList parts = path.split('/');
    if (path.isEmpty() || parts.contains(QByteArray()) || parts.contains("..") || parts.contains(".")) {
        *why = QStringLiteral("%1 is not a name below the root").arg(quoted(path));
        return std::nullopt;
    }
    int folder = 0;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const ModelEntries& entries = m_live[std::size_t(folder)];
        const auto found = entries.find(parts[i]);
        if (found == entries.end() || found->second.kind != TreeNode::Kind::Folder) {
            *why = QStringLiteral("%1 lies in no folder: %2 is %3")
                       .arg(quoted(path), QFile::decodeName(parts[i]),
                            found == entries.end() ? QStringLiteral("missing") : QStringLiteral("not a folder"));
            return std::nullopt;
        }
        folder = found->second.id;
    }
    return std::pair(folder, parts.last());
}

std::optional<int> CrashModel::folderAt(const QByteArray& path, QString* why) const {
    if (path.isEmpty())
        return 0;
    const auto parent = parentOf(path, why);
    if (!parent)
        return std::nullopt;
    const ModelEntries& entries = m_live[std::size_t(parent->first)];
    const auto found = entries.find(parent->second);
    if (found == entries.end() || found->second.kind != TreeNode::Kind::Folder) {
        *why = QStringLiteral("%1 is not a folder").arg(quoted(path));
        return std::nullopt;
    }
    return found->second.id;
}

void CrashModel::change(int folder, FolderChange c) {
    ModelEntries& live = m_live[std::size_t(folder)];
    switch (c.what) {
    case FolderChange::What::Add:
        live[c.name] = c.entry;
        break;
    case FolderChange::What::Remove:
        live.erase(c.name);
        break;
    case FolderChange::What::Rename: {
        const ModelEntry moved = live.at(c.name);
        live.erase(c.name);
        live[c.to] = moved;
        break;
    }
    }
    m_folders[std::size_t(folder)].changes.push_back(std::move(c));
}

bool CrashModel::apply(qsizetype index, QString* error) {
    const Step& step = m_log.steps[std::size_t(index)];
    QString why;
    bool applied = false;
    if (!step.outside.isEmpty()) {
        why = QStringLiteral("%1 lies outside the recorded root %2")
                  .arg(QFile::decodeName(step.outside), QFile::decodeName(m_log.root));
    } else {
        switch (step.kind) {
        case Step::Kind::MakeFolder:
        case Step::Kind::CreateFile:
        case Step::Kind::Link:
            applied = applyNaming(index, &why);
            break;
        case Step::Kind::Unlink:
        case Step::Kind::RemoveFolder:
            applied = applyRemoval(index, &why);
            break;
        case Step::Kind::Rename:
            applied = applyRename(index, &why);
            break;
        case Step::Kind::SyncFolder:
            if (const std::optional<int> folder = folderAt(step.path, &why)) {
                m_folders[std::size_t(*folder)].syncs.push_back(index);
                applied = true;
            }
            break;
        case Step::Kind::CreateUnnamed:
        case Step::Kind::Write:
        case Step::Kind::SetMode:
        case Step::Kind::SetModified:
        case Step::Kind::SyncFile:
            applied = applyToFile(index, &why);
            break;
        }
    }
    if (!applied)
        *error = QStringLiteral("step %1 (%2) cannot be replayed: %3").arg(index).arg(describe(step), why);
    return applied;
}

bool CrashModel::applyNaming(qsizetype index, QString* why) {
    const Step& step = m_log.steps[std::size_t(index)];
    const auto parent = parentOf(step.path, why);
    if (!parent)
        return false;
    if (m_live[std::size_t(parent->first)].count(parent->second)) {
        *why = QStringLiteral("%1 exists already").arg(quoted(step.path));
        return false;
    }
    ModelEntry entry;
    if (step.kind == Step::Kind::MakeFolder) {
        entry = {TreeNode::Kind::Folder, newFolder(step.path), {}};
    } else if (step.kind == Step::Kind::CreateFile) {
        entry.id = int(m_files.size());
        m_files.push_back({step.file, {}, 0600, std::nullopt, {}, {}, index});
        m_fileOfNumber.insert(step.file, entry.id);
    } else {
        entry.id = m_fileOfNumber.value(step.file, -1);
        if (entry.id < 0) {
            *why = QStringLiteral("it names a file the log did not make");
            return false;
        }
        FileHistory& file = m_files[std::size_t(entry.id)];
        file.named = file.named == FileHistory::kNeverNamed ? index : file.named;
    }
    change(parent->first, {index, FolderChange::What::Add, parent->second, {}, entry});
    return true;
}

bool CrashModel::applyRemoval(qsizetype index, QString* why) {
    const Step& step = m_log.steps[std::size_t(index)];
    const auto parent = parentOf(step.path, why);
    if (!parent)
        return false;
    const ModelEntries& entries = m_live[std::size_t(parent->first)];
    const auto found = entries.find(parent->second);
    const bool folder = step.kind == Step::Kind::RemoveFolder;
    if (found == entries.end() || (found->second.kind == TreeNode::Kind::Folder) != folder) {
        *why = QStringLiteral("%1 is no %2 there")
                   .arg(quoted(step.path), folder ? QStringLiteral("folder") : QStringLiteral("file"));
        return false;
    }
    if (folder && !m_live[std::size_t(found->second.id)].empty()) {
        *why = QStringLiteral("%1 is not empty").arg(quoted(step.path));
        return false;
    }
    change(parent->first, {index, FolderChange::What::Remove, parent->second, {}, {}});
    return true;
}

bool CrashModel::applyRename(qsizetype index, QString* why) {
    const Step& step = m_log.steps[std::size_t(index)];
    const auto from = parentOf(step.path, why);
    const auto to = from ? parentOf(step.to, why) : std::nullopt;
    if (!to)
        return false;
    if (from->first != to->first) {
        *why = QStringLiteral("it renames between two folders, which this model does not place");
        return false;
    }
    const ModelEntries& entries = m_live[std::size_t(from->first)];
    const auto source = entries.find(from->second);
    const auto target = entries.find(to->second);
    if (source == entries.end() || source->second.kind == TreeNode::Kind::Folder ||
        (target != entries.end() && target->second.kind == TreeNode::Kind::Folder)) {
        *why = QStringLiteral("only a file or link is renamed over a file or a free name here");
        return false;
    }
    if (from->second != to->second)
        change(from->first, {index, FolderChange::What::Rename, from->second, to->second, {}});
    return true;
}

bool CrashModel::applyToFile(qsizetype index, QString* why) {
    const Step& step = m_log.steps[std::size_t(index)];
    if (step.kind == Step::Kind::CreateUnnamed) {
        if (!folderAt(step.path, why))
            return false;
        m_fileOfNumber.insert(step.file, int(m_files.size()));
        m_files.push_back({step.file, {}, 0600, std::nullopt, {}, {}, FileHistory::kNeverNamed});
        return true;
    }
    const int file = m_fileOfNumber.value(step.file, -1);
    if (file < 0) {
        *why = QStringLiteral("it changes a file the log did not make");
        return false;
    }
    if (step.kind == Step::Kind::SyncFile)
        m_files[std::size_t(file)].syncs.push_back(index);
    else
        m_files[std::size_t(file)].changes.push_back(index);
    return true;
}

} // namespace quillmere::crash
