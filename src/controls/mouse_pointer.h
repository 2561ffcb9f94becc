#pragma once

namespace quillmere::controls {

// The screen's mouse pointer, with the classic values.
namespace pointer {
inline constexpr int Default = 0;
inline constexpr int Hourglass = 11;
} // namespace pointer

void setScreenPointer(int pointer);
int screenPointer();

// Sets the hourglass for its lifetime and puts the default back, also on early returns. Callers
// that show a message restore the pointer first, by leaving the scope or calling restore().
class BusyPointer final {
public:
    BusyPointer() { setScreenPointer(pointer::Hourglass); }
    ~BusyPointer() { restore(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    void restore() {
        if (screenPointer() != pointer::Default)
            setScreenPointer(pointer::Default);
    }
};

} // namespace quillmere::controls
