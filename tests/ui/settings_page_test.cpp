#include "Client_Test_Env.h"
#include "Scripted_Prompter.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "client/core/store/ORV_Settings.h"
#include "client/ui/app/ORV_Client_Start.h"
#include "client/ui/settings/ORV_Setting_From.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Colour_Select.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_Widget.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

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

namespace {

// The colour the label's text is painted in.
QColor text_colour_of(ORV_Setting_From &page, const QString &text)
{
    page.grab();
    for (const QLabel *label : page.findChildren<QLabel *>()) {
        if (label->text() == text)
            return label->palette().color(QPalette::WindowText);
    }
    return {};
}

// The lightest colour the button's symbol is painted in.
int lightest_ink(ORV_Button &button)
{
    button.grab();
    const QImage image = button.pixmap(Qt::ReturnByValue).toImage();
    int lightest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 128)
                lightest = std::max(lightest, qGray(image.pixel(x, y)));
        }
    }
    return lightest;
}

} // namespace

TEST_F(Settings_Page, LightThemeColoursGetDarkTextAndSymbols)
{
    apply_style_sheet(*qApp);
    const QColor white(Qt::white);
    const QColor dark = QColor::fromRgb(static_cast<QRgb>(dark_text_colour));
    EXPECT_EQ(text_colour_of(page, QStringLiteral("菜单背景：")), white);

    page.colour_select(ORV_Widget::MIDDLE_ROLE)->set_colour(0xFFFFFF);
    page.colour_select(ORV_Widget::LEFT_ROLE)->set_colour(0xFFEE58);
    EXPECT_EQ(text_colour_of(page, QStringLiteral("菜单背景：")), dark);
    EXPECT_EQ(text_colour_of(page, QStringLiteral("客户端设置")), dark);

    // A menu built on the light colour, as the left menu is: coloured first,
    // then filled.
    ORV_Widget menu;
    menu.set_colour_role(ORV_Widget::LEFT_ROLE);
    set_background_colour(&menu, left_colour, ORV_PALETTE_WINDOW);
    auto *button = new ORV_Button(3);
    button->set_pixmap(ORV_Pixmap_Cache::instance().get_pixmap(QStringLiteral(":/ORV_SHARE/image/menu_computer50x50.png")));
    (new QVBoxLayout(&menu))->addWidget(button);
    menu.show();
    EXPECT_LT(lightest_ink(*button), 100);
    button->set_state(3);
    EXPECT_LT(lightest_ink(*button), 100);

    QTest::mouseClick(page.default_colours_button(), Qt::LeftButton);
    EXPECT_EQ(text_colour_of(page, QStringLiteral("菜单背景：")), white);
    EXPECT_GT(lightest_ink(*button), 200);
    qApp->setStyleSheet(QString());
}
