#pragma once

#include "drill/PracticeState.h"
#include "drill/Timer.h"

#include <QWidget>

#include <memory>

namespace Ui {
class Form1;
}
class AboutServices;
class Clock;
class Mp3Player;
class OpenDialog;
class RandomSource;

// What varies between the real program and a test: randomness, time, the player
// component, the file dialog and the system services of the About dialog.
struct Form1Services {
    RandomSource *random = nullptr;
    Clock *clock = nullptr;
    TimerFactory timers;
    Mp3Player *player = nullptr;
    OpenDialog *openDialog = nullptr;
    AboutServices *about = nullptr;
};

// The main window: builds the Designer form, hands each subsystem its controls and
// connects the window's own two buttons. No drill, test or player rule lives here.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // The real program: real randomness, clock, sound and dialogs.
    explicit Form1(QWidget *parent = nullptr);
    // Tests: the given services, owned by the caller and outliving the window.
    Form1(const Form1Services &services, const QString &pictureDir, QWidget *parent = nullptr);
    ~Form1() override;

    Ui::Form1 &ui() { return *m_ui; }
    PracticeState &state() { return m_state; }
    Timer &Timer1() { return *m_timer1; }
    Timer &Timer2() { return *m_timer2; }

private:
    struct Owned;
    Form1(std::unique_ptr<Owned> owned, QWidget *parent);
    void build(const Form1Services &services, const QString &pictureDir);
    void load();
    void showAbout();

    std::unique_ptr<Owned> m_owned; // real services, when the window made them
    std::unique_ptr<Ui::Form1> m_ui;
    PracticeState m_state;
    Timer *m_timer1 = nullptr;
    Timer *m_timer2 = nullptr;
    Form1Services m_services;
};
