#pragma once

// Start-up measurement: when VELMORAND_FIRST_PAINT_LOG names a file, the wall-clock time of the
// first paint of any window (milliseconds since the epoch) is appended there, once. Without the
// variable nothing is installed.
void logFirstPaintWhenAsked();
