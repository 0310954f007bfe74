#pragma once

#include "MonkeyEvent.h"

#include "about/AboutServices.h"
#include "app/Form1.h"
#include "support/Fakes.h"

#include <QStringList>

class Drill;
class QScrollBar;

// How far a run got into the states worth reaching.
struct MonkeyCoverage {
    qint64 paced = 0; // events applied while the paced test ran
    qint64 free = 0;  // ... while the free test ran
    qint64 rightAnswers = 0;
    qint64 loopOn = 0;      // events applied while looping was on
    qint64 pausesEnded = 0; // free-test pauses that ran out and brought a question
    qint64 playerMessages = 0;
};

// Form1 on fakes, shown on the offscreen platform, that takes monkey events one by one
// and says after each whether everything that must always hold still holds.
//
// Time passes only when an event says so. The window's timers never tick by themselves
// (their signals are blocked except inside a tick event), and the free test's pauses,
// which wait on real time, end only inside the two events that run the event loop:
// LetPauseElapse waits until every pending pause has ended, and About does the same
// before it opens the dialog. So a seed replays the same way on any machine.
class MonkeyWindow {
public:
    explicit MonkeyWindow(quint64 seed);
    ~MonkeyWindow();

    // Empty, or what went wrong while the event itself ran (a wait that never ended).
    QString apply(const MonkeyEvent &event);
    // Empty while every rule holds, else "rule: what was seen" for the first broken one.
    QString check();
    // Everything shown and stored, hashed: two runs of one seed must agree.
    QByteArray digest();
    const MonkeyCoverage &coverage() const { return m_coverage; }

private:
    void tick(QTimer &timer);
    void enterRightAnswer(bool onKeypad);
    QString openAbout(int closeBy, int extras);
    QString letPausesEnd();
    int pendingPauses() const;
    QScrollBar *slider(qint64 which);

    FixedSeedRandom m_random;
    SetClock m_clock;
    RecordingPlayer m_player;
    ScriptedDialog m_dialog;
    QStringList m_aboutMessages;
    AboutServices m_about;
    Form1 m_window;
    Drill *m_drill = nullptr;
    QStringList m_playerMessages;
    MonkeyCoverage m_coverage;
    int m_lastCount = 0;
};
