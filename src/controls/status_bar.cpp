#include "controls/status_bar.h"

#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QTime>
#include <QTimer>

namespace quillmere::controls {

namespace {
// Often enough that a lock key or the minute changes without a visible lag.
constexpr int kTickMilliseconds = 250;
} // namespace

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_lockKeys(&readLockKeys) {
    setSizeGripEnabled(false);
    const QString names[PanelCount] = {tr("Time"), tr("Date"), tr("Num Lock"), tr("Caps Lock"), tr("Scroll Lock")};
    const QString captions[PanelCount] = {QString(), QString(), QStringLiteral("NUM"), QStringLiteral("CAPS"),
                                          QStringLiteral("SCRL")};
    for (int i = 0; i < PanelCount; ++i) {
        auto* label = new QLabel(captions[i], this);
        label->setAccessibleName(names[i]);
        // Equal shares of the width, whatever each panel's text would ask for.
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->setMinimumWidth(1);
        label->setAlignment(i < NumPanel ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        label->setIndent(2);
        addPermanentWidget(label, 1);
        m_panels.at(i) = label;
    }
    m_timer = new QTimer(this);
    m_timer->setInterval(kTickMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &StatusBar::updatePanels);
    m_timer->start();
    updatePanels();
}

void StatusBar::setLockKeySource(LockKeySource source) {
    m_lockKeys = source ? std::move(source) : LockKeySource(&readLockKeys);
    updatePanels();
}

void StatusBar::updatePanels() {
    const QLocale locale = QLocale::system();
    const QString time = locale.toString(QTime::currentTime(), QLocale::ShortFormat);
    const QString date = locale.toString(QDate::currentDate(), QLocale::ShortFormat);
    if (m_panels[TimePanel]->text() != time)
        m_panels[TimePanel]->setText(time);
    if (m_panels[DatePanel]->text() != date)
        m_panels[DatePanel]->setText(date);

    const LockKeyState keys = m_lockKeys();
    showLight(m_panels[NumPanel], keys.num);
    showLight(m_panels[CapsPanel], keys.caps);
    showLight(m_panels[ScrollPanel], keys.scroll);
}

void StatusBar::showLight(QLabel* label, KeyLight light) {
    const bool on = light == KeyLight::On;
    QFont font = label->font();
    if (font.bold() != on) {
        font.setBold(on);
        label->setFont(font);
    }
    // Dimmed is the palette's disabled text colour; an unknown light looks like one that is off.
    QPalette palette = label->palette();
    const QColor colour = on ? this->palette().color(QPalette::Active, QPalette::WindowText)
                             : this->palette().color(QPalette::Disabled, QPalette::WindowText);
    if (palette.color(QPalette::WindowText) != colour) {
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::WindowText, colour);
        label->setPalette(palette);
    }
    const QString state = light == KeyLight::On ? tr("On") : light == KeyLight::Off ? tr("Off") : tr("Unknown");
    if (label->accessibleDescription() != state)
        label->setAccessibleDescription(state);
}

} // namespace quillmere::controls
