#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <memory>

// The file dialogs and message boxes the pages open, behind one seam so that
// tests answer them without a user. Every call may run a nested event loop:
// callers must not rely on any widget that a notification could rebuild
// meanwhile (keep a QPointer and check it afterwards).
class ORV_Prompter
{
public:
    virtual ~ORV_Prompter() = default;

    // A folder, or empty when the user cancels.
    virtual QString existing_directory(const QString& caption, const QString& start) = 0;
    // The files chosen, or none when the user cancels.
    virtual QStringList open_file_names(const QString& caption, const QString& start) = 0;
    virtual void information(const QString& title, const QString& text) = 0;
    virtual void warning(const QString& title, const QString& text) = 0;
    // The index of the choice the user took, or -1 when the box was closed
    // (Escape picks the last choice).
    virtual int choose(const QString& title, const QString& text, const QStringList& choices) = 0;
};

// The desktop's own dialogs, without a parent window, and message boxes with
// one 确定 button over the active window.
class ORV_Dialog_Prompter : public ORV_Prompter
{
public:
    QString existing_directory(const QString& caption, const QString& start) override;
    QStringList open_file_names(const QString& caption, const QString& start) override;
    void information(const QString& title, const QString& text) override;
    void warning(const QString& title, const QString& text) override;
    int choose(const QString& title, const QString& text, const QStringList& choices) override;
};

// The box the dialog prompter opens for a message, not yet shown.
std::unique_ptr<QMessageBox> make_message_box(QMessageBox::Icon icon, const QString& title, const QString& text);

// The prompter the pages use; the dialog prompter unless one was set.
ORV_Prompter& prompter();
// Puts a prompter in place (not owned); nullptr restores the dialogs.
void set_prompter(ORV_Prompter* replacement);
