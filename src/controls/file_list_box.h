#pragma once

#include <QListWidget>

namespace quillmere::controls {

// The standard file list: the ordinary files of one folder that match a wildcard pattern, hidden
// files and names Windows cannot address left out, sorted case-insensitively.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);
    // With the pattern fixed in the layout, so the opening folder is read once, already filtered.
    explicit FileListBox(const QString& pattern, QWidget* parent = nullptr);

    // The folder shown, in Windows form.
    QString path() const;
    // Lists another folder (a drive text stands for that drive's current folder). Fails and leaves
    // the list as it was when the folder cannot be read.
    bool setPath(const QString& folder);

    // Windows wildcards, several separated by ';'. "*.*" until set.
    QString pattern() const;
    void setPattern(const QString& pattern);

    // The selected entry's bare file name; empty when nothing is selected.
    QString fileName() const;

    // Re-reads the same folder with the same pattern. A folder that can no longer be read shows
    // no files.
    void refresh();

    // The height of one entry; the list shows whole entries only, its height snapped down to them.
    int rowHeight() const;

signals:
    // Every change of the selected entry the user makes (click, drag, keyboard), and a click on the
    // entry already selected; never a refill.
    void selectionEvent();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fillWith(const QStringList& names);
    void onSelectionChanged();
    void onClicked(const QModelIndex& index);

    void snapToWholeRows();

    int m_askedHeight = 0; // the height the layout gave, before snapping
    int m_snappedHeight = -1;
    bool m_snapping = false;
    bool m_filling = false;
    bool m_changedSincePress = false;

    QString m_path;
    QString m_hostPath;
    QString m_pattern = QStringLiteral("*.*");
};

} // namespace quillmere::controls
