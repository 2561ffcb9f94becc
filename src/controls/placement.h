#pragma once

#include "controls/twips.h"

#include <QLatin1String>
#include <QRect>
#include <QWidget>

#include <initializer_list>

namespace quillmere::controls {

// Gives a control the name the layout knows it by and puts it where the layout says, in twips
// (relative to the frame that holds it).
template <typename Control> Control* place(Control* control, const char* objectName, const QRect& twipsGeometry) {
    control->setObjectName(QLatin1String(objectName));
    control->setGeometry(twipsRect(twipsGeometry));
    return control;
}

// The keyboard order of a window's controls, first to last.
inline void setTabChain(std::initializer_list<QWidget*> chain) {
    QWidget* previous = nullptr;
    for (QWidget* widget : chain) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

} // namespace quillmere::controls
