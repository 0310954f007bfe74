#pragma once

#include <QLineEdit>

// A narrow box showing a time, wholly: a text too long for the design's font (305分25秒 in a
// box 49 pixels wide) is drawn smaller until it fits, and from its start, also when the box
// is entered with Tab and its text selected.
class ReadOut : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    void showText(const QString &text);

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    qreal m_designSize = 0; // the font's point size before any text was made to fit
};
