#pragma once

class AboutServices;
class QWidget;

// Starts the system-information tool that the registry points at, or tells the user,
// in a message box over parent, that there is none. Never throws.
void StartSysInfo(AboutServices &services, QWidget *parent);
