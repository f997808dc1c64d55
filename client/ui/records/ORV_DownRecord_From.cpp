#include "client/ui/records/ORV_DownRecord_From.h"

#include "client/core/transfer/ORV_File_UpDownload_Manage.h"
#include "client/core/transfer/ORV_Transfer_Error.h"
#include "client/ui/records/ORV_DownRecord_Interface.h"
#include "client/ui/records/ORV_DownRecord_Observer_Obj.h"
#include "client/ui/records/ORV_Filedown_Record_Table.h"
#include "client/ui/records/ORV_Filedown_Record_Table_Row.h"
#include "foundation/widgets/ORV_Button_Text.h"
#include "foundation/widgets/ORV_Label_Obj.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"
#include "foundation/widgets/ORV_QHBoxLayout.h"
#include "foundation/widgets/Public_Style.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace {

// How often running rows are checked for a transfer gone silent.
constexpr int STALL_WATCH_MS = 250;

ORV_File_UpDownload_Manage &manager()
{
    return ORV_File_UpDownload_Manage::instance();
}

} // namespace

ORV_DownRecord_From *ORV_DownRecord_From::instance()
{
    static ORV_DownRecord_From *page = new ORV_DownRecord_From;
    return page;
}

void ORV_DownRecord_From::build()
{
    set_background_colour(this, middle_colour, ORV_PALETTE_WINDOW);
    set_colour_role(MIDDLE_ROLE);
    m_grid = new ORV_QGridLayout(this);
    m_grid->setRowMinimumHeight(0, 25);
    m_grid->setRowMinimumHeight(1, 2);
    m_grid->setRowStretch(2, 1);

    m_tab_box = new ORV_QHBoxLayout;
    m_tab_box->setSpacing(1);
    m_tab_running = make_tab(tr("正在传输"), 1);
    m_tab_finished = make_tab(tr("传输记录"), 2);
    m_tab_box->addWidget(m_tab_running, 1);
    m_tab_box->addWidget(m_tab_finished, 1);
    m_tab_box->addStretch(1);
    m_grid->addLayout(m_tab_box, 0, 0);
    set_tab_colours();

    m_separator = new QWidget;
    m_separator->setFixedHeight(2);
    set_background_colour(m_separator, white_colour, ORV_PALETTE_WINDOW);
    m_grid->addWidget(m_separator, 1, 0);

    m_running_table = new ORV_Filedown_Record_Table;
    m_finished_table = new ORV_Filedown_Record_Table;
    m_finished_table->fill(manager().get_records());
    m_grid->addWidget(m_running_table, 2, 0);
    m_grid->addWidget(m_finished_table, 2, 0);
    slot_select_click(1);
    auto *stall_watch = new QTimer(this);
    connect(stall_watch, &QTimer::timeout, m_running_table, &ORV_Filedown_Record_Table::show_stalls);
    stall_watch->start(STALL_WATCH_MS);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ORV_DownRecord_From::slot_record_interrupted);

    ORV_DownRecord_Interface *controller = ORV_DownRecord_Interface::instance();
    controller->attach(this);
    controller->setup();
    // The manager emits on its job threads: delivered queued.
    connect(&manager(), &ORV_File_UpDownload_Manage::signal_to_file_down, controller,
            &ORV_DownRecord_Interface::slot_to_file_down, Qt::UniqueConnection);
}

ORV_Button_Text *ORV_DownRecord_From::make_tab(const QString &text, int id)
{
    auto *label = new ORV_Label_Obj;
    label->setText(text);
    // The tab sets its text's colours itself (set_tab_colours).
    label->setFont(Public_Style::instance().bold_font());
    auto *tab = new ORV_Button_Text(label, 2);
    tab->set_id(id);
    tab->set_pixmap_file(QStringLiteral(":/ORV_SHARE/image/downrecord_tab_90x25.png"));
    connect(tab, &ORV_Button::Dclicked, this, &ORV_DownRecord_From::slot_select_click);
    return tab;
}

// The chosen tab is white with text in the middle colour. On a light middle
// colour, where that would not read, the white tab is drawn dark (as every
// symbol there) and its text white; the other tab's text reads on the middle
// colour.
void ORV_DownRecord_From::set_tab_colours()
{
    const int plain = readable_text_colour(middle_colour);
    const int chosen = plain == white_colour ? middle_colour : white_colour;
    for (ORV_Button_Text *tab : {m_tab_running, m_tab_finished})
        tab->set_text_colours(plain, chosen);
}

void ORV_DownRecord_From::changeEvent(QEvent *event)
{
    ORV_QWidget_Obj::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_tab_running)
        set_tab_colours();
}

void ORV_DownRecord_From::slot_select_click(int id)
{
    if (id != 1 && id != 2)
        return;
    ORV_Button_Text *selected = id == 1 ? m_tab_running : m_tab_finished;
    ORV_Button_Text *other = id == 1 ? m_tab_finished : m_tab_running;
    selected->set_enabled(false);
    selected->set_hovered(true);
    other->set_enabled(true);
    other->set_hovered(false);
    m_running_table->setVisible(id == 1);
    m_finished_table->setVisible(id == 2);
}

void ORV_DownRecord_From::update(Observer_Obj *subject)
{
    auto *records = qobject_cast<ORV_DownRecord_Observer_Obj *>(subject);
    if (!records)
        return;
    for (const ORV_DownRecord_Event &event : records->take_events()) {
        switch (event.kind) {
        case ORV_DownRecord_Event::STARTED: {
            ORV_DownRecord_Data record = event.record;
            record.prepare_running();
            m_running_table->add_record(record);
            break;
        }
        case ORV_DownRecord_Event::PROGRESS:
            m_running_table->set_progress(event.progress_identity, event.speed_text, event.percentage);
            break;
        case ORV_DownRecord_Event::ENDED: {
            ORV_DownRecord_Data record = m_running_table->take_record(event.identity);
            // An end without a start here would store an empty record.
            if (record.down_uuid.isEmpty())
                break;
            record.saved_as(event.saved_path);
            record_ended(record);
            break;
        }
        case ORV_DownRecord_Event::FAILED:
            m_running_table->take_record(event.identity);
            break;
        default:
            break;
        }
    }
}

void ORV_DownRecord_From::record_ended(ORV_DownRecord_Data record, const QString &why)
{
    record.mark_finished();
    // The record keeps no other field for it: the words follow the end time.
    if (!why.isEmpty())
        record.down_timer += QLatin1Char(' ') + why;
    m_finished_table->add_record(record);
    manager().insert_record(record);
}

void ORV_DownRecord_From::slot_record_interrupted()
{
    // Ends already on their way are told first.
    update(ORV_DownRecord_Interface::instance()->record_subject());
    const QString why = ORV_DownRecord_Interface::error_text(TRANSFER_INTERRUPTED);
    const QList<ORV_Father_Table_Row *> running = m_running_table->rows();
    for (ORV_Father_Table_Row *row : running)
        record_ended(m_running_table->take_record(static_cast<ORV_Filedown_Record_Table_Row *>(row)->get_down_uuid()),
                     why);
}
