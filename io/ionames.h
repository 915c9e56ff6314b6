// The fixed IO name tables from which a service user names the inputs and outputs, with the
// column headings of the IO names dialog, in the four interface languages.
#pragma once

class QString;

constexpr int kIOInputNameCount = 16;
constexpr int kIOOutputNameCount = 14;
constexpr int kIOHeadingCount = 10;

// Per entry the texts in Simplified Chinese, English, Traditional Chinese and Japanese.
extern const char* const ioInputNames[kIOInputNameCount][4];
extern const char* const ioOutputNames[kIOOutputNameCount][4];
extern const char* const ioInputHeadings[kIOHeadingCount][4];
extern const char* const ioOutputHeadings[kIOHeadingCount][4];

// A stored name index made safe to look up: outside the table it becomes the nearest entry.
int clampInputNameIndex(int index);
int clampOutputNameIndex(int index);

// The name of entry `index` (clamped as above) in the current language.
QString ioInputName(int index);
QString ioOutputName(int index);
// Heading of column 0..9 of the IO names dialog in the current language.
QString ioInputHeading(int column);
QString ioOutputHeading(int column);
