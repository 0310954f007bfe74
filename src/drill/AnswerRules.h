#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The rules of answer entry, apart from any widget: what a typed text is worth,
// how the keypad widens the number, when an answer is judged and whether it is right.

// What the answer box's change asks for once its text is a number.
enum class AnswerAction {
    Judge,     // the answer has the digits the right answer needs
    ShowWrong, // more digits than a one-digit answer can have: refused without judging
    Wait,      // a two-digit answer with one digit typed so far
};

// A whole number from -32768 to 32767: optional spaces around it and an optional sign
// straight before decimal digits, after compatibility normalisation (full-width forms
// count as ordinary ones); anything else gives no number.
std::optional<qint16> parseAnswer(QStringView typed);

// The keypad's value after one more digit.
qint32 appendDigit(qint32 value, int digit);

// operation 0 is an addition whose answer is sum; any other is a one-digit subtraction.
AnswerAction answerAction(qint16 operation, int sum, qint16 typed);

bool isRightAnswer(float a, float b, qint16 operation, qint16 typed);

// The count display: "5 个".
QString countText(int count);
