#include "drill/Drill.h"

Drill::Drill(const DrillWidgets &widgets, PracticeState &state, RandomSource &random,
             const QString &pictureDir, QObject *parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_state(state)
    , m_random(random)
    , m_pictureDir(pictureDir) {
}

void Drill::NextQuestion() {
}
void Drill::CheckAnswer() {
}
void Drill::onKeypad(int) {
}
void Drill::onClear() {
}
void Drill::onAnswerChanged(const QString &) {
}
