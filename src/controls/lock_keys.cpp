#include "controls/lock_keys.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#ifdef QUILLMERE_HAVE_X11
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace quillmere::controls {

namespace {

// The kernel's input LEDs ("input3::capslock"); several keyboards may each have one, and a light
// counts as on when any of them is.
KeyLight readLedClass(const QString& suffix) {
    const QDir leds(QStringLiteral("/sys/class/leds"));
    KeyLight light = KeyLight::Unknown;
    const QStringList names = leds.entryList({QStringLiteral("*::") + suffix}, QDir::Dirs | QDir::System);
    for (const QString& name : names) {
        QFile brightness(leds.filePath(name + QStringLiteral("/brightness")));
        if (!brightness.open(QIODevice::ReadOnly))
            continue;
        if (brightness.readAll().trimmed().toInt() > 0)
            return KeyLight::On;
        light = KeyLight::Off;
    }
    return light;
}

#ifdef QUILLMERE_HAVE_X11
// The X connection Qt has, else one of our own for the program's lifetime, opened on first use; a
// failed open is not retried. Opening a second connection cost start-up most of a millisecond.
class XIndicators {
public:
    XIndicators() {
        const auto* qtX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        m_display = qtX11 && qtX11->display() ? qtX11->display() : XOpenDisplay(nullptr);
        if (!m_display)
            return;
        m_num = indexOf("Num Lock");
        m_caps = indexOf("Caps Lock");
        m_scroll = indexOf("Scroll Lock");
    }

    bool read(LockKeyState& state) const {
        unsigned int lights = 0;
        if (!m_display || XkbGetIndicatorState(m_display, XkbUseCoreKbd, &lights) != Success)
            return false;
        state.num = lightOf(lights, m_num);
        state.caps = lightOf(lights, m_caps);
        state.scroll = lightOf(lights, m_scroll);
        return true;
    }

private:
    int indexOf(const char* name) const {
        int index = -1;
        Bool on = False;
        const Atom atom = XInternAtom(m_display, name, True);
        if (atom == 0 || !XkbGetNamedIndicator(m_display, atom, &index, &on, nullptr, nullptr))
            return -1;
        return index;
    }

    static KeyLight lightOf(unsigned int lights, int index) {
        if (index < 0 || index > 31)
            return KeyLight::Unknown;
        return (lights >> index) & 1U ? KeyLight::On : KeyLight::Off;
    }

    Display* m_display = nullptr;
    int m_num = -1;
    int m_caps = -1;
    int m_scroll = -1;
};
#endif

} // namespace

LockKeyState readLockKeys() {
    LockKeyState state;
#ifdef QUILLMERE_HAVE_X11
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        static const XIndicators indicators;
        if (indicators.read(state))
            return state;
    }
#endif
    state.num = readLedClass(QStringLiteral("numlock"));
    state.caps = readLedClass(QStringLiteral("capslock"));
    state.scroll = readLedClass(QStringLiteral("scrolllock"));
    return state;
}

} // namespace quillmere::controls
