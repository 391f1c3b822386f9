// What the program's windows share about where they stand and how large
// their text is.
#pragma once

class QWidget;

namespace marklift {

// Moves a top-level window to the middle of its screen's free area.
void CentreOnScreen(QWidget& window);

// The fixed pixel layouts were drawn for a small dialog font; a larger
// desktop font would cut captions and push controls out of sight, so such
// windows keep their text at most 8.5 points.
void UseCompactDialogFont(QWidget& window);

}  // namespace marklift
