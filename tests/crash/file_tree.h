#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ctime>
#include <map>
#include <optional>

#include <sys/types.h>

namespace quillmere::crash {

// One entry of a folder tree: what the disk holds for a name.
struct TreeNode {
    enum class Kind { Folder, File, Link };
    Kind kind = Kind::File;
    QByteArray content;               // a file's bytes, a link's target
    mode_t mode = 0600;               // a file's permission bits
    std::optional<timespec> modified; // a file's time; none for the time of its writing, any time

    bool sameAs(const TreeNode& other, bool withTimes) const;
};

// A folder tree by path relative to its root, in byte order (a folder before what it holds): what
// a crash may leave on the disk, and what the checks read back once it is written out.
class FileTree {
public:
    using Nodes = std::map<QByteArray, TreeNode>;

    // Everything below root, links not followed. Nothing, with *error set, when something cannot be
    // read or is neither a folder, a file nor a link.
    static std::optional<FileTree> capture(const QByteArray& root, QString* error);

    const Nodes& nodes() const { return m_nodes; }
    const TreeNode* find(const QByteArray& path) const;
    void put(const QByteArray& path, TreeNode node) { m_nodes[path] = std::move(node); }

    // The paths whose nodes differ, each with how: "missing", "extra", "differs".
    QStringList differences(const FileTree& other, bool withTimes) const;
    // Equal for equal trees, times included.
    QByteArray digest() const;

    // Makes root, which holds `current`, hold this tree instead: only what differs is removed and
    // written. False, with *error set, when the disk refuses.
    bool writeOver(const QByteArray& root, const FileTree& current, QString* error) const;

private:
    Nodes m_nodes;
};

} // namespace quillmere::crash
