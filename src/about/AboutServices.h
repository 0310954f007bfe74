#pragma once

#include <memory>

// What the About dialog needs from the system (the registry, a file test, a program start).
// Filled in by the About dialog's own code; the window only hands it on.
struct AboutServices {};

std::unique_ptr<AboutServices> makeSystemAboutServices();
