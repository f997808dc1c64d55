#include "foundation/widgets/Basic_From_Obj.h"
#include "foundation/widgets/Basic_From_Top.h"
#include "foundation/widgets/Desktop_Rect.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Colour_Select.h"
#include "foundation/widgets/ORV_Father_Table.h"
#include "foundation/widgets/ORV_Father_Table_Row.h"
#include "foundation/widgets/ORV_Palette.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSlider>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

void send_mouse(QWidget *widget, QEvent::Type type, QPoint global = QPoint())
{
    QMouseEvent event(type, QPointF(1, 1), QPointF(global), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void send_plain(QWidget *widget, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(widget, &event);
}

void click(QWidget *widget)
{
    send_mouse(widget, QEvent::MouseButtonPress);
    send_mouse(widget, QEvent::MouseButtonRelease);
}

QColor window_colour(const QWidget *widget)
{
    return widget->palette().color(QPalette::Window);
}

bool background_cleared(const QWidget *widget)
{
    return widget->palette().brush(QPalette::Window).style() == Qt::NoBrush;
}

} // namespace

// ---- colour selector

class ColourSelect : public ::testing::Test {
protected:
    void SetUp() override { select.build(); }
    ORV_Colour_Select select;
};

TEST_F(ColourSelect, ClampsToTheColourRange)
{
    select.set_colour(0x1234567);
    EXPECT_EQ(select.get_colour(), 0xFFFFFF);
    EXPECT_EQ(select.hex_text(), "FFFFFF");
    select.set_colour(-5);
    EXPECT_EQ(select.get_colour(), 0);
    EXPECT_EQ(select.hex_text(), "0");
}

TEST_F(ColourSelect, ShowsTheColourAndItsInverse)
{
    select.set_colour(0x00FF00);
    EXPECT_EQ(select.hex_text(), "FF00");
    EXPECT_EQ(select.preview_colour(), QColor(0, 255, 0));
    EXPECT_EQ(select.frame_colour(), QColor(255, 0, 255));
}

TEST_F(ColourSelect, OneSliderMoveEmitsTheWholeColourOnce)
{
    QList<int> emitted;
    QObject::connect(&select, &ORV_Colour_Select::valueChanged, [&](int c) { emitted << c; });
    select.set_colour(0x102030);
    ASSERT_FALSE(emitted.isEmpty());
    EXPECT_EQ(emitted.last(), 0x102030); // intermediate colours first, the full one last

    emitted.clear();
    select.findChildren<QSlider *>().at(1)->setValue(0x40);
    EXPECT_EQ(emitted, QList<int>{0x104030});
    EXPECT_EQ(select.hex_text(), "104030");
}

// ---- table and rows

namespace {

class Test_Table : public ORV_Father_Table {
public:
    ORV_Father_Table_Row *add_row()
    {
        auto *row = new ORV_Father_Table_Row(this);
        row->init_row();
        m_row_box->addWidget(row);
        m_rows.append(row);
        return row;
    }
};

struct Row_Signals {
    int clicks = 0, outs = 0, ins = 0, downs = 0, doubles = 0;
    explicit Row_Signals(ORV_Father_Table_Row *row)
    {
        QObject::connect(row, &ORV_Father_Table_Row::signal_mouse_click, [this] { ++clicks; });
        QObject::connect(row, &ORV_Father_Table_Row::signal_mouse_out, [this] { ++outs; });
        QObject::connect(row, &ORV_Father_Table_Row::signal_mouse_in, [this] { ++ins; });
        QObject::connect(row, &ORV_Father_Table_Row::signal_mouse_down, [this] { ++downs; });
        QObject::connect(row, &ORV_Father_Table_Row::signal_mouse_double_click, [this] { ++doubles; });
    }
};

} // namespace

TEST(FatherTable, ClickingAnotherRowDeselectsTheFirst)
{
    Test_Table table;
    ORV_Father_Table_Row *a = table.add_row();
    ORV_Father_Table_Row *b = table.add_row();
    Row_Signals a_signals(a);

    click(a);
    EXPECT_TRUE(a->is_selected());
    EXPECT_EQ(window_colour(a), QColor(QRgb(row_pressed_colour)));
    EXPECT_EQ(a_signals.downs, 1);
    EXPECT_EQ(a_signals.clicks, 1);

    click(b);
    EXPECT_TRUE(b->is_selected());
    EXPECT_EQ(window_colour(b), QColor(QRgb(row_pressed_colour)));
    EXPECT_FALSE(a->is_selected());
    EXPECT_TRUE(background_cleared(a));
    EXPECT_EQ(a_signals.outs, 1);
}

TEST(FatherTable, SelectedRowKeepsItsColourUnderTheMouse)
{
    Test_Table table;
    ORV_Father_Table_Row *row = table.add_row();
    ORV_Father_Table_Row *other = table.add_row();
    click(row);
    send_plain(row, QEvent::Enter);
    EXPECT_EQ(window_colour(row), QColor(QRgb(row_pressed_colour)));
    send_plain(row, QEvent::Leave);
    EXPECT_EQ(window_colour(row), QColor(QRgb(row_pressed_colour)));

    send_plain(other, QEvent::Enter);
    EXPECT_EQ(window_colour(other), QColor(QRgb(row_hover_colour)));
    send_plain(other, QEvent::Leave);
    EXPECT_TRUE(background_cleared(other));
}

TEST(FatherTable, ReleaseWithoutPressAndNonReactingRowsDoNothing)
{
    Test_Table table;
    ORV_Father_Table_Row *row = table.add_row();
    Row_Signals signals_seen(row);
    send_mouse(row, QEvent::MouseButtonRelease);
    EXPECT_EQ(signals_seen.clicks, 0);
    EXPECT_FALSE(row->is_selected());

    row->set_reacting(false);
    click(row);
    send_mouse(row, QEvent::MouseButtonDblClick);
    EXPECT_EQ(signals_seen.clicks + signals_seen.downs + signals_seen.doubles, 0);
    EXPECT_FALSE(row->is_selected());
}

TEST(FatherTable, DoubleClickAndOpenSelect)
{
    Test_Table table;
    ORV_Father_Table_Row *row = table.add_row();
    Row_Signals signals_seen(row);
    row->slot_open_item_click();
    EXPECT_TRUE(row->is_selected());
    EXPECT_EQ(signals_seen.doubles, 1);
}

TEST(FatherTable, ClearRowsEvenFromARowsOwnSignal)
{
    Test_Table table;
    table.clear_rows();
    ASSERT_NE(table.row_box(), nullptr);
    EXPECT_EQ(table.row_box()->count(), 0);
    EXPECT_EQ(table.inner_widget()->layout(), table.row_box());

    QPointer<ORV_Father_Table_Row> first = table.add_row();
    QPointer<ORV_Father_Table_Row> second = table.add_row();
    QObject::connect(first.data(), &ORV_Father_Table_Row::signal_mouse_click, &table,
                     &ORV_Father_Table::clear_rows);
    click(first); // the row is still running its release handler when the rows go
    EXPECT_TRUE(table.rows().isEmpty());
    EXPECT_EQ(table.row_box()->count(), 0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());
}

// ---- frameless window and title bar

TEST(DesktopRect, CentredInTheAvailableArea)
{
    EXPECT_EQ(centered_rect(QRect(0, 0, 1920, 1040), 870, 580), QRect(525, 230, 870, 580));
    EXPECT_EQ(centered_rect(QRect(64, 30, 1920, 1040), 870, 580), QRect(589, 260, 870, 580));
    QWidget widget;
    set_centered_geometry(&widget, 100, 50);
    EXPECT_EQ(widget.geometry(), centered_rect(desktop_rect(), 100, 50));
}

namespace {

class Test_Window : public Basic_From_Obj {
public:
    int refits = 0;
    void update_layout_size() override { ++refits; }
};

class FramelessWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.init_frame();
        window.setGeometry(100, 120, 400, 300);
        window.show();
        bar = window.title_bar();
    }

    void drag(QPoint from, QPoint to)
    {
        send_mouse(bar, QEvent::MouseButtonPress, from);
        send_mouse(bar, QEvent::MouseMove, to);
    }

    Test_Window window;
    Basic_From_Top *bar = nullptr;
};

