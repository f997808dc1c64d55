#include "Client_Test_Env.h"
#include "Scripted_Prompter.h"

#include "client/core/store/ORV_Settings.h"
#include "client/ui/settings/ORV_Setting_From.h"
#include "foundation/widgets/ORV_Colour_Select.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_Widget.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

namespace Key = ORV_Settings_Key;

QVariant stored(const char *key)
{
    return get_settings().value(QLatin1String(key));
}

QString autostart_entry()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/Quillfen.desktop");
}

// Counts the palette changes a themed widget of the left role goes through.
class Repaint_Counter : public ORV_Widget
{
public:
    Repaint_Counter() { set_colour_role(LEFT_ROLE); }
    int changes = 0;

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange)
            ++changes;
        ORV_Widget::changeEvent(event);
    }
};

class Settings_Page : public testing::Test
{
protected:
    Client_Test_Env env;
    Scripted_Prompter script;
    ORV_Setting_From page;

    void SetUp() override
    {
        get_settings().clear();
        page.build();
        page.load_values();
    }

    void save(const QString &text, bool use_default)
    {
        page.default_server_box()->setChecked(use_default);
        page.server_edit()->setText(text);
        QTest::mouseClick(page.save_button(), Qt::LeftButton);
    }
};

} // namespace

TEST_F(Settings_Page, FreshFileGetsItsServerKeysAndTheDefaultServer)
{
    EXPECT_TRUE(stored(Key::have_server_config).toBool());
    EXPECT_TRUE(stored(Key::is_net_server).toBool());
    EXPECT_TRUE(page.default_server_box()->isChecked());
    EXPECT_EQ(page.server_edit()->text(), QStringLiteral("localhost"));

    save(QStringLiteral("localhost"), true);
    ASSERT_EQ(script.calls().size(), 1);
    EXPECT_EQ(script.calls().last().caption, QStringLiteral("保存成功"));
    EXPECT_TRUE(stored(Key::is_net_server).toBool());
}

TEST_F(Settings_Page, WithTheDefaultTickedATypedAddressIsCheckedAndKept)
{
    page.server_edit()->setText(QStringLiteral("no address"));
    QTest::mouseClick(page.save_button(), Qt::LeftButton);
    ASSERT_EQ(script.calls().size(), 1);
    EXPECT_EQ(script.calls().last().caption, QStringLiteral("保存失败"));
    EXPECT_FALSE(stored(Key::lan_server_ip).isValid());

    page.server_edit()->setText(QStringLiteral("10.0.0.7"));
    QTest::mouseClick(page.save_button(), Qt::LeftButton);
    EXPECT_EQ(script.calls().last().caption, QStringLiteral("保存成功"));
    EXPECT_TRUE(stored(Key::is_net_server).toBool());
    EXPECT_EQ(stored(Key::lan_server_ip).toString(), QStringLiteral("10.0.0.7"));

    // Unticking keeps what was typed; ticking and unticking brings it back.
    page.default_server_box()->click();
    EXPECT_EQ(page.server_edit()->text(), QStringLiteral("10.0.0.7"));
    page.default_server_box()->click();
    EXPECT_EQ(page.server_edit()->text(), QStringLiteral("localhost"));
    page.default_server_box()->click();
    EXPECT_EQ(page.server_edit()->text(), QStringLiteral("10.0.0.7"));
}

TEST_F(Settings_Page, OnlyAWholeAddressIsStored)
{
    for (const char *bad : {"192.168.1.300", "server 127.0.0.5 lan", ""}) {
        save(QString::fromUtf8(bad), false);
        ASSERT_FALSE(script.calls().isEmpty());
        EXPECT_EQ(script.calls().last().caption, QStringLiteral("保存失败"));
        EXPECT_EQ(script.calls().last().text, QStringLiteral("请输入正确的服务器IP地址"));
        EXPECT_TRUE(stored(Key::is_net_server).toBool());
        EXPECT_FALSE(stored(Key::lan_server_ip).isValid());
    }
    save(QStringLiteral(" 127.0.0.5 "), false);
    EXPECT_EQ(script.calls().last().caption, QStringLiteral("保存成功"));
    EXPECT_EQ(script.calls().last().text, QStringLiteral("修改服务器IP地址成功，重启软件后生效"));
    EXPECT_FALSE(stored(Key::is_net_server).toBool());
    EXPECT_EQ(stored(Key::lan_server_ip).toString(), QStringLiteral("127.0.0.5"));

    page.load_values();
    EXPECT_FALSE(page.default_server_box()->isChecked());
    EXPECT_EQ(page.server_edit()->text(), QStringLiteral("127.0.0.5"));
}

TEST_F(Settings_Page, DefaultColoursAreStoredOnceAndRepaintOnce)
{
    page.colour_select(ORV_Widget::LEFT_ROLE)->set_colour(0x102030);
    page.colour_select(ORV_Widget::TOP_ROLE)->set_colour(0x405060);
    EXPECT_EQ(stored(Key::left_colour).toInt(), 0x102030);
    EXPECT_EQ(left_colour, 0x102030);

    Repaint_Counter probe;
    QTest::mouseClick(page.default_colours_button(), Qt::LeftButton);
    EXPECT_EQ(stored(Key::left_colour).toInt(), 16294703);
    EXPECT_EQ(stored(Key::top_colour).toInt(), 16208981);
    EXPECT_EQ(stored(Key::middle_colour).toInt(), 3857864);
    EXPECT_EQ(probe.changes, 1);
    EXPECT_EQ(probe.palette().color(QPalette::Window), QColor::fromRgb(static_cast<QRgb>(default_left_colour)));
    EXPECT_EQ(page.colour_select(ORV_Widget::LEFT_ROLE)->get_colour(), default_left_colour);
}

TEST_F(Settings_Page, AutostartBoxShowsTheEntryAndFlipsBackOnFailure)
{
    QCheckBox *box = page.autostart_box();
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(QFile::exists(autostart_entry()));
    page.load_values();
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(QFile::exists(autostart_entry()));

    // A file where the autostart folder should be: the entry cannot be made.
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart");
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    box->click();
    EXPECT_FALSE(box->isChecked());
    QFile::remove(folder);
}
