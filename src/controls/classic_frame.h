#pragma once

class QGroupBox;

namespace quillmere::controls {

// The classic frame: an etched border whose top line runs through the middle of the caption, so
// that controls placed near the frame's top stay clear of the line.
void useClassicFrame(QGroupBox* frame);

} // namespace quillmere::controls