QImage shown_slice(const ORV_Button *button)
{
    return button->pixmap(Qt::ReturnByValue).toImage();
}

} // namespace

TEST_F(FramelessWindow, IsFramelessWithTheBarAndBody)
{
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->height(), 53);
    EXPECT_EQ(bar->colour_role(), ORV_Widget::TOP_ROLE);
    EXPECT_EQ(window_colour(window.body()), QColor(0xEC, 0xED, 0xEF));
}

TEST_F(FramelessWindow, DraggingMovesAndReleaseAboveTheScreenComesBack)
{
    drag(QPoint(150, 130), QPoint(180, 170));
    EXPECT_EQ(window.pos(), QPoint(130, 160));
    send_mouse(bar, QEvent::MouseMove, QPoint(180, -40));
    EXPECT_EQ(window.pos(), QPoint(130, -50));
    send_mouse(bar, QEvent::MouseButtonRelease, QPoint(180, -40));
    EXPECT_EQ(window.pos(), QPoint(130, 0));

    send_mouse(bar, QEvent::MouseMove, QPoint(300, 300)); // no button held: no drag
    EXPECT_EQ(window.pos(), QPoint(130, 0));
}

TEST_F(FramelessWindow, MaximiseAndRestore)
{
    const QRect before = window.geometry();
    send_mouse(bar, QEvent::MouseButtonDblClick);
    EXPECT_TRUE(bar->is_maximised());
    EXPECT_EQ(window.geometry(), desktop_rect());
    EXPECT_EQ(window.refits, 1);
    EXPECT_EQ(bar->max_button()->state(), 2);

    drag(QPoint(50, 10), QPoint(90, 60)); // no dragging while maximised
    send_mouse(bar, QEvent::MouseButtonRelease, QPoint(90, 60));
    EXPECT_EQ(window.geometry(), desktop_rect());

    click(bar->max_button()); // the button reaches the same slot
    EXPECT_FALSE(bar->is_maximised());
    EXPECT_EQ(window.geometry(), before);
    EXPECT_EQ(window.refits, 2);

    const QPixmap strip(Basic_From_Top::max_image);
    if (!strip.isNull()) {
        const int width = strip.width() / 3;
        EXPECT_EQ(shown_slice(bar->max_button()),
                  strip.copy(width, 0, width, strip.height()).toImage());
    }
}

TEST_F(FramelessWindow, CloseButtonClosesTheWindow)
{
    ASSERT_TRUE(window.isVisible());
    click(bar->close_button());
    EXPECT_FALSE(window.isVisible());
}
