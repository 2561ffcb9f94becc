#pragma once

#include <QListWidget>

namespace quillmere::controls {

// The standard folder list: the open folder's ancestors from the drive root down (open folders,
// indented by depth), then its subfolders (closed folders, one step further in). A double-click
// or Enter opens the highlighted folder; a single click or the arrow keys only move the highlight.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);

    // The open folder in Windows form ("C:\Program Files\Diablo II\Save"; a drive root is "C:\").
    QString path() const;
    // A drive text ("a:") opens that drive's current folder; on the drive the list already shows,
    // that is the folder it shows. Fails and leaves the list as it was when the folder cannot be
    // read. Setting the folder already open changes nothing.
    bool setPath(const QString& path);
    // Reads the open folder again, for when what lies below it changed (another prefix).
    void refresh();

    // What a row holds beside its text: the Windows path it stands for, and its depth in the tree.
    enum Role { PathRole = Qt::UserRole, LevelRole };

signals:
    // The open folder changed, by the user or by the program.
    void changed();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void openRow(const QListWidgetItem* row);
    void fill(const QString& windowsPath, const QStringList& subfolders);
    void scrollOpenRowToTop();

    QString m_path;
    int m_openRow = 0;
    bool m_scrollWhenShown = false;
};

} // namespace quillmere::controls
