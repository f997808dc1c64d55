#include "Scripted_Prompter.h"

Scripted_Prompter::Scripted_Prompter()
{
    set_prompter(this);
}

Scripted_Prompter::~Scripted_Prompter()
{
    set_prompter(nullptr);
}

void Scripted_Prompter::record(const QString& kind, const QString& caption, const QString& text)
{
    m_calls.append({kind, caption, text});
    if (m_while_open)
        m_while_open();
}

QString Scripted_Prompter::existing_directory(const QString& caption, const QString& start)
{
    record(QStringLiteral("directory"), caption, start);
    return m_directories.isEmpty() ? QString() : m_directories.takeFirst();
}

QStringList Scripted_Prompter::open_file_names(const QString& caption, const QString& start)
{
    record(QStringLiteral("files"), caption, start);
    return m_files.isEmpty() ? QStringList() : m_files.takeFirst();
}

void Scripted_Prompter::information(const QString& title, const QString& text)
{
    record(QStringLiteral("information"), title, text);
}

void Scripted_Prompter::warning(const QString& title, const QString& text)
{
    record(QStringLiteral("warning"), title, text);
}

int Scripted_Prompter::choose(const QString& title, const QString& text, const QStringList&)
{
    record(QStringLiteral("choice"), title, text);
    return m_choices.isEmpty() ? -1 : m_choices.takeFirst();
}
