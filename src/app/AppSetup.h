#pragma once

class QApplication;

// Maps the Chinese font names of the design onto installed CJK families and makes the
// default user-interface font one that shows Chinese.
void installChineseFonts(QApplication &app);

// Qt's own dialogs and buttons speak Chinese like the rest of the program, whatever
// the system language.
void installQtTranslations(QApplication &app);

// Qt's file dialog remembers its folders and column widths in the user's QtProject.conf;
// this program keeps nothing between runs, so Qt's settings live only as long as it does.
void keepNoSettings();
