#pragma once

#include "about/Registry.h"

#include <QString>

// Reads one registry value as text into KeyVal (see keyValueText). Answers false,
// with KeyVal emptied, when the key or the value cannot be read.
bool GetKeyValue(Registry &registry, RegKey KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);
