#include "drill/Question.h"

#include "drill/RandomSource.h"

#include <algorithm>
#include <cmath>

int digitOf(float r) {
    // A float draw just below 1 can round up to 1.0 inside the generator.
    return std::clamp(static_cast<int>(std::floor(double(r) * 10.0)), 0, 9);
}

Question drawQuestion(RandomSource &random) {
    Question q;
    q.a = float(digitOf(random.draw()));
    q.b = float(digitOf(random.draw()));
    q.operation = qint16(digitOf(random.draw()) % 2);
    return q;
}

QString questionText(const Question &question) {
    const int a = int(question.a);
    const int b = int(question.b);
    if (question.operation == 0)
        return QStringLiteral("%1+%2=").arg(a).arg(b);
    return QStringLiteral("%1-%2=").arg(a + b).arg(b);
}
