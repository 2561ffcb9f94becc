#include "controls/classic_frame.h"

#include <QGroupBox>

namespace quillmere::controls {

void useClassicFrame(QGroupBox* frame) {
    const int captionMiddle = frame->fontMetrics().height() / 2;
    frame->setStyleSheet(
        QStringLiteral("QGroupBox#%1 { border: 2px groove palette(mid); margin-top: %2px; }"
                       "QGroupBox#%1::title { subcontrol-origin: margin; subcontrol-position: top left;"
                       " left: 6px; padding: 0 2px; background-color: palette(window); }")
            .arg(frame->objectName())
            .arg(captionMiddle));
}

} // namespace quillmere::controls
