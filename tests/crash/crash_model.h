#pragma once

#include "crash_log.h"
#include "file_tree.h"

#include <QHash>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace quillmere::crash {

// A name in a folder: a folder or a file by its index in the model, or a link with its target.
struct ModelEntry {
    TreeNode::Kind kind = TreeNode::Kind::File;
    int id = -1;
    QByteArray target;
};
using ModelEntries = std::map<QByteArray, ModelEntry>;

struct FolderChange {
    enum class What { Add, Remove, Rename };
    qsizetype step = 0;
    What what = What::Add;
    QByteArray name;
    QByteArray to; // a rename's new name
    ModelEntry entry;
};

// A folder as the log changed it: what it held at the start, each change in order, and the steps
// that synced it.
struct FolderHistory {
    QByteArray path; // where it was made, for the reader
    ModelEntries initial;
    std::vector<FolderChange> changes;
    std::vector<qsizetype> syncs;
};

// A file as the log changed it: the steps that wrote it or set its mode or time, and those that
// synced it.
struct FileHistory {
    static constexpr qsizetype kNamedAtStart = -2;
    static constexpr qsizetype kNeverNamed = -1;

    int number = 0; // in the log; 0 for a file there at the start
    QByteArray initial;
    mode_t mode = 0600;
    std::optional<timespec> modified;
    std::vector<qsizetype> changes;
    std::vector<qsizetype> syncs;
    qsizetype named = kNeverNamed; // the step that first gave it a name

    bool namedBefore(qsizetype point) const { return named == kNamedAtStart || (named >= 0 && named < point); }
};

// The log replayed over the tree it started from, every step checked against the folders as they
// stand after the steps before it. Folder 0 is the root.
class CrashModel {
public:
    // Nothing, with *error naming the step and why, when a step cannot be replayed.
    static std::unique_ptr<CrashModel> replay(const FileTree& first, const CrashLog& log, QString* error);

    const CrashLog& log() const { return m_log; }
    const std::vector<FolderHistory>& folders() const { return m_folders; }
    const std::vector<FileHistory>& files() const { return m_files; }

private:
    bool start(const FileTree& first, QString* error);
    bool apply(qsizetype index, QString* error);
    bool applyNaming(qsizetype index, QString* why);
    bool applyRemoval(qsizetype index, QString* why);
    bool applyRename(qsizetype index, QString* why);
    bool applyToFile(qsizetype index, QString* why);
    // The folder holding path's last component, and that component; nothing when a folder on the
    // way is missing or not a folder.
    std::optional<std::pair<int, QByteArray>> parentOf(const QByteArray& path, QString* why) const;
    std::optional<int> folderAt(const QByteArray& path, QString* why) const;
    void change(int folder, FolderChange change);
    int newFolder(const QByteArray& path);

    CrashLog m_log;
    std::vector<FolderHistory> m_folders;
    std::vector<FileHistory> m_files;
    std::vector<ModelEntries> m_live; // each folder as it stands after the steps replayed so far
    QHash<int, int> m_fileOfNumber;
};

} // namespace quillmere::crash
