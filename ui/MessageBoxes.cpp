#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPalette>

#include "data/Conventions.h"

namespace {

void setUp(QMessageBox& box, QMessageBox::Icon icon, const QString& text,
           QMessageBox::StandardButtons buttons) {
    box.setWindowTitle(QGuiApplication::applicationDisplayName());
    box.setIcon(icon);
    box.setStandardButtons(buttons);
    // Messages quote data ("<" in a product name); never read them as rich text.
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
}

}  // namespace

void WidgetMessageService::showMessage(const QString& text) {
    QMessageBox box(QApplication::activeWindow());
    setUp(box, QMessageBox::NoIcon, text, QMessageBox::Ok);
    box.exec();
}

bool WidgetMessageService::ask(const QString& question, const DialogColors& colors) {
    QMessageBox box(QApplication::activeWindow());
    setUp(box, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    // Window and WindowText only: the buttons keep the system's colours.
    QPalette palette = box.palette();
    if (colors.background.isValid()) {
        palette.setColor(QPalette::Window, colors.background);
        box.setAutoFillBackground(true);
    }
    if (colors.text.isValid()) palette.setColor(QPalette::WindowText, colors.text);
    box.setPalette(palette);
    return box.exec() == QMessageBox::Yes;
}
