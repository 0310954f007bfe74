#include "player/FileOpenDialog.h"

#include <QFileDialog>
#include <QFileInfo>

FileOpenDialog::FileOpenDialog(QWidget *parent)
    : m_parent(parent) {
}

void FileOpenDialog::ShowOpen() {
    // Qt reads "mp3_files(*.mp3)" as a description with its pattern in parentheses.
    const QString start = m_fileName.isEmpty() ? QString() : QFileInfo(m_fileName).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(m_parent, QString(), start, m_filter);
    if (!chosen.isEmpty())
        m_fileName = chosen;
}
