#pragma once

class QMessageBox;

namespace quentrel {

// Lets a message box take a width that fits its texts: each wrapping text of the box asks for its
// one-line width, up to `textWidth`, beyond which it wraps. (A box sizes itself from what its
// texts need at least, and a text that may wrap needs only its longest word: the box would be
// a narrow column.) Call it once the texts are set.
struct AlertTextWidth {
    static constexpr int textWidth = 360;

    static void fit(QMessageBox& box);
};

}  // namespace quentrel
