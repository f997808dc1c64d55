#include "Client_Test_Env.h"
#include "client/ui/explorer/ORV_Explorer_Box.h"
#include "client/ui/explorer/ORV_FielBox.h"

#include <QAction>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A bar without a controller: the crumbs alone.
class Plain_Box : public ORV_Explorer_Box
{
public:
    QString root_text() const override { return QStringLiteral("计算机"); }
    void build() override { build_bar(nullptr); }
};

QStringList texts(const ORV_Explorer_Box &bar)
{
    QStringList out;
    for (const ORV_FielBox *crumb : bar.crumbs())
        out << crumb->text();
    return out;
}

int used_width(const ORV_Explorer_Box &bar)
{
    int used = 0;
    for (const ORV_FielBox *crumb : bar.crumbs())
        used += crumb->width();
    return used;
}

} // namespace

TEST(Crumbs, FollowThePathAndTheBarsRealWidth)
{
    Client_Test_Env env;
    const QString deep = env.make_dir(QStringLiteral("projects/quillfen_documentation/chapter_one_introduction/"
                                                     "section_two_installation/notes_for_reviewers"));
    Plain_Box bar;
    bar.build();
    bar.resize(600, 30);

    bar.set_path(QString());
    EXPECT_EQ(texts(bar), QStringList{"计算机"});
    bar.set_path(QStringLiteral("/"));
    EXPECT_EQ(texts(bar), (QStringList{"计算机", "本地磁盘(/)"}));
    EXPECT_TRUE(bar.crumbs().last()->path() == QStringLiteral("/"));

    // Too deep for 600 pixels: the deepest folders only, no drive, no root.
    bar.set_path(deep);
    const QStringList cut = texts(bar);
    ASSERT_FALSE(cut.isEmpty());
    EXPECT_EQ(cut.last(), QStringLiteral("notes_for_reviewers"));
    EXPECT_FALSE(cut.contains(QStringLiteral("计算机")));
    EXPECT_FALSE(cut.contains(QStringLiteral("本地磁盘(/)")));
    EXPECT_LT(used_width(bar), 600 - ORV_Explorer_Box::reserve_width);
    EXPECT_EQ(bar.crumbs().last()->path(), deep);

    // Shown wider, the bar lays its crumbs out again: the whole path fits.
    bar.show();
    bar.resize(3000, 30);
    QCoreApplication::processEvents();
    const QStringList whole = texts(bar);
    ASSERT_GT(whole.size(), cut.size());
    EXPECT_EQ(whole.first(), QStringLiteral("计算机"));
    EXPECT_EQ(whole.at(1), QStringLiteral("本地磁盘(/)"));
    EXPECT_EQ(whole.last(), QStringLiteral("notes_for_reviewers"));

    // Narrower than the folder's own name: the name is cut, the crumb stays.
    bar.resize(ORV_Explorer_Box::reserve_width + 90, 30);
    QCoreApplication::processEvents();
    ASSERT_EQ(bar.crumbs().size(), 1);
    const QString cut_name = bar.crumbs().last()->text();
    EXPECT_TRUE(cut_name.endsWith(QChar(0x2026))) << cut_name.toStdString();
    EXPECT_TRUE(QStringLiteral("notes_for_reviewers").startsWith(cut_name.chopped(1))) << cut_name.toStdString();
    EXPECT_LT(used_width(bar), 90);
    EXPECT_EQ(bar.crumbs().last()->path(), deep);
}

TEST(Crumbs, OneClickOpensTheFolderMenuLaterADoubleClickOpensTheFolder)
{
    Client_Test_Env env;
    const QString top = env.make_dir(QStringLiteral("top"));
    env.make_dir(QStringLiteral("top/alpha"));
    env.make_dir(QStringLiteral("top/beta"));
    env.make_file(QStringLiteral("top/file.txt"));
    Plain_Box bar;
    bar.build();
    bar.resize(1500, 30);
    bar.show();
    bar.set_path(top);
    ORV_FielBox *crumb = bar.crumbs().last();
    ASSERT_EQ(crumb->path(), top);
    QSignalSpy opened(crumb, &ORV_FielBox::signal_mouse_double_click);
    QSignalSpy chosen(crumb, &ORV_FielBox::signal_triggered_slots);

    // One click: no menu yet, but the 200 ms timer runs; its timeout opens it.
    QTest::mouseClick(crumb, Qt::LeftButton);
    EXPECT_TRUE(crumb->single_click_timer().isActive());
    EXPECT_EQ(crumb->single_click_timer().interval(), 200);
    EXPECT_EQ(crumb->menu(), nullptr);
    crumb->slot_singleclickout();
    ASSERT_NE(crumb->menu(), nullptr);
    QStringList entries;
    for (const QAction *action : crumb->menu()->actions())
        entries << action->text();
    EXPECT_EQ(entries, (QStringList{"alpha", "beta"}));

    // Choosing an entry opens that folder.
    crumb->menu()->actions().at(1)->trigger();
    crumb->menu()->hide();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.first().first().toString(), top + QStringLiteral("/beta"));
    EXPECT_EQ(crumb->menu(), nullptr);

    // A second click within the 200 ms: the folder opens and no menu follows.
    QTest::mouseClick(crumb, Qt::LeftButton);
    QTest::mouseDClick(crumb, Qt::LeftButton);
    EXPECT_FALSE(crumb->single_click_timer().isActive());
    crumb->slot_singleclickout();
    EXPECT_EQ(crumb->menu(), nullptr);
    EXPECT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.first().first().value<ORV_FielBox *>(), crumb);
}

TEST(Crumbs, ANewPathWhileACrumbsMenuIsOpenTakesTheMenuAlong)
{
    Client_Test_Env env;
    const QString top = env.make_dir(QStringLiteral("top"));
    env.make_dir(QStringLiteral("top/alpha"));
    Plain_Box bar;
    bar.build();
    bar.resize(1500, 30);
    bar.show();
    bar.set_path(top);
    QPointer<ORV_FielBox> crumb = bar.crumbs().last();
    QTest::mouseClick(crumb, Qt::LeftButton);
    crumb->slot_singleclickout();
    QPointer<QMenu> menu = crumb->menu();
    ASSERT_TRUE(menu && menu->isVisible());

    // A listing arrives while the menu is open and replaces the crumbs.
    bar.set_path(QString());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(crumb.isNull());
    EXPECT_TRUE(menu.isNull());
    EXPECT_EQ(texts(bar), QStringList{"计算机"});
}
