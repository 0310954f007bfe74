#pragma once

// The panel's arithmetic, kept apart from the widgets: minutes-and-seconds text, the
// volume read-back, the slider-to-volume factor, the position formula and the wording
// of a failed Open or Play.

#include <QString>

#include <optional>

// "3分5秒" for 185000 ms: rounded to a whole millisecond (halves to even), then whole
// minutes and the seconds left over, truncated. Empty when t does not fit 32 bits.
std::optional<QString> FormatMinSec(double milliseconds);

// A track's length in milliseconds, rounded to the nearest and kept within 32 bits; 0 for
// no rate.
qint32 lengthMs(qint64 frames, int sampleRate);

// The component's volume for one channel from a slider value (1 to 320).
qint32 sliderToVolume(int sliderValue);

// The slider value that shows a volume the component reports: the writer's factor
// 100 undone, rounded halves to even and kept within the sliders' 1 to 320.
int volumeToSlider(qint32 volume);

// Milliseconds to show for a position event; the read-out runs one second ahead.
// Empty when the range is 0, so nothing divides by it.
std::optional<double> positionMs(qint32 value, qint32 positionRange, qint32 length);

// A short message for a failed Open or Play of the file at path.
QString playerStatusMessage(int status, const QString &path);
