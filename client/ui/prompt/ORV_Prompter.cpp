#include "client/ui/prompt/ORV_Prompter.h"

#include <QPushButton>
#include <QFileDialog>
#include <QMessageBox>

namespace {

ORV_Prompter* g_prompter = nullptr;

} // namespace

QString ORV_Dialog_Prompter::existing_directory(const QString& caption, const QString& start)
{
    return QFileDialog::getExistingDirectory(nullptr, caption, start, QFileDialog::ShowDirsOnly);
}

QStringList ORV_Dialog_Prompter::open_file_names(const QString& caption, const QString& start)
{
    return QFileDialog::getOpenFileNames(nullptr, caption, start);
}

void ORV_Dialog_Prompter::information(const QString& title, const QString& text)
{
    QMessageBox::information(nullptr, title, text, QMessageBox::Yes);
}

void ORV_Dialog_Prompter::warning(const QString& title, const QString& text)
{
    QMessageBox::warning(nullptr, title, text, QMessageBox::Yes);
}

int ORV_Dialog_Prompter::choose(const QString& title, const QString& text, const QStringList& choices)
{
    QMessageBox box(QMessageBox::Question, title, text);
    QList<QAbstractButton*> buttons;
    for (const QString& choice : choices)
        buttons << box.addButton(choice, QMessageBox::ActionRole);
    if (!buttons.isEmpty())
        box.setEscapeButton(buttons.last());
    box.exec();
    return buttons.indexOf(box.clickedButton());
}

ORV_Prompter& prompter()
{
    static ORV_Dialog_Prompter dialogs;
    return g_prompter ? *g_prompter : dialogs;
}

void set_prompter(ORV_Prompter* replacement)
{
    g_prompter = replacement;
}
