#include "controls/dir_list_box.h"

#include "host/drive_map.h"
#include "host/folder_listing.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include <utility>

namespace quillmere::controls {

namespace {

constexpr int kIndentPerLevel = 8; // pixels

// Shifts each row right by its depth, which gives the flat list its tree look.
class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(shifted.rect.left() + indentOf(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indentOf(index);
        return size;
    }

private:
    static int indentOf(const QModelIndex& index) {
        return index.data(DirListBox::LevelRole).toInt() * kIndentPerLevel;
    }
};

} // namespace

DirListBox::DirListBox(QWidget* parent)
    : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setItemDelegate(new IndentDelegate(this));
    setPath(host::currentFolder());
}

QString DirListBox::path() const {
    return m_path;
}

bool DirListBox::setPath(const QString& path) {
    // The drive this list shows already has its current folder on screen.
    if (winpath::isDriveText(path) && !m_path.isEmpty() && winpath::driveLetterOf(m_path) == path.at(0).toLower())
        return host::isDriveReady(path.at(0).toLower());

    const std::optional<host::ListedFolder> folder = host::openListedFolder(path);
    if (!folder)
        return false;
    const std::optional<QStringList> subfolders = host::readFolderEntries(folder->hostPath, host::EntryKind::Folders);
    if (!subfolders)
        return false;
    if (folder->windowsPath == m_path)
        return true;

    fill(folder->windowsPath, *subfolders);
    m_path = folder->windowsPath;
    host::setDriveCurrentFolder(m_path);
    emit changed();
    return true;
}

void DirListBox::refresh() {
    const std::optional<host::ListedFolder> folder = host::openListedFolder(m_path);
    const std::optional<QStringList> subfolders =
        folder ? host::readFolderEntries(folder->hostPath, host::EntryKind::Folders) : std::nullopt;
    fill(m_path, subfolders.value_or(QStringList()));
}

void DirListBox::fill(const QString& windowsPath, const QStringList& subfolders) {
    // Our own pictures: the style's folder icons cost an icon-theme search on disk at every fill.
    static const QIcon openIcon(QStringLiteral(":/images/folder_open.png"));
    static const QIcon closedIcon(QStringLiteral(":/images/folder_closed.png"));

    setUpdatesEnabled(false);
    clear();
    // "C:\a\b" -> rows "C:\", "a", "b", each standing for its own path.
    const QString root = windowsPath.left(3);
    const QStringList parts = windowsPath.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString rowPath = root;
    auto addRow = [this](const QString& text, const QString& rowFolder, int level, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(PathRole, rowFolder);
        item->setData(LevelRole, level);
    };
    addRow(root, root, 0, openIcon);
    for (int i = 0; i < parts.size(); ++i) {
        rowPath = winpath::joinWindowsPath(rowPath, parts.at(i));
        addRow(parts.at(i), rowPath, i + 1, openIcon);
    }
    QListWidgetItem* open = item(count() - 1);
    const int childLevel = int(parts.size()) + 1;
    for (const QString& name : subfolders)
        addRow(name, winpath::joinWindowsPath(windowsPath, name), childLevel, closedIcon);
    setCurrentItem(open);
    setUpdatesEnabled(true);
    m_openRow = row(open);
    // Scrolling lays every row out: a list not on screen yet (the window being built fills it
    // twice) does so once, as it is shown.
    m_scrollWhenShown = !isVisible();
    if (!m_scrollWhenShown)
        scrollOpenRowToTop();
}

void DirListBox::scrollOpenRowToTop() {
    if (QListWidgetItem* open = item(m_openRow))
        scrollToItem(open, QAbstractItemView::PositionAtTop);
}

void DirListBox::showEvent(QShowEvent* event) {
    QListWidget::showEvent(event);
    if (std::exchange(m_scrollWhenShown, false))
        scrollOpenRowToTop();
}

void DirListBox::openRow(const QListWidgetItem* row) {
    if (row)
        setPath(row->data(PathRole).toString());
}

void DirListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QListWidgetItem* row = event->button() == Qt::LeftButton ? itemAt(event->position().toPoint()) : nullptr;
    const QString rowPath = row ? row->data(PathRole).toString() : QString();
    QListWidget::mouseDoubleClickEvent(event);
    if (!rowPath.isEmpty())
        setPath(rowPath);
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openRow(currentItem());
        // Left for the window too, so a dialog's default button still answers Enter.
        event->ignore();
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace quillmere::controls
