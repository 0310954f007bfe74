#include "player/ReadOut.h"

#include <QStyle>
#include <QStyleOptionFrame>

void ReadOut::showText(const QString &text) {
    if (m_designSize <= 0)
        m_designSize = font().pointSizeF();
    QStyleOptionFrame option;
    initStyleOption(&option);
    constexpr int lineEditMargin = 2; // QLineEdit keeps this much clear inside its contents
    const int room = style()->subElementRect(QStyle::SE_LineEditContents, &option, this).width() -
                     textMargins().left() - textMargins().right() - 2 * lineEditMargin;
    QFont fitting = font();
    for (qreal size = m_designSize; size >= 5; size -= 0.5) {
        fitting.setPointSizeF(size);
        if (QFontMetrics(fitting).horizontalAdvance(text) <= room)
            break;
    }
    setFont(fitting);
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
