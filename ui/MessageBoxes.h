#pragma once
// The message service shown on screen: Qt message boxes.
#include "data/Messages.h"

// QMessageBox over the active window, titled with the application's name. Texts are shown as
// plain text, with the line breaks of displayText().
class WidgetMessageService : public MessageService {
protected:
    void showMessage(const QString& text) override;
    bool ask(const QString& question, const DialogColors& colors) override;
};
