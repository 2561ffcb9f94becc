#pragma once

#include "controls/lock_keys.h"

#include <QStatusBar>

#include <array>
#include <functional>

class QLabel;
class QTimer;

namespace quillmere::controls {

// The common-controls status bar: five panels of equal width with the time, the date and the Num,
// Caps and Scroll Lock lights. It keeps itself up to date; no one else writes to it.
class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum Panel { TimePanel, DatePanel, NumPanel, CapsPanel, ScrollPanel, PanelCount };

    explicit StatusBar(QWidget* parent = nullptr);

    QLabel* panel(Panel which) const { return m_panels.at(which); }

    // Where the lock lights come from; the keyboard by default. Takes effect at once.
    using LockKeySource = std::function<LockKeyState()>;
    void setLockKeySource(LockKeySource source);

    // Reads the clock and the lights now instead of at the next tick.
    void updatePanels();

private:
    void showLight(QLabel* label, KeyLight light);

    std::array<QLabel*, PanelCount> m_panels{};
    LockKeySource m_lockKeys;
    QTimer* m_timer = nullptr;
};

} // namespace quillmere::controls
