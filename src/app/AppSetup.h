#pragma once

#include <memory>

class QApplication;
class QTemporaryDir;

// Maps the Chinese font names of the design onto installed CJK families and makes the
// default user-interface font one that shows Chinese.
void installChineseFonts(QApplication &app);

// Qt's own dialogs and buttons speak Chinese like the rest of the program, whatever
// the system language.
void installQtTranslations(QApplication &app);

// Qt's file dialog remembers its folders and column widths in the user's QtProject.conf;
// this program keeps nothing between runs, so Qt's settings go to a folder that is removed
// with the object returned.
std::unique_ptr<QTemporaryDir> keepNoSettings();

// Ends the process once everything of the program's own has been destroyed, without the
// libraries' teardown after main: nothing of ours needs it, and some of it has aborted
// (sound back ends tearing down their threads in static destructors).
[[noreturn]] void endProcess(int code);
