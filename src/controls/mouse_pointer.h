#pragma once

namespace quillmere::controls {

// The shapes the program gives the screen's mouse pointer.
enum class MousePointer { Default, Hourglass };

void setScreenPointer(MousePointer pointer);
MousePointer screenPointer();

// Sets the hourglass for its lifetime and puts the default back, also on early returns. Callers
// that show a message restore the pointer first, by leaving the scope or calling restore().
class BusyPointer final {
public:
    BusyPointer() { setScreenPointer(MousePointer::Hourglass); }
    ~BusyPointer() { restore(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    void restore() { setScreenPointer(MousePointer::Default); }
};

} // namespace quillmere::controls
