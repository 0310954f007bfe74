#include "player/PlayerPanel.h"

#include "player/Mp3Player.h"
#include "player/OpenDialog.h"
#include "player/PlayerFace.h"
#include "player/PlayerRules.h"
#include "player/ReadOut.h"

#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>

namespace {

constexpr qint16 LoopOn = -1;
constexpr qint16 LoopOff = 0;

void setFaceColour(QPushButton *button, const QColor &colour) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
}

} // namespace

PlayerPanel::PlayerPanel(const PlayerWidgets &widgets, qint16 &loopPlayback, Mp3Player &player,
                         OpenDialog &dialog, QObject *parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_loopPlayback(loopPlayback)
    , m_player(player)
    , m_dialog(dialog) {
    connect(m_ui.Command8, &QPushButton::clicked, this, &PlayerPanel::onOpenClicked);
    connect(m_ui.Command9, &QPushButton::clicked, this, &PlayerPanel::onPlayClicked);
    connect(m_ui.Command10, &QPushButton::clicked, this, &PlayerPanel::onPauseClicked);
    connect(m_ui.Command11, &QPushButton::clicked, this, &PlayerPanel::onStopClicked);
    connect(m_ui.Command12, &QPushButton::clicked, this, &PlayerPanel::onLoopClicked);
    connect(m_ui.HScroll1, &QScrollBar::valueChanged, this, &PlayerPanel::onVolumeChanged);
    connect(m_ui.HScroll2, &QScrollBar::valueChanged, this, &PlayerPanel::onVolumeChanged);
    connect(&m_player, &Mp3Player::PositionChanged, this, &PlayerPanel::onPositionChanged);
    connect(&m_player, &Mp3Player::TrackEnded, this, &PlayerPanel::onTrackEnded);
    connect(&m_player, &Mp3Player::FileChecked, this, &PlayerPanel::onFileChecked);
    connect(&m_player, &Mp3Player::Failed, this, &PlayerPanel::reportFailure);
    connect(&m_player, &Mp3Player::StateChanged, this, &PlayerPanel::showFace);
    showFace(m_player.state());
}

void PlayerPanel::onOpenClicked() {
    m_dialog.setFilter(QStringLiteral("mp3_files(*.mp3)"));
    m_dialog.ShowOpen();
}

void PlayerPanel::onPlayClicked() {
    const QString path = m_dialog.FileName();
    if (const int status = m_player.Open(path, QString()); status != 0)
        return reportFailure(path, status);
    if (const int status = m_player.Play(); status != 0)
        return reportFailure(path, status);
    readBackVolume(m_ui.HScroll1, m_player.LeftVolume());
    readBackVolume(m_ui.HScroll2, m_player.RightVolume());
    m_ui.Text6->showText(*FormatMinSec(m_player.Length()));
}

void PlayerPanel::onPauseClicked() {
    m_player.Pause();
}

void PlayerPanel::onStopClicked() {
    if (m_loopPlayback == LoopOn)
        m_ui.Command12->click();
    m_player.Stop();
}

void PlayerPanel::onLoopClicked() {
    if (m_loopPlayback == LoopOff) {
        m_loopPlayback = LoopOn;
        setFaceColour(m_ui.Command12, QColor(255, 0, 0));
    } else {
        m_loopPlayback = LoopOff;
        setFaceColour(m_ui.Command12, QColor(224, 224, 224));
    }
}

void PlayerPanel::onVolumeChanged() {
    const qint32 left = sliderToVolume(m_ui.HScroll1->value());
    const qint32 right = sliderToVolume(m_ui.HScroll2->value());
    m_player.SetVolume(left, right);
}

void PlayerPanel::onPositionChanged(qint32 value) {
    const qint32 range = m_player.PositionRange();
    const qint32 length = m_player.Length();
    const auto ms = positionMs(value, range, length);
    if (!ms)
        return;
    if (const auto text = FormatMinSec(*ms))
        m_ui.Text7->showText(*text);
}

void PlayerPanel::onTrackEnded() {
    if (m_loopPlayback == LoopOn)
        m_ui.Command9->click();
}

// The length shown at Play was the file's own claim or an estimate; this is the exact one,
// or the news that the file is broken.
void PlayerPanel::onFileChecked(const QString &path, int status) {
    if (status != 0)
        return reportFailure(path, status);
    m_ui.Text6->showText(*FormatMinSec(m_player.Length()));
}

void PlayerPanel::showFace(PlayState state) {
    m_ui.Mp3Play1->setPixmap(playerFacePicture(state, m_ui.Mp3Play1->contentsRect().size()));
    m_ui.Mp3Play1->setAccessibleName(playerFaceName(state));
}

void PlayerPanel::reportFailure(const QString &path, int status) {
    QMessageBox::warning(m_ui.Command9->window(), QStringLiteral("播放mp3"),
                         playerStatusMessage(status, path));
}

void PlayerPanel::readBackVolume(QScrollBar *slider, qint32 volume) {
    slider->setValue(volumeToSlider(volume));
}
