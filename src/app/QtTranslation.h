#pragma once

class QCoreApplication;

// Qt's own texts (the buttons and labels of the file, colour and message dialogs, the edit
// menus of text fields) in Chinese whatever the user's locale: the program's own texts are
// Chinese already, and a dialog half in English beside them reads as broken.
class QtTranslation {
public:
    // Loads Qt's Chinese catalogue from Qt's translations folder into `app`, which keeps it.
    // False (and a warning on the error output) when it is not installed; Qt's texts then
    // stay English.
    static bool installChinese(QCoreApplication &app);
};
