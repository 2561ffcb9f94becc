#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// Host files as tests see them: what a file holds, a file written with given bytes, and what a
// folder lists.
namespace quillmere::test {

// The bytes of a host file; "<missing>" when it cannot be read, so that a missing file never passes
// for an empty one, nor two missing files for equal ones.
QByteArray bytesOf(const QString& hostPath);

// A host file holding exactly these bytes, its folder made first; fails the test when it cannot be written.
void writeBytes(const QString& hostPath, const QByteArray& bytes);

// Sets a host file's modification time; fails the test when it cannot.
void setModified(const QString& hostPath, const QDateTime& when);

// Sets the DOS attributes of a host file or folder as Wine records them, in user.DOSATTRIB; false
// where the file system keeps no user attributes.
bool setDosAttributes(const QString& hostPath, const QByteArray& value);
// Hidden, the way Wine marks it: the attribute 0x2.
bool markHidden(const QString& hostPath);

// Names in a host folder, sorted, hidden ones included: its files, its folders, or every entry
// (pipes and dangling links too).
QStringList filesIn(const QString& hostFolder);
QStringList foldersIn(const QString& hostFolder);
QStringList entriesIn(const QString& hostFolder);

// A folder given a name that is not valid UTF-8 for a test's length: Qt can neither list nor remove
// such a name, so the folder gets its own name back at the end.
class UndecodableName {
public:
    // Renames `folder` to `name` (raw bytes) in the same parent folder.
    UndecodableName(const QString& folder, const QByteArray& name);
    ~UndecodableName();
    UndecodableName(const UndecodableName&) = delete;
    UndecodableName& operator=(const UndecodableName&) = delete;

private:
    QByteArray m_from;
    QByteArray m_to;
};

} // namespace quillmere::test
