#include "controls/file_list_box.h"

#include "host/drive_map.h"
#include "host/folder_listing.h"

#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionViewItem>

namespace quillmere::controls {

FileListBox::FileListBox(QWidget* parent)
    : FileListBox(QStringLiteral("*.*"), parent) {}

FileListBox::FileListBox(const QString& pattern, QWidget* parent)
    : QListWidget(parent)
    , m_pattern(pattern) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row has the same height, which spares the view a measuring pass over thousands of rows.
    setUniformItemSizes(true);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &FileListBox::onSelectionChanged);
    connect(this, &QAbstractItemView::clicked, this, &FileListBox::onClicked);
    setPath(host::currentFolder());
}

QString FileListBox::path() const {
    return m_path;
}

bool FileListBox::setPath(const QString& folder) {
    const std::optional<host::ListedFolder> opened = host::openListedFolder(folder);
    if (!opened)
        return false;
    const std::optional<QStringList> names =
        host::readFolderEntries(opened->hostPath, host::EntryKind::Files, m_pattern);
    if (!names)
        return false;
    m_path = opened->windowsPath;
    m_hostPath = opened->hostPath;
    fillWith(*names);
    return true;
}

QString FileListBox::pattern() const {
    return m_pattern;
}

void FileListBox::setPattern(const QString& pattern) {
    if (pattern == m_pattern)
        return;
    m_pattern = pattern;
    refresh();
}

QString FileListBox::fileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FileListBox::refresh() {
    if (m_hostPath.isEmpty())
        return;
    fillWith(host::readFolderEntries(m_hostPath, host::EntryKind::Files, m_pattern).value_or(QStringList()));
}

void FileListBox::fillWith(const QStringList& names) {
    m_filling = true;
    setUpdatesEnabled(false);
    clear();
    addItems(names);
    setUpdatesEnabled(true);
    m_filling = false;
}

void FileListBox::onSelectionChanged() {
    if (m_filling || selectedItems().isEmpty())
        return;
    m_changedSincePress = true;
    emit selectionEvent();
}

void FileListBox::mousePressEvent(QMouseEvent* event) {
    m_changedSincePress = false;
    QListWidget::mousePressEvent(event);
}

int FileListBox::rowHeight() const {
    // Every entry is one line of text, so one made-up entry measures them all, even with none listed.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Hg");
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height() + 2 * spacing();
}

void FileListBox::resizeEvent(QResizeEvent* event) {
    // The event may be the viewport's, and a hidden list gets its own late: read the list's height,
    // and take the height it was snapped to for no new request.
    if (!m_snapping && height() != m_snappedHeight)
        m_askedHeight = height();
    QListWidget::resizeEvent(event);
    snapToWholeRows();
}

void FileListBox::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        snapToWholeRows();
}

void FileListBox::snapToWholeRows() {
    const int row = rowHeight();
    if (row <= 0 || m_askedHeight <= 0 || m_snapping)
        return;
    const int frame = 2 * frameWidth();
    const int snapped = frame + qMax(1, (m_askedHeight - frame) / row) * row;
    m_snappedHeight = snapped;
    if (snapped == height())
        return;
    m_snapping = true;
    resize(width(), snapped);
    m_snapping = false;
}

void FileListBox::onClicked(const QModelIndex& index) {
    // A click that changed the selection has been told already.
    if (index.isValid() && !m_changedSincePress)
        emit selectionEvent();
}

} // namespace quillmere::controls
