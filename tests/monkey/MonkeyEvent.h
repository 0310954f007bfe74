#pragma once

#include <QList>
#include <QString>

// One thing a restless user, the timers, the player component or the clock can do to
// the window. Events are plain data, drawn up front from the seed, so that any part of
// a run can be replayed in a fresh window.
enum class Act : quint8 {
    Type,           // text: typed into the answer box key by key
    Key,            // a: Qt::Key, b: modifiers, into the answer box
    OddKey,         // text: one key whose text is no Latin-1 character
    ImeCommit,      // text: committed by an input method
    SetText,        // text: set as the answer box's text
    Insert,         // text: inserted at the caret of the answer box
    RightAnswer,    // a: 0 typed, 1 on the keypad after Clear
    Keypad,         // a: digit
    Clear,          //
    Paced,          // click on the paced-test button
    Free,           // click on the free-test button
    Level,          // a: level 0 to 2
    TickPace,       // Timer1 ticks, if it runs
    TickClock,      // Timer2 ticks, if it runs
    Open,           // text: the file the open dialog answers, empty for a cancel
    Play,           //
    Pause,          //
    Stop,           //
    Loop,           //
    PlayerStatus,   // a: what Open reports next, b: what Play reports next
    PlayerReading,  // a: 0 left volume, 1 right volume, 2 length, 3 position range; b: value
    Position,       // a: the component's position event
    TrackEnded,     //
    Slider,         // a: 0 left, 1 right; b: value set
    SliderAction,   // a: 0 left, 1 right; b: QAbstractSlider::SliderAction
    ClockForward,   // a: seconds
    ClockJump,      // a: 0 to just before midnight, 1 back by b seconds, 2 forward by b hours
    About,          // a: closed by 0 reject, 1 Esc, 2 Enter; b: 1 timers tick while open,
                    //    2 the system-information button is pressed
    LetPauseElapse, // real time passes until every pending pause has ended
};

struct MonkeyEvent {
    Act act = Act::Clear;
    qint64 a = 0;
    qint64 b = 0;
    QString text;
};

// count events drawn from seed; the same seed always gives the same events.
QList<MonkeyEvent> generateEvents(quint64 seed, int count);

// One line for a report; long texts are shortened, odd characters escaped.
QString describe(const MonkeyEvent &event);
