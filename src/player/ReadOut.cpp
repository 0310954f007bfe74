#include "player/ReadOut.h"

void ReadOut::showText(const QString &text) {
    setText(text);
    setCursorPosition(0);
}

void ReadOut::focusInEvent(QFocusEvent *event) {
    QLineEdit::focusInEvent(event);
    // Tab selects the whole text with the cursor at its end; keep the selection, from the end
    // back to the start, so the box scrolls to the start.
    if (hasSelectedText() && selectedText() == text())
        setSelection(int(text().size()), -int(text().size()));
}
