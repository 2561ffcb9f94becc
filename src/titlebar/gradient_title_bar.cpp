#include "titlebar/gradient_title_bar.h"

#include "titlebar/caption_geometry.h"
#include "titlebar/system_metrics.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QHoverEvent>
#include <QIcon>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionTitleBar>
#include <QWidget>
#include <QWindow>
#include <qdrawutil.h>

#include <algorithm>
#include <vector>

namespace quillmere::titlebar {

namespace {

QRect toQRect(const PixelRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

QColor toQColor(Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

// The system menu opens below the caption's left end, as the icon's menu does.
constexpr QPoint kSystemMenuPosition(kDialogFrameWidth, kDialogFrameWidth + kCaptionHeight);

// Paints and drives the caption of the one hooked window. Owned by that window.
class TitleBarPainter final : public QObject {
public:
    explicit TitleBarPainter(QWidget* form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Q_DISABLE_COPY_MOVE(TitleBarPainter)

    CaptionGeometry geometry() const;
    QRect captionRect() const;
    QRect systemMenuRect() const;
    QRect closeButtonRect() const;
    QStyleOptionTitleBar standardCaptionOption(bool active) const;
    QStyleOptionButton closeButtonOption(const CaptionGeometry& g) const;

    void paint(bool active);
    void paintFrame(QPainter& painter) const;
    void paintStrip(QPainter& painter, const CaptionGeometry& g, Rgb captionColour) const;
    void paintStandardCaption(QPainter& painter, const CaptionGeometry& g, bool active) const;

    bool mousePress(QMouseEvent* event);
    bool mouseMove(QMouseEvent* event);
    bool mouseRelease(QMouseEvent* event);
    void setCloseHover(bool hover);
    void showSystemMenu(const QPoint& globalPos);
    void startMove(const QPoint& globalPos, bool fromMenu);
    void endManualMove();

    QWidget* m_form;
    QFont m_captionFont;
    bool m_closeHover = false;
    bool m_closePressed = false;
    bool m_manualMove = false;
    bool m_moveGrabbed = false; // the move was chosen from the menu, so the mouse is grabbed
    QPoint m_moveOffset;
};

TitleBarPainter::TitleBarPainter(QWidget* form)
    : QObject(form)
    , m_form(form)
    , m_captionFont(systemCaptionFont()) {
    // The system's frame gives way to the one painted here. New flags give the form a new native
    // window, which starts out hidden: a form that was showing is shown again at the end.
    const bool wasVisible = form->isVisible();
    form->setWindowFlags(form->windowFlags() | Qt::Window | Qt::FramelessWindowHint);

    const QMargins margins = gradientTitleBarMargins();
    form->setContentsMargins(form->contentsMargins() + margins);
    const QSize extra(margins.left() + margins.right(), margins.top() + margins.bottom());
    if (form->minimumSize() == form->maximumSize())
        form->setFixedSize(form->minimumSize() + extra);
    else if (form->testAttribute(Qt::WA_Resized))
        form->resize(form->size() + extra);

    // Hover events let the close button light up without mouse tracking on the whole window.
    form->setAttribute(Qt::WA_Hover);
    form->installEventFilter(this);

    auto* systemMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), form);
    systemMenuKey->setContext(Qt::WindowShortcut);
    QObject::connect(systemMenuKey, &QShortcut::activated, this,
                     [this] { showSystemMenu(m_form->mapToGlobal(kSystemMenuPosition)); });

    if (wasVisible)
        form->show();
}

CaptionGeometry TitleBarPainter::geometry() const {
    return computeCaptionGeometry(m_form->width(), kSystemCaptionMetrics, !m_form->windowIcon().isNull());
}

// The caption without its bottom row, which separates it from the menu bar.
QRect TitleBarPainter::captionRect() const {
    return QRect(kDialogFrameWidth, kDialogFrameWidth, m_form->width() - 2 * kDialogFrameWidth, kCaptionHeight - 1);
}

QRect TitleBarPainter::systemMenuRect() const {
    if (m_form->windowIcon().isNull())
        return {};
    return QRect(kDialogFrameWidth, kDialogFrameWidth, kButtonWidth, kCaptionHeight - 1);
}

QRect TitleBarPainter::closeButtonRect() const {
    return toQRect(geometry().closeButton);
}

QStyleOptionTitleBar TitleBarPainter::standardCaptionOption(bool active) const {
    QStyleOptionTitleBar option;
    option.initFrom(m_form);
    option.rect = captionRect();
    option.titleBarFlags = Qt::Window | Qt::WindowTitleHint;
    option.subControls = QStyle::SC_TitleBarLabel;
    option.titleBarState = Qt::WindowNoState;
    option.state &= ~(QStyle::State_Active | QStyle::State_MouseOver | QStyle::State_Sunken);
    if (active) {
        option.state |= QStyle::State_Active;
        option.titleBarState |= QStyle::State_Active; // styles read the activation from here too
    }
    // The rest of the caption carries on in the caption colour the strip ends with.
    option.palette.setColor(QPalette::Highlight, toQColor(kActiveCaptionColour));
    option.palette.setColor(QPalette::Window, toQColor(kInactiveCaptionColour));
    return option;
}

QStyleOptionButton TitleBarPainter::closeButtonOption(const CaptionGeometry& g) const {
    QStyleOptionButton option;
    option.initFrom(m_form);
    option.rect = toQRect(g.closeButton);
    option.state &= ~(QStyle::State_MouseOver | QStyle::State_Sunken | QStyle::State_HasFocus);
    option.state |= QStyle::State_Raised;
    if (m_closeHover)
        option.state |= m_closePressed ? QStyle::State_Sunken : QStyle::State_MouseOver;
    option.icon = m_form->style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, m_form);
    const int side = std::min(option.rect.width(), option.rect.height()) - 4;
    option.iconSize = QSize(side, side);
    return option;
}

void TitleBarPainter::paint(bool active) {
    QPainter painter(m_form);
    paintFrame(painter);
    const CaptionGeometry g = geometry();
    paintStrip(painter, g, active ? kActiveCaptionColour : kInactiveCaptionColour);
    paintStandardCaption(painter, g, active);
}

void TitleBarPainter::paintFrame(QPainter& painter) const {
    const QRect outer = m_form->rect();
    const int fw = kDialogFrameWidth;
    const QRegion ring = QRegion(outer) - QRegion(outer.adjusted(fw, fw, -fw, -fw));
    painter.save();
    painter.setClipRegion(ring);
    painter.fillRect(outer, m_form->palette().window());
    qDrawWinPanel(&painter, outer, m_form->palette(), false);
    painter.restore();
}

void TitleBarPainter::paintStrip(QPainter& painter, const CaptionGeometry& g, Rgb captionColour) const {
    if (g.copyRect.isEmpty())
        return;

    // The strip is drawn off-screen and reaches the window in one copy, so the bands never show
    // one by one.
    const qreal ratio = m_form->devicePixelRatioF();
    QPixmap buffer(QSize(g.windowWidth, kStripBufferHeight) * ratio);
    buffer.setDevicePixelRatio(ratio);
    buffer.fill(Qt::black);
    {
        QPainter memory(&buffer);
        std::vector<Rgb> table(static_cast<std::size_t>(g.bandCount) + 1);
        BuildGradientColours(table, Rgb{0, 0, 0}, captionColour);
        for (std::size_t i = 0; i < g.bands.size(); ++i)
            memory.fillRect(toQRect(g.bands[i]), toQColor(table[i]));

        const QIcon icon = m_form->windowIcon();
        if (!icon.isNull()) {
            // The icon's image without its mask, as the system draws it in a caption.
            const QRect iconRect = toQRect(g.iconRect);
            memory.fillRect(iconRect, Qt::black);
            memory.drawPixmap(iconRect, icon.pixmap(iconRect.size(), ratio));
        }

        const QRect textRect = toQRect(g.textRect);
        if (textRect.isValid()) {
            QString text = m_form->windowTitle();
            qsizetype leading = 0;
            while (leading < text.size() && text.at(leading) == QLatin1Char(' '))
                ++leading;
            text.remove(0, leading);
            memory.setFont(m_captionFont);
            memory.setPen(Qt::white);
            memory.setClipRect(textRect);
            const QString shown =
                memory.fontMetrics().elidedText(text, Qt::ElideRight, textRect.width(), Qt::TextSingleLine);
            memory.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        }
    }

    const QRect copy = toQRect(g.copyRect);
    const QRectF source(copy.x() * ratio, copy.y() * ratio, copy.width() * ratio, copy.height() * ratio);
    painter.drawPixmap(QRectF(copy), buffer, source);
}

void TitleBarPainter::paintStandardCaption(QPainter& painter, const CaptionGeometry& g, bool active) const {
    const QStyleOptionTitleBar option = standardCaptionOption(active);
    painter.save();
    painter.setClipRegion(QRegion(option.rect) - QRegion(toQRect(g.excludedRect)));
    m_form->style()->drawComplexControl(QStyle::CC_TitleBar, &option, &painter, m_form);
    const QStyleOptionButton close = closeButtonOption(g);
    m_form->style()->drawControl(QStyle::CE_PushButton, &close, &painter, m_form);
    painter.restore();
}

bool TitleBarPainter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_form)
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        // Children without a background of their own repaint through the form; leave those alone.
        if (static_cast<QPaintEvent*>(event)->region().intersects(QRegion(m_form->rect()) - m_form->contentsRect()))
            paint(m_form->isActiveWindow());
        return false; // the form paints its own contents after the frame
    case QEvent::ActivationChange:
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
    case QEvent::Resize:
        m_form->update();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return mousePress(static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        return mouseMove(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return mouseRelease(static_cast<QMouseEvent*>(event));
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        setCloseHover(closeButtonRect().contains(static_cast<QHoverEvent*>(event)->position().toPoint()));
        return false;
    case QEvent::HoverLeave:
        setCloseHover(false);
        return false;
    default:
        return false;
    }
}

bool TitleBarPainter::mousePress(QMouseEvent* event) {
    if (m_manualMove && m_moveGrabbed) {
        endManualMove();
        return true;
    }
    const QPoint pos = event->position().toPoint();
    if (!captionRect().contains(pos))
        return false;
    if (event->button() == Qt::RightButton) {
        showSystemMenu(event->globalPosition().toPoint());
        return true;
    }
    if (event->button() != Qt::LeftButton)
        return true;
    if (closeButtonRect().contains(pos)) {
        m_closePressed = true;
        m_closeHover = true;
        m_form->update(captionRect());
    } else if (systemMenuRect().contains(pos)) {
        showSystemMenu(m_form->mapToGlobal(kSystemMenuPosition));
    } else {
        startMove(event->globalPosition().toPoint(), false);
    }
    return true;
}

bool TitleBarPainter::mouseMove(QMouseEvent* event) {
    if (m_manualMove) {
        m_form->move(event->globalPosition().toPoint() - m_moveOffset);
        return true;
    }
    if (m_closePressed) {
        setCloseHover(closeButtonRect().contains(event->position().toPoint()));
        return true;
    }
    return false;
}

bool TitleBarPainter::mouseRelease(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return false;
    if (m_manualMove && !m_moveGrabbed) {
        endManualMove();
        return true;
    }
    if (m_closePressed) {
        m_closePressed = false;
        m_form->update(captionRect());
        if (closeButtonRect().contains(event->position().toPoint()))
            m_form->close();
        return true;
    }
    return false;
}

void TitleBarPainter::setCloseHover(bool hover) {
    if (hover == m_closeHover)
        return;
    m_closeHover = hover;
    m_form->update(captionRect());
}

void TitleBarPainter::showSystemMenu(const QPoint& globalPos) {
    QMenu menu(m_form);
    QAction* move = menu.addAction(GradientTitleBar::tr("&Move"));
    QAction* close = menu.addAction(GradientTitleBar::tr("&Close"));
    menu.setDefaultAction(close);
    // The menu may outlive the window only by a close that the window accepted.
    const QPointer<QWidget> form = m_form;
    QAction* chosen = menu.exec(globalPos);
    if (!form)
        return;
    if (chosen == move)
        startMove(QCursor::pos(), true);
    else if (chosen == close)
        m_form->close();
}

// The window system moves the window when it can; otherwise the window follows the mouse until
// the button is released (a drag) or the next click (Move from the menu).
void TitleBarPainter::startMove(const QPoint& globalPos, bool fromMenu) {
    QWindow* window = m_form->windowHandle();
    if (window && window->startSystemMove())
        return;
    m_manualMove = true;
    m_moveGrabbed = fromMenu;
    m_moveOffset = globalPos - m_form->pos();
    if (fromMenu)
        m_form->grabMouse(Qt::SizeAllCursor);
}

void TitleBarPainter::endManualMove() {
    if (m_moveGrabbed)
        m_form->releaseMouse();
    m_manualMove = false;
    m_moveGrabbed = false;
}

} // namespace

QMargins gradientTitleBarMargins() {
    return QMargins(kDialogFrameWidth, kDialogFrameWidth + kCaptionHeight, kDialogFrameWidth, kDialogFrameWidth);
}

void GradientTitleBar::preloadCaptionFont() {
    // The title is drawn into a picture of its own, whose resolution sizes the font.
    QPixmap buffer(1, 1);
    QPainter memory(&buffer);
    memory.setFont(systemCaptionFont());
    memory.fontMetrics().height();
}

void GradientTitleBar::InstallGradientTitleBar(QWidget* form) {
    if (m_installed || form == nullptr)
        return;
    m_installed = true;
    new TitleBarPainter(form);
}

} // namespace quillmere::titlebar
