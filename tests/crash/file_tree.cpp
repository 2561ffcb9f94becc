#include "file_tree.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::crash {

namespace {

QString failed(const char* what, const QByteArray& path) {
    return QStringLiteral("%1 %2: %3")
        .arg(QLatin1String(what), QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
}

QByteArray join(const QByteArray& root, const QByteArray& relative) {
    return relative.isEmpty() ? root : root + '/' + relative;
}

bool readWhole(const QByteArray& path, QByteArray& out) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    out.clear();
    char buffer[1 << 16];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, n);
    ::close(fd);
    return n == 0;
}

bool captureInto(const QByteArray& root, const QByteArray& relative, FileTree& tree, QString* error) {
    const QByteArray folder = join(root, relative);
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        *error = failed("cannot list", folder);
        return false;
    }
    QByteArrayList names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    for (const QByteArray& name : names) {
        const QByteArray path = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray full = join(root, path);
        struct stat st {};
        if (::lstat(full.constData(), &st) != 0) {
            *error = failed("cannot examine", full);
            return false;
        }
        TreeNode node;
        if (S_ISDIR(st.st_mode)) {
            node.kind = TreeNode::Kind::Folder;
            tree.put(path, node);
            if (!captureInto(root, path, tree, error))
                return false;
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            node.kind = TreeNode::Kind::Link;
            node.content.resize(qsizetype(st.st_size) + 1);
            const ssize_t n = ::readlink(full.constData(), node.content.data(), std::size_t(node.content.size()));
            node.content.truncate(n < 0 ? 0 : n);
        } else if (S_ISREG(st.st_mode)) {
            node.mode = st.st_mode & 07777;
            node.modified = st.st_mtim;
            if (!readWhole(full, node.content)) {
                *error = failed("cannot read", full);
                return false;
            }
        } else {
            *error = QStringLiteral("%1 is neither a folder, a file nor a link").arg(QFile::decodeName(full));
            return false;
        }
        tree.put(path, node);
    }
    return true;
}

bool writeFile(const QByteArray& full, const TreeNode& node) {
    const int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    bool ok = true;
    for (qsizetype done = 0; ok && done < node.content.size();) {
        const ssize_t n = ::write(fd, node.content.constData() + done, std::size_t(node.content.size() - done));
        ok = n > 0;
        done += n > 0 ? n : 0;
    }
    ok = ok && ::fchmod(fd, node.mode) == 0;
    if (ok && node.modified) {
        const timespec times[2] = {{0, UTIME_NOW}, *node.modified};
        ok = ::futimens(fd, times) == 0;
    }
    return ::close(fd) == 0 && ok;
}

bool create(const QByteArray& full, const TreeNode& node) {
    switch (node.kind) {
    case TreeNode::Kind::Folder:
        return ::mkdir(full.constData(), 0755) == 0;
    case TreeNode::Kind::Link:
        return ::symlink(node.content.constData(), full.constData()) == 0;
    case TreeNode::Kind::File:
        break;
    }
    return writeFile(full, node);
}

} // namespace

bool TreeNode::sameAs(const TreeNode& other, bool withTimes) const {
    if (kind != other.kind || content != other.content)
        return false;
    if (kind != Kind::File)
        return true;
    if (mode != other.mode)
        return false;
    // A file given no time has whatever time its writing gave it.
    if (!withTimes || !modified || !other.modified)
        return true;
    return modified->tv_sec == other.modified->tv_sec && modified->tv_nsec == other.modified->tv_nsec;
}

std::optional<FileTree> FileTree::capture(const QByteArray& root, QString* error) {
    FileTree tree;
    if (!captureInto(root, QByteArray(), tree, error))
        return std::nullopt;
    return tree;
}

const TreeNode* FileTree::find(const QByteArray& path) const {
    const auto found = m_nodes.find(path);
    return found == m_nodes.end() ? nullptr : &found->second;
}

QStringList FileTree::differences(const FileTree& other, bool withTimes) const {
    QStringList found;
    for (const auto& [path, node] : m_nodes) {
        const TreeNode* there = other.find(path);
        if (!there)
            found << QStringLiteral("%1 missing").arg(QFile::decodeName(path));
        else if (!node.sameAs(*there, withTimes))
            found << QStringLiteral("%1 differs").arg(QFile::decodeName(path));
    }
    for (const auto& [path, node] : other.m_nodes) {
        if (!find(path))
            found << QStringLiteral("%1 extra").arg(QFile::decodeName(path));
    }
    return found;
}

QByteArray FileTree::digest() const {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const auto& [path, node] : m_nodes) {
        const qint64 header[] = {qint64(node.kind), qint64(node.mode), node.content.size(),
                                 node.modified ? qint64(node.modified->tv_sec) : -1,
                                 node.modified ? qint64(node.modified->tv_nsec) : -1};
        hash.addData(path);
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(header), sizeof header));
        hash.addData(node.content);
    }
    return hash.result();
}

bool FileTree::writeOver(const QByteArray& root, const FileTree& current, QString* error) const {
    // What goes or changes its kind, what a folder holds before the folder.
    const bool cleared = std::all_of(current.m_nodes.rbegin(), current.m_nodes.rend(), [&](const auto& entry) {
        const TreeNode* wanted = find(entry.first);
        if (wanted && wanted->kind == entry.second.kind)
            return true;
        const QByteArray full = join(root, entry.first);
        const bool folder = entry.second.kind == TreeNode::Kind::Folder;
        if ((folder ? ::rmdir(full.constData()) : ::unlink(full.constData())) == 0)
            return true;
        *error = failed("cannot remove", full);
        return false;
    });
    if (!cleared)
        return false;
    for (const auto& [path, node] : m_nodes) {
        const TreeNode* there = current.find(path);
        const QByteArray full = join(root, path);
        const bool fresh = !there || there->kind != node.kind;
        if (!fresh && node.sameAs(*there, true))
            continue;
        // A file is made afresh too: one whose mode forbids writing cannot be written over.
        if (!fresh && node.kind != TreeNode::Kind::Folder && ::unlink(full.constData()) != 0) {
            *error = failed("cannot remove", full);
            return false;
        }
        if (!create(full, node)) {
            *error = failed("cannot write", full);
            return false;
        }
    }
    return true;
}

} // namespace quillmere::crash
