#include "drill/AnswerRules.h"

#include <limits>

std::optional<qint16> parseAnswer(QStringView typed) {
    // A Chinese input method in full-width mode types "８" and "－": compatibility
    // normalisation turns them into the ordinary digits and signs.
    const QString normalised = typed.toString().normalized(QString::NormalizationForm_KC);
    QStringView text = QStringView(normalised).trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;

    constexpr int limit = -int(std::numeric_limits<qint16>::min()); // 32768
    int magnitude = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > limit)
            return std::nullopt; // stops a long paste before it can overflow
    }
    const int value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

qint32 appendDigit(qint32 value, int digit) {
    // The widening stops at nine digits. Past 32767 the answer is refused anyway, so the
    // number only has to stay whole and readable, and nine digits is the longest that
    // any further digit keeps inside 32 bits.
    constexpr qint32 nineDigits = 100'000'000;
    if (value >= nineDigits || value <= -nineDigits)
        return value;
    return value * 10 + digit;
}

AnswerAction answerAction(qint16 operation, int sum, qint16 typed) {
    if (operation != 0)
        return AnswerAction::Judge; // a subtraction's answer is a single digit
    const bool twoDigitAnswer = sum >= 10;
    const bool twoDigitsTyped = typed >= 10;
    if (twoDigitAnswer == twoDigitsTyped)
        return AnswerAction::Judge;
    return twoDigitsTyped ? AnswerAction::ShowWrong : AnswerAction::Wait;
}

bool isRightAnswer(float a, float b, qint16 operation, qint16 typed) {
    return (operation == 0 && a + b == typed) || (operation == 1 && a == typed);
}

QString countText(int count) {
    return QStringLiteral("%1 个").arg(count);
}
