#pragma once

#include "about/Registry.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

// What the About dialog needs from the system: the registry, starting a program and a
// message box. makeSystemAboutServices gives the real ones; a test swaps in its own.
class AboutServices {
public:
    std::unique_ptr<Registry> registry;
    // Starts the program at a path without waiting for it; false when it cannot start.
    std::function<bool(const QString &path)> startProgram;
    // Shows a text with an OK button and waits until it is closed.
    std::function<void(QWidget *parent, const QString &caption, const QString &text)> showMessage;
};

std::unique_ptr<AboutServices> makeSystemAboutServices();
