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
