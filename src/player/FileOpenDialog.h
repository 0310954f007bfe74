#pragma once

#include "player/OpenDialog.h"

class QWidget;

// The open dialog on QFileDialog. A cancelled dialog keeps the file chosen before.
class FileOpenDialog final : public OpenDialog {
public:
    explicit FileOpenDialog(QWidget *parent);

    void setFilter(const QString &filter) override { m_filter = filter; }
    void ShowOpen() override;
    QString FileName() const override { return m_fileName; }

private:
    QWidget *m_parent;
    QString m_filter;
    QString m_fileName;
};
