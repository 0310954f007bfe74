#include "player/FileOpenDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>

FileOpenDialog::FileOpenDialog(QWidget *parent)
    : m_parent(parent) {
}

void FileOpenDialog::ShowOpen() {
    // Qt reads "mp3_files(*.mp3)" as a description with its pattern in parentheses.
    const QString start = m_fileName.isEmpty() ? QString() : QFileInfo(m_fileName).absolutePath();
    QFileDialog dialog(m_parent, QString(), start, m_filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog opens so small that the size, type and date columns are cut off:
    // give it room, and the columns their contents' width once a folder has been read.
    dialog.resize(760, 480);
    auto *model = dialog.findChild<QFileSystemModel *>();
    auto *view = dialog.findChild<QTreeView *>();
    if (model && view)
        QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view] {
            for (int column = 1; column < view->model()->columnCount(); ++column)
                view->resizeColumnToContents(column);
            view->header()->setSectionResizeMode(0, QHeaderView::Stretch); // names take the rest
        });
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_fileName = dialog.selectedFiles().constFirst();
}
