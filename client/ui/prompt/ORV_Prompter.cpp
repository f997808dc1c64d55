#include "client/ui/prompt/ORV_Prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

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

// A box is as wide as its text needs; a desktop cuts the title of a narrower
// box. Its title bar draws the title in a larger bold font, beside the
// window's icon and its buttons: the box keeps room for that.
void fit_title(QMessageBox& box)
{
    constexpr int icon_and_buttons = 4 * 32 + 16;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont font = box.font();
    font.setBold(true);
    font.setPointSizeF(QFontInfo(font).pointSizeF() * 1.25);
    const int width = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + icon_and_buttons;
    grid->addItem(new QSpacerItem(width, 0), grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

std::unique_ptr<QMessageBox> make_message_box(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    auto box = std::make_unique<QMessageBox>(icon, title, text, QMessageBox::NoButton, box_parent());
    box->addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    fit_title(*box);
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
    fit_title(box);
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
