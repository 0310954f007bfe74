#pragma once

#include <QString>

// The file-open dialog the panel asks for an MP3 file.
class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    virtual void setFilter(const QString &filter) = 0;
    virtual void ShowOpen() = 0;
    virtual QString FileName() const = 0;
};
