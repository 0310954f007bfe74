#include "player/FileOpenDialog.h"
#include "player/RealPlayer.h"

std::unique_ptr<OpenDialog> makeFileOpenDialog(QWidget *parent) {
    return std::make_unique<FileOpenDialog>(parent);
}
