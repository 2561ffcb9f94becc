#include "controls/classic_frame.h"

#include <QEvent>
#include <QGroupBox>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace quillmere::controls {

namespace {

// Paints the frame in place of the style. A style sheet drew it before, but a style sheet puts its
// style on every control inside the frame too, which made building and painting them slower.
class ClassicFramePainter final : public QObject {
public:
    explicit ClassicFramePainter(QGroupBox* frame)
        : QObject(frame) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        paint(*static_cast<QGroupBox*>(watched));
        return true;
    }

private:
    static void paint(QGroupBox& frame) {
        QPainter painter(&frame);
        const QFontMetrics metrics = frame.fontMetrics();
        const int captionMiddle = metrics.height() / 2;
        // Etched: a grey line with a white one inside it, as Windows draws a group box.
        QPalette etch = frame.palette();
        etch.setColor(QPalette::Dark, etch.color(QPalette::Mid));
        qDrawShadeRect(&painter, frame.rect().adjusted(0, captionMiddle, 0, 0), etch, true, 1, 0);
        const QString title = frame.title();
        if (title.isEmpty())
            return;
        // The caption sits on the top line, on the window's colour, a little in from the left.
        constexpr int kIndent = 6;
        constexpr int kMargin = 4;
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
        const QRect text(kIndent + kMargin, 0, metrics.size(flags, title).width(), metrics.height());
        painter.fillRect(text.adjusted(-kMargin, 0, kMargin, 0), frame.palette().color(QPalette::Window));
        frame.style()->drawItemText(&painter, text, flags, frame.palette(), frame.isEnabled(), title,
                                    QPalette::WindowText);
    }
};

} // namespace

void useClassicFrame(QGroupBox* frame) {
    frame->installEventFilter(new ClassicFramePainter(frame));
}

} // namespace quillmere::controls
