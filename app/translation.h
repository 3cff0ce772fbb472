// Qt's own Japanese texts: what Qt draws itself (the message boxes' buttons, the print dialog)
// reads in Japanese like the rest of the program, whatever the user's locale.
#pragma once

class QCoreApplication;

// Loads Qt's Japanese translation into the application; false when it is not installed.
bool installQtJapaneseTranslation(QCoreApplication &app);
