#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <initializer_list>

// Colours of a question box. An invalid colour leaves the system's own.
struct DialogColors {
    QColor background;
    QColor text;
};

// Message boxes and Yes/No questions. Screens ask through MessageService::current(), so a test
// can read the messages and answer the questions without a person.
class MessageService {
public:
    virtual ~MessageService() = default;

    // A plain message box with an OK button.
    void message(const QString& text) { showMessage(text); }
    // A modal Yes/No question with the confirmation icon. True only on Yes: No and closing the
    // box both answer no.
    bool confirm(const QString& question) { return ask(question, DialogColors{}); }
    bool confirm(const QString& question, const DialogColors& colors) {
        return ask(question, colors);
    }

    // The service in use. Until one is set (start-up sets the message boxes of ui/ for a run
    // that a person watches), messages are printed as in an unattended run, so that a tool or
    // a test never waits for a box nobody can see.
    static MessageService& current();
    // Not owned; nullptr goes back to printing.
    static void setCurrent(MessageService* service);

protected:
    virtual void showMessage(const QString& text) = 0;
    virtual bool ask(const QString& question, const DialogColors& colors) = 0;
};

// The colours of DM's ConfirmDialog (the "จัดเก็บข้อมูล ?" question): white on pure blue.
DialogColors confirmDialogColors();
// The question before a module screen closes, white on green, in the user's language.
// True when the window may close.
bool confirmExit(bool thaiLanguage);

// For runs that nobody watches (--autorun): a message is printed instead of shown, a question
// is printed with the answer No, and nothing waits for a person. Each message is printed on
// one line (line breaks become blanks), since a log file or a mail of the output reads it.
class UnattendedMessageService : public MessageService {
public:
    using Writer = std::function<void(const QString& line)>;
    // Lines go to standard output unless a writer is given.
    explicit UnattendedMessageService(Writer writer = {});

    // How many messages and questions were printed.
    int printed() const { return printed_; }

protected:
    void showMessage(const QString& text) override;
    bool ask(const QString& question, const DialogColors& colors) override;

private:
    Writer write_;
    int printed_ = 0;
};

// For tests: keeps what would have been shown and answers questions from a queue, then with
// the default answer.
class RecordingMessageService : public MessageService {
public:
    struct Question {
        QString text;
        DialogColors colors;
        bool answer = false;
    };

    explicit RecordingMessageService(bool defaultAnswer = false) : defaultAnswer_(defaultAnswer) {}

    void setDefaultAnswer(bool answer) { defaultAnswer_ = answer; }
    void queueAnswer(bool answer) { answers_.push_back(answer); }
    void queueAnswers(std::initializer_list<bool> answers) {
        answers_.insert(answers_.end(), answers);
    }
    int pendingAnswers() const { return static_cast<int>(answers_.size()); }

    const QStringList& messages() const { return messages_; }
    const QList<Question>& questions() const { return questions_; }
    void clear();

protected:
    void showMessage(const QString& text) override { messages_.append(text); }
    bool ask(const QString& question, const DialogColors& colors) override;

private:
    bool defaultAnswer_;
    std::deque<bool> answers_;
    QStringList messages_;
    QList<Question> questions_;
};

// Makes a service the current one for this object's lifetime, then restores the previous one.
class ScopedMessageService {
public:
    explicit ScopedMessageService(MessageService& service);
    ~ScopedMessageService();
    ScopedMessageService(const ScopedMessageService&) = delete;
    ScopedMessageService& operator=(const ScopedMessageService&) = delete;

private:
    MessageService* previous_;
};
