#pragma once

#include "client/ui/prompt/ORV_Prompter.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <utility>

// Answers the pages' dialogs from a script and records what was asked. The
// hook runs while a dialog would be open, so a test can deliver a
// notification at that moment. Installed for its lifetime.
class Scripted_Prompter : public ORV_Prompter
{
public:
    struct Call
    {
        QString kind; // "directory", "files", "information", "warning", "choice"
        QString caption;
        QString text;  // start place or message text
    };

    Scripted_Prompter();
    ~Scripted_Prompter() override;

    void answer_directory(const QString& folder) { m_directories << folder; }
    void answer_files(const QStringList& files) { m_files << files; }
    void answer_choice(int index) { m_choices << index; }
    void set_while_open(std::function<void()> hook) { m_while_open = std::move(hook); }

    const QList<Call>& calls() const { return m_calls; }

    QString existing_directory(const QString& caption, const QString& start) override;
    QStringList open_file_names(const QString& caption, const QString& start) override;
    void information(const QString& title, const QString& text) override;
    void warning(const QString& title, const QString& text) override;
    int choose(const QString& title, const QString& text, const QStringList& choices) override;

private:
    void record(const QString& kind, const QString& caption, const QString& text);

    QStringList m_directories;
    QList<QStringList> m_files;
    QList<int> m_choices;
    QList<Call> m_calls;
    std::function<void()> m_while_open;
};
