#pragma once

#include <memory>

class Mp3Player;
class OpenDialog;
class QWidget;

// The real component (libmpg123 and the system's sound output) and the system's file
// dialog: Qt's on Linux, comdlg32's on Windows.
std::unique_ptr<Mp3Player> makeMp3Play();
std::unique_ptr<OpenDialog> makeFileOpenDialog(QWidget *parent);
