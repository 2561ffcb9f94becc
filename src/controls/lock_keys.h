#pragma once

namespace quillmere::controls {

enum class KeyLight { Unknown, Off, On };

struct LockKeyState {
    KeyLight num = KeyLight::Unknown;
    KeyLight caps = KeyLight::Unknown;
    KeyLight scroll = KeyLight::Unknown;
};

// The keyboard's Num, Caps and Scroll Lock lights: from the X server's indicators on X11, else from
// the kernel's LED class devices where they can be read; Unknown where neither answers.
LockKeyState readLockKeys();

} // namespace quillmere::controls
