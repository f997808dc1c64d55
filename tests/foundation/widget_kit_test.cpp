// The widget kit's base pieces: the themed base widget, the pixmap-strip
// buttons and the layouts.

#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Button_Text.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/ORV_Widget.h"
#include "foundation/widgets/Public_Style.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <memory>
#include <string>
#include <vector>

namespace {

// A strip of `count` slices, slice n filled with grey level 10 * n.
QPixmap strip(int slice_width, int height, int count)
{
    QImage image(slice_width * count, height, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int n = 1; n <= count; ++n)
        painter.fillRect((n - 1) * slice_width, 0, slice_width, height, QColor(10 * n, 10 * n, 10 * n));
    return QPixmap::fromImage(image);
}

int shown_slice(const ORV_Button& button)
{
    return qRed(button.pixmap(Qt::ReturnByValue).toImage().pixel(0, 0)) / 10;
}

void mouse(ORV_Button& button, QEvent::Type type)
{
    if (type == QEvent::Enter || type == QEvent::Leave) {
        QEvent event(type);
        QApplication::sendEvent(&button, &event);
        return;
    }
    QMouseEvent event(type, QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

} // namespace

TEST(WidgetKit, WidgetsAreRegisteredUnderConsecutiveIds)
{
    auto first = std::make_unique<ORV_Widget>();
    ORV_Widget second;
    EXPECT_EQ(second.id(), first->id() + 1);
    EXPECT_EQ(ORV_Widget::registry().value(first->id()), first.get());
    first.reset();
    EXPECT_FALSE(ORV_Widget::registry().contains(second.id() - 1));
    EXPECT_EQ(ORV_Widget::registry().value(second.id()), &second);
}

TEST(WidgetKit, RecolouringPaintsOnlyWidgetsWithARole)
{
    ORV_Widget left;
    ORV_Widget plain;
    left.set_colour_role(ORV_Widget::LEFT_ROLE);
    const QColor before = plain.palette().color(QPalette::Window);
    left_colour = 0x112233;
    recolour_all_widgets();
    EXPECT_EQ(left.palette().color(QPalette::Window), QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(plain.palette().color(QPalette::Window), before);
    left_colour = default_left_colour;

    ASSERT_TRUE(set_background_colour(&plain, 0x3ADDC8, ORV_PALETTE_WINDOW));
    EXPECT_EQ(plain.palette().color(QPalette::Window), QColor(58, 221, 200));
    EXPECT_TRUE(plain.autoFillBackground());
    EXPECT_FALSE(set_background_image(&left, "/no/such/image.png", ORV_PALETTE_WINDOW));
    EXPECT_EQ(left.palette().color(QPalette::Window), QColor(0x11, 0x22, 0x33));
    EXPECT_FALSE(Public_Style::instance().apply_title_style(nullptr));
}

TEST(WidgetKit, ButtonShowsOneSlicePerState)
{
    ORV_Button button(3);
    button.set_pixmap(strip(30, 30, 3));
    EXPECT_EQ(button.size(), QSize(30, 30));
    EXPECT_EQ(shown_slice(button), 1);
    button.set_state(5);
    EXPECT_EQ(button.state(), 5);
    EXPECT_EQ(shown_slice(button), 1);
    button.set_state(3);
    EXPECT_EQ(shown_slice(button), 3);

    EXPECT_EQ(ORV_Button(0).state_count(), 1);  // a count below one is taken as one
}

TEST(WidgetKit, PressThenReleaseEmitsInOrder)
{
    ORV_Button button(3);
    button.set_pixmap(strip(10, 10, 3));
    button.set_id(7);
    std::vector<std::string> signals_seen;
    QObject::connect(&button, &ORV_Button::dowm_clicked, [&] { signals_seen.push_back("down"); });
    QObject::connect(&button, &ORV_Button::Dclicked, [&](int id) { signals_seen.push_back("D" + std::to_string(id)); });
    QObject::connect(&button, &ORV_Button::clicked, [&] { signals_seen.push_back("clicked"); });

    // A release whose press happened elsewhere shows the hover look only.
    mouse(button, QEvent::MouseButtonRelease);
    EXPECT_TRUE(signals_seen.empty());
    EXPECT_EQ(shown_slice(button), 2);

    mouse(button, QEvent::MouseButtonPress);
    EXPECT_EQ(shown_slice(button), 3);
    mouse(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(signals_seen, (std::vector<std::string>{"down", "D7", "clicked"}));

    signals_seen.clear();
    button.set_enabled(false);
    button.set_state(1);
    mouse(button, QEvent::MouseButtonPress);
    mouse(button, QEvent::MouseButtonRelease);
    EXPECT_TRUE(signals_seen.empty());
    EXPECT_EQ(shown_slice(button), 1);
}

TEST(WidgetKit, TwoStateButtonAndTextButtonLooks)
{
    ORV_Button two(2);
    two.set_pixmap(strip(10, 10, 2));
    mouse(two, QEvent::Enter);
    EXPECT_EQ(shown_slice(two), 1);  // no hover slice on enter with two states
    two.set_hovered(true);
    EXPECT_EQ(shown_slice(two), 2);

    auto* label = new QLabel(QStringLiteral("共享"));
    ORV_Button_Text text_button(label, 3);
    text_button.set_pixmap(strip(40, 20, 3));
    mouse(text_button, QEvent::Enter);
    EXPECT_EQ(label->text(), QStringLiteral("<u>共享</u>"));
    mouse(text_button, QEvent::Leave);
    EXPECT_EQ(label->text(), QStringLiteral("共享"));
    EXPECT_EQ(label->parentWidget(), &text_button);
}

TEST(WidgetKit, LayoutsHaveNoMarginsUnlessGiven)
{
    ORV_QGridLayout grid;
    EXPECT_EQ(grid.contentsMargins(), QMargins(0, 0, 0, 0));
    EXPECT_EQ(grid.horizontalSpacing(), 0);
    EXPECT_EQ(grid.verticalSpacing(), 0);
    ORV_QGridLayout padded(1, 2, 3, 4);
    EXPECT_EQ(padded.contentsMargins(), QMargins(1, 2, 3, 4));
}
