#include "Scripted_Prompter.h"

#include <gtest/gtest.h>

TEST(Prompter, ScriptedAnswersReplaceTheDialogsWhileInstalled)
{
    ORV_Prompter* before = &prompter();
    {
        Scripted_Prompter script;
        script.answer_directory(QStringLiteral("/tmp/down"));
        EXPECT_EQ(&prompter(), &script);
        EXPECT_EQ(prompter().existing_directory(QStringLiteral("选择下载路径"), QString()), QStringLiteral("/tmp/down"));
        EXPECT_TRUE(prompter().existing_directory(QStringLiteral("again"), QString()).isEmpty());
        ASSERT_EQ(script.calls().size(), 2);
        EXPECT_EQ(script.calls().first().caption, QStringLiteral("选择下载路径"));
    }
    EXPECT_EQ(&prompter(), before);
}

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

// The dialog prompter's box, as the user meets it: one 确定 button, over the
// window that is in front.
TEST(Prompter, MessageBoxHasOneOkButtonOverTheActiveWindow)
{
    QWidget window;
    window.resize(870, 580);
    window.show();
    QApplication::setActiveWindow(&window);
    ORV_Dialog_Prompter dialogs;
    for (const bool warning : {false, true}) {
        QStringList buttons;
        QWidget* parent = nullptr;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            parent = box->parentWidget();
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            box->buttons().constFirst()->click();
        });
        if (warning)
            dialogs.warning(QStringLiteral("保存失败"), QStringLiteral("请输入正确的服务器IP地址"));
        else
            dialogs.information(QStringLiteral("保存成功"), QStringLiteral("修改服务器IP地址成功"));
        EXPECT_EQ(buttons, QStringList{QStringLiteral("确定")});
        EXPECT_EQ(parent, &window);
    }
}

// A desktop draws a box's title in a bold font larger than the box's text,
// beside the window's icon and its title buttons: every title the program
// gives a box fits there whole, however short the box's text.
TEST(Prompter, MessageBoxIsWideEnoughForItsTitle)
{
    for (const char *title : {"局域网好友", "共享文件", "文件已存在", "不能替换", "下载出错", "上传出错", "文件未找到",
                              "数据库无法使用", "保存失败", "保存成功"}) {
        const auto box = make_message_box(QMessageBox::Warning, QString::fromUtf8(title), QStringLiteral("没有权限"));
        box->show();
        QFont font = box->font();
        font.setBold(true);
        font.setPointSizeF(QFontInfo(font).pointSizeF() * 1.25);
        const int decorations = 4 * 32 + 16;
        EXPECT_GE(box->width(), QFontMetrics(font).horizontalAdvance(box->windowTitle()) + decorations) << title;
    }
}
