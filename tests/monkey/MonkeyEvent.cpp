#include "MonkeyEvent.h"

#include <QKeySequence>

#include <limits>
#include <random>

namespace {

class Dice {
public:
    explicit Dice(quint64 seed)
        : m_engine(seed) {}
    qint64 between(qint64 low, qint64 high) {
        return std::uniform_int_distribution<qint64>(low, high)(m_engine);
    }
    bool oneIn(int n) { return between(1, n) == 1; }
    template <typename T, std::size_t N> const T &pick(const T (&items)[N]) {
        return items[between(0, N - 1)];
    }

private:
    std::mt19937_64 m_engine;
};

struct Weight {
    Act act;
    int weight;
};

// Mostly the answer box and the keypad, where the drill's rules live; the rarest are
// the events that let real time pass (weights per ten thousand).
constexpr Weight kWeights[] = {
    {Act::Type, 1500},        {Act::Key, 800},          {Act::OddKey, 200},
    {Act::ImeCommit, 100},    {Act::SetText, 250},      {Act::Insert, 200},
    {Act::RightAnswer, 600},  {Act::Keypad, 1800},      {Act::Clear, 400},
    {Act::Paced, 200},        {Act::Free, 200},         {Act::Level, 150},
    {Act::TickPace, 500},     {Act::TickClock, 600},    {Act::Open, 100},
    {Act::Play, 200},         {Act::Pause, 100},        {Act::Stop, 150},
    {Act::Loop, 250},         {Act::PlayerStatus, 100}, {Act::PlayerReading, 100},
    {Act::Position, 300},     {Act::TrackEnded, 150},   {Act::Slider, 250},
    {Act::SliderAction, 100}, {Act::ClockForward, 400}, {Act::ClockJump, 40},
    {Act::About, 3},          {Act::LetPauseElapse, 3},
};

// What a child, a sibling or a paste can put into a text box.
const QString kOddPieces[] = {
    QStringLiteral("0"),  QStringLiteral("1"),      QStringLiteral("5"),
    QStringLiteral("9"),  QStringLiteral("7"),      QStringLiteral("-"),
    QStringLiteral("+"),  QStringLiteral(" "),      QStringLiteral("\t"),
    QStringLiteral("a"),  QStringLiteral("Z"),      QStringLiteral("."),
    QStringLiteral("e"),  QStringLiteral("０"),     QStringLiteral("７"),
    QStringLiteral("－"), QStringLiteral("😀"),      QStringLiteral("个"),
    QStringLiteral("分"), QStringLiteral("\u200b"), QStringLiteral("\u0301"),
    QStringLiteral("\n"), QStringLiteral("٣"),      QStringLiteral("Ⅻ"),
    QString(QChar(0)),    QString(QChar(0xd800)),
};

QString oddText(Dice &dice, qsizetype length) {
    QString text;
    if (length > 1000 && dice.oneIn(2)) { // one piece repeated: "9999…", spaces, emoji
        const QString &piece = dice.pick(kOddPieces);
        return piece.repeated(length / piece.size());
    }
    while (text.size() < length)
        text += dice.pick(kOddPieces);
    return text;
}

QString typedText(Dice &dice) {
    static const QString keys = QStringLiteral("0123456789012345678901234567890123456789-+ a.");
    QString text;
    for (qint64 n = dice.between(1, dice.oneIn(8) ? 12 : 3); n > 0; --n)
        text += keys.at(dice.between(0, keys.size() - 1));
    return text;
}

qsizetype pastedLength(Dice &dice) {
    if (dice.oneIn(20))
        return 10000;
    return dice.oneIn(4) ? dice.between(5, 40) : dice.between(1, 4);
}

const int kKeys[][2] = {
    {Qt::Key_Backspace, 0},
    {Qt::Key_Backspace, 0},
    {Qt::Key_Delete, 0},
    {Qt::Key_Left, 0},
    {Qt::Key_Right, 0},
    {Qt::Key_Home, 0},
    {Qt::Key_End, 0},
    {Qt::Key_Return, 0},
    {Qt::Key_Escape, 0},
    {Qt::Key_Tab, 0},
    {Qt::Key_Up, 0},
    {Qt::Key_Insert, 0},
    {Qt::Key_Left, Qt::ShiftModifier},
    {Qt::Key_Home, Qt::ShiftModifier},
    {Qt::Key_A, Qt::ControlModifier},
    {Qt::Key_Z, Qt::ControlModifier},
    {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier},
    {Qt::Key_X, Qt::ControlModifier},
    {Qt::Key_C, Qt::ControlModifier},
    {Qt::Key_V, Qt::ControlModifier},
    {Qt::Key_Backspace, Qt::ControlModifier},
    {Qt::Key_Minus, 0},
    {Qt::Key_Space, 0},
    {Qt::Key_0, Qt::KeypadModifier},
    {Qt::Key_1, Qt::KeypadModifier},
    {Qt::Key_7, Qt::KeypadModifier},
    {Qt::Key_9, Qt::KeypadModifier},
};

const char *const kFileNames[] = {
    "",
    "",
    "song.mp3",
    "/no/such/folder/歌.mp3",
    "/",
    "a b c.MP3",
    "很长的名字很长的名字很长的名字.mp3",
};

const qint64 kReadings[] = {
    0,
    1,
    60,
    61,
    180,
    300,
    1000,
    6000,
    32000,
    38460,
    38461,
    -1,
    -120,
    std::numeric_limits<qint32>::max(),
    std::numeric_limits<qint32>::min(),
    185000,
};

const qint64 kPositions[] = {
    0,
    1,
    500,
    999,
    1000,
    1001,
    -1,
    65536,
    std::numeric_limits<qint32>::max(),
    std::numeric_limits<qint32>::min(),
};

MonkeyEvent draw(Dice &dice, Act act) {
    MonkeyEvent e{act, 0, 0, {}};
    switch (act) {
    case Act::Type:
        e.text = typedText(dice);
        break;
    case Act::Key: {
        const auto &key = dice.pick(kKeys);
        e.a = key[0];
        e.b = key[1];
        break;
    }
    case Act::OddKey:
        e.text = dice.pick(kOddPieces);
        break;
    case Act::ImeCommit:
        e.text = oddText(dice, dice.between(1, 6));
        break;
    case Act::SetText:
    case Act::Insert:
        e.text = oddText(dice, pastedLength(dice));
        break;
    case Act::RightAnswer:
        e.a = dice.between(0, 1);
        break;
    case Act::Keypad:
        e.a = dice.between(0, 9);
        break;
    case Act::Level:
        e.a = dice.between(0, 2);
        break;
    case Act::Open:
        e.text = QString::fromUtf8(dice.pick(kFileNames));
        break;
    case Act::PlayerStatus:
        e.a = dice.oneIn(2) ? 0 : dice.between(1, 9);
        e.b = dice.oneIn(5) ? dice.between(1, 9) : 0;
        break;
    case Act::PlayerReading:
        e.a = dice.between(0, 3);
        e.b = dice.oneIn(3) ? dice.between(-100, 40000) : dice.pick(kReadings);
        break;
    case Act::Position:
        e.a = dice.oneIn(2) ? dice.between(0, 1000) : dice.pick(kPositions);
        break;
    case Act::Slider:
        e.a = dice.between(0, 1);
        e.b = dice.between(-3, 330);
        break;
    case Act::SliderAction:
        e.a = dice.between(0, 1);
        e.b = dice.between(1, 6); // single and page steps, to the ends
        break;
    case Act::ClockForward:
        e.a = dice.oneIn(10) ? dice.between(60, 3600) : dice.between(0, 3);
        break;
    case Act::ClockJump:
        e.a = dice.between(0, 2);
        e.b = e.a == 0 ? dice.between(0, 19) : dice.between(1, 30);
        break;
    case Act::About:
        e.a = dice.between(0, 2);
        e.b = dice.between(0, 3);
        break;
    default:
        break;
    }
    return e;
}

QString quoted(const QString &text) {
    QString shown;
    for (QChar c : text.left(24)) {
        if (c.isPrint() && c != u'"' && c != u'\\' && !c.isSurrogate())
            shown += c;
        else
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    if (text.size() > 24)
        shown += QStringLiteral("…\" (%1 characters)").arg(text.size());
    else
        shown += u'"';
    return u'"' + shown;
}

} // namespace

QList<MonkeyEvent> generateEvents(quint64 seed, int count) {
    int total = 0;
    for (const Weight &w : kWeights)
        total += w.weight;
    Dice dice(seed);
    QList<MonkeyEvent> events;
    events.reserve(count);
    while (events.size() < count) {
        qint64 roll = dice.between(0, total - 1);
        const Weight *w = kWeights;
        while (roll >= w->weight)
            roll -= (w++)->weight;
        events << draw(dice, w->act);
    }
    return events;
}

QString describe(const MonkeyEvent &e) {
    switch (e.act) {
    case Act::Type:
        return QStringLiteral("type ") + quoted(e.text);
    case Act::Key: {
        QString key = QKeySequence(QKeyCombination(Qt::KeyboardModifiers(int(e.b)), Qt::Key(e.a)))
                          .toString(QKeySequence::PortableText);
        if (e.b & Qt::KeypadModifier)
            key += QStringLiteral(" (keypad)");
        return QStringLiteral("key ") + key;
    }
    case Act::OddKey:
        return QStringLiteral("key with text ") + quoted(e.text);
    case Act::ImeCommit:
        return QStringLiteral("input method commits ") + quoted(e.text);
    case Act::SetText:
        return QStringLiteral("answer box set to ") + quoted(e.text);
    case Act::Insert:
        return QStringLiteral("insert at the caret ") + quoted(e.text);
    case Act::RightAnswer:
        return e.a ? QStringLiteral("right answer on the keypad")
                   : QStringLiteral("right answer typed");
    case Act::Keypad:
        return QStringLiteral("keypad %1").arg(e.a);
    case Act::Clear:
        return QStringLiteral("Clear");
    case Act::Paced:
        return QStringLiteral("click paced test (Command4)");
    case Act::Free:
        return QStringLiteral("click free test (Command5)");
    case Act::Level:
        return QStringLiteral("level %1").arg(e.a);
    case Act::TickPace:
        return QStringLiteral("Timer1 ticks");
    case Act::TickClock:
        return QStringLiteral("Timer2 ticks");
    case Act::Open:
        return QStringLiteral("open, dialog answers ") + quoted(e.text);
    case Act::Play:
        return QStringLiteral("play");
    case Act::Pause:
        return QStringLiteral("pause");
    case Act::Stop:
        return QStringLiteral("stop");
    case Act::Loop:
        return QStringLiteral("loop");
    case Act::PlayerStatus:
        return QStringLiteral("player will answer Open %1, Play %2").arg(e.a).arg(e.b);
    case Act::PlayerReading: {
        static const char *const names[] = {"left volume", "right volume", "length",
                                            "position range"};
        return QStringLiteral("player's %1 reads %2").arg(QLatin1String(names[e.a])).arg(e.b);
    }
    case Act::Position:
        return QStringLiteral("position event %1").arg(e.a);
    case Act::TrackEnded:
        return QStringLiteral("track ended");
    case Act::Slider:
        return QStringLiteral("%1 slider set to %2")
            .arg(QLatin1String(e.a ? "right" : "left"))
            .arg(e.b);
    case Act::SliderAction:
        return QStringLiteral("%1 slider action %2")
            .arg(QLatin1String(e.a ? "right" : "left"))
            .arg(e.b);
    case Act::ClockForward:
        return QStringLiteral("clock forward %1 s").arg(e.a);
    case Act::ClockJump:
        if (e.a == 0)
            return QStringLiteral("clock to 23:59:%1").arg(40 + e.b);
        return e.a == 1 ? QStringLiteral("clock back %1 s").arg(e.b)
                        : QStringLiteral("clock forward %1 h").arg(e.b);
    case Act::About: {
        static const char *const closes[] = {"closed", "closed with Esc", "closed with Enter"};
        QString text = QStringLiteral("About opened");
        if (e.b & 1)
            text += QStringLiteral(", timers tick");
        if (e.b & 2)
            text += QStringLiteral(", system information pressed");
        return text + QStringLiteral(", ") + QLatin1String(closes[e.a]);
    }
    case Act::LetPauseElapse:
        return QStringLiteral("real time passes until the pauses end");
    }
    return QStringLiteral("?");
}
