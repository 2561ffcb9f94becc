#include "controls/fixed_dialog.h"

#include "controls/twips.h"
#include "controls/window_list.h"

#include <QIcon>

namespace quillmere::controls {

FixedDialog::FixedDialog(QWidget* owner, const char* objectName, const QString& title, QSize clientTwips,
                         Caption caption)
    : QDialog(owner) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(title);
    const Qt::WindowFlags frame = caption == Caption::Tool ? Qt::Tool : Qt::Dialog;
    setWindowFlags(frame | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    if (caption == Caption::Tool)
        setWindowIcon(QIcon());
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(twipsSize(clientTwips));
    registerLoadedWindow(this);
}

FixedDialog::~FixedDialog() {
    unregisterLoadedWindow(this);
}

} // namespace quillmere::controls
