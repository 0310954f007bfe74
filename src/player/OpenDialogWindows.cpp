#include "player/OpenDialog.h"
#include "player/RealPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QWidget>

#include <windows.h>

#include <commdlg.h>

#include <vector>

namespace {

// The system's own open dialog (comdlg32), as Windows programs have it. Unlike Qt's, it
// keeps no state of its own in the user's registry. A cancelled dialog keeps the file
// chosen before.
class WindowsOpenDialog final : public OpenDialog {
public:
    explicit WindowsOpenDialog(QWidget *parent)
        : m_parent(parent) {}

    void setFilter(const QString &filter) override { m_filter = filter; }
    void ShowOpen() override;
    QString FileName() const override { return m_fileName; }

private:
    QWidget *m_parent;
    QString m_filter;
    QString m_fileName;
};

// "mp3_files(*.mp3)" is a description with its pattern in parentheses, as Qt's dialog
// reads it on Linux; comdlg32 wants the two as a pair, the list ended by an empty string.
std::wstring filterPairs(const QString &filter) {
    static const QRegularExpression inParentheses(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = inParentheses.match(filter);
    const QString patterns = match.hasMatch()
                                 ? match.captured(1).split(u' ', Qt::SkipEmptyParts).join(u';')
                                 : QStringLiteral("*.*");
    std::wstring pairs = filter.toStdWString();
    pairs += L'\0';
    pairs += patterns.toStdWString();
    pairs += L'\0';
    return pairs; // and c_str()'s own terminator ends the list
}

void WindowsOpenDialog::ShowOpen() {
    std::vector<wchar_t> name(32768, L'\0'); // the longest path Windows has
    const std::wstring filter = filterPairs(m_filter);
    const std::wstring folder =
        m_fileName.isEmpty()
            ? std::wstring()
            : QDir::toNativeSeparators(QFileInfo(m_fileName).absolutePath()).toStdWString();
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_parent ? reinterpret_cast<HWND>(m_parent->window()->winId()) : nullptr;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = DWORD(name.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                   OFN_NOCHANGEDIR | OFN_DONTADDTORECENT;
    if (GetOpenFileNameW(&dialog))
        m_fileName = QDir::fromNativeSeparators(QString::fromWCharArray(name.data()));
}

} // namespace

std::unique_ptr<OpenDialog> makeFileOpenDialog(QWidget *parent) {
    return std::make_unique<WindowsOpenDialog>(parent);
}
