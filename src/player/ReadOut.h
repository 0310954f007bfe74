#pragma once

#include <QLineEdit>

// A narrow box showing a time: what does not fit is the end of the text, never the leading
// digits of the minutes, also when the box is entered with Tab and its text selected.
class ReadOut : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    void showText(const QString &text);

protected:
    void focusInEvent(QFocusEvent *event) override;
};
