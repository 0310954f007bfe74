#pragma once

#include <QLabel>

// A picture that takes the keyboard focus at its place in the tab order, as the window's
// picture box and player face do, and shows when it has it.
class FocusLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};
