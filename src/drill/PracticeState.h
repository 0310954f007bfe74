#pragma once

#include <QDateTime>

#include <optional>

// The window's record of the drill, the timed tests and the player's loop switch.
// Fields that start "unset" hold the value an unset field counts as (0 or false):
// nothing in the program can tell the two apart, so no separate flag is kept.
struct PracticeState {
    float OperandA = 0;     // 0 to 9 once a question is drawn
    float OperandB = 0;     // 0 to 9 once a question is drawn
    qint32 AnswerValue = 0; // the number typed so far; the keypad bounds it (appendDigit)
    int CorrectCount = 0;   // right answers since the last start or stop of a test
    qint16 Operation = 0;   // 0 addition, 1 subtraction
    bool FreeTestRunning = false;
    qint16 LoopPlayback = 0; // 0 off, -1 on
    std::optional<QDateTime> TestStartTime;
    qint64 ElapsedTime = 0; // whole seconds since TestStartTime, as the clock last measured it
};
