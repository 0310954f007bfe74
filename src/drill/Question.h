#pragma once

#include <QString>

class RandomSource;

// A question on show: two digits, asked either as their sum ("3+5=") or as the
// difference that gives the first digit back ("8-5=").
struct Question {
    float a = 0;
    float b = 0;
    qint16 operation = 0; // 0 addition, 1 subtraction
};

// The digit Int(r x 10) of a draw 0 <= r < 1, kept to 0..9 even if the draw reaches 1.
int digitOf(float r);

// Three draws, in this order: the first digit, the second digit, and a digit whose
// parity picks the operation (even: addition, odd: subtraction).
Question drawQuestion(RandomSource &random);

QString questionText(const Question &question);
