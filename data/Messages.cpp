#include "data/Messages.h"

#include "db/shown_text.h"

#include <QTextStream>

namespace {

MessageService* installed = nullptr;

}  // namespace

MessageService& MessageService::current() {
    static UnattendedMessageService printer;
    return installed ? *installed : printer;
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
