#include "client/ui/prompt/ORV_Prompter.h"

#include <QApplication>
#include <QPushButton>
#include <QFileDialog>
#include <QMessageBox>

namespace {

ORV_Prompter* g_prompter = nullptr;

// A box opens centred over the window the user is looking at; when the
// program is in the background, over its visible window.
QWidget* box_parent()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowType() == Qt::Window)
            return widget;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<QMessageBox> make_message_box(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    auto box = std::make_unique<QMessageBox>(icon, title, text, QMessageBox::NoButton, box_parent());
    box->addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    return box;
}

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
    make_message_box(QMessageBox::Information, title, text)->exec();
}

void ORV_Dialog_Prompter::warning(const QString& title, const QString& text)
{
    make_message_box(QMessageBox::Warning, title, text)->exec();
}

int ORV_Dialog_Prompter::choose(const QString& title, const QString& text, const QStringList& choices)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, box_parent());
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
