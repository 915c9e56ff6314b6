// Pieces of the start-up sequence that main runs in its fixed order; GUI thread, once.
#pragma once

class QCoreApplication;
class QTranslator;

// Loads the shared pictures (see core/globals.h) from ./images/ and the built-in resources.
void loadSharedPixmaps();

// Installs ./Translator/tr_en.qm on `app` when the language is English and the file exists;
// the other languages get no translator even when the file is there. Returns the installed
// translator (kept for the life of the process) or null.
QTranslator* installTranslator(QCoreApplication* app);

// Qt's own texts (the file dialogs, the standard buttons) and the locale (the calendars' day and
// month names) in the chosen language: Qt's translation from the system's translations folder
// (Debian's qttranslations5-l10n) for Chinese, traditional Chinese and Japanese; English takes
// Qt's own English. Returns the installed translator (kept for the life of the process) or null.
QTranslator* installQtTranslator(QCoreApplication* app);
