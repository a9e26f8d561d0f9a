#include "data/Messages.h"

#include "data/Conventions.h"
#include "db/shown_text.h"

#include <QApplication>
#include <QMessageBox>
#include <QPalette>
#include <QTextStream>

namespace {

MessageService* installed = nullptr;

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

MessageService& MessageService::current() {
    static WidgetMessageService boxes;
    return installed ? *installed : boxes;
}

void MessageService::setCurrent(MessageService* service) {
    installed = service;
}

DialogColors confirmDialogColors() {
    return {QColor(0, 0, 255), QColor(Qt::white)};
}

bool confirmExit(bool thaiLanguage) {
    const QString question =
        thaiLanguage ? QStringLiteral("ออกจากโปรแกรม ?") : QStringLiteral("Exit Program ?");
    return MessageService::current().confirm(question, {QColor(0, 128, 0), QColor(Qt::white)});
}

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

UnattendedMessageService::UnattendedMessageService(Writer writer) : write_(std::move(writer)) {
    if (!write_)
        write_ = [](const QString& line) {
            QTextStream out(stdout);
            out << line << '\n';
            out.flush();
        };
}

void UnattendedMessageService::showMessage(const QString& text) {
    ++printed_;
    write_(db::oneLine(text));
}

bool UnattendedMessageService::ask(const QString& question, const DialogColors&) {
    // No is what closing the box would answer: the cautious answer when nobody is there.
    ++printed_;
    write_(db::oneLine(question) + QStringLiteral(" -> No"));
    return false;
}

void RecordingMessageService::clear() {
    answers_.clear();
    messages_.clear();
    questions_.clear();
}

bool RecordingMessageService::ask(const QString& question, const DialogColors& colors) {
    bool answer = defaultAnswer_;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    questions_.append({question, colors, answer});
    return answer;
}

ScopedMessageService::ScopedMessageService(MessageService& service) : previous_(installed) {
    installed = &service;
}

ScopedMessageService::~ScopedMessageService() {
    installed = previous_;
}
