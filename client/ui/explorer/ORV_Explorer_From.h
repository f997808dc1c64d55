#pragma once

#include "client/core/observer/Observable_Obj.h"
#include "foundation/widgets/ORV_QWidget_Obj.h"

#include <QVariantMap>

class ORV_Browse_Interface;
class ORV_Explorer_Box;
class ORV_FileExplorer_Table;
class ORV_Share_From;
class ORV_Trends_Prompt_Obj;
class QGridLayout;

// Base of the three explorer pages: the address bar over the table, the
// share page (local files and own shares only) and the waiting prompt that
// covers the page until the listing asked for arrives.
class ORV_Explorer_From : public ORV_QWidget_Obj, public Observable_Obj
{
    Q_OBJECT
public:
    explicit ORV_Explorer_From(QWidget *parent = nullptr);

    void connect_signals();
    void update_layout_size() override;
    virtual void build() = 0;
    void update(Observer_Obj *subject) override;

    ORV_Explorer_Box *bar() const { return m_bar; }
    ORV_FileExplorer_Table *table() const { return m_table; }
    ORV_Share_From *share_page() const { return m_share_page; }
    ORV_Trends_Prompt_Obj *wait_prompt() const { return m_prompt; }

    static const QString wait_animation;

public slots:
    void slot_show_wait_page();
    // A listing that may not be read is told, not shown as an empty folder.
    void slot_listing_refused();
    virtual void slot_all_event(QVariantMap map) = 0;

protected:
    // The build all three pages share, with the page's own bar.
    void build_page(ORV_Explorer_Box *bar, bool with_share_page);
    ORV_Browse_Interface *controller() const;
    QGridLayout *grid() const { return m_grid; }

    void resizeEvent(QResizeEvent *event) override;

    ORV_Explorer_Box *m_bar = nullptr;
    ORV_FileExplorer_Table *m_table = nullptr;
    ORV_Share_From *m_share_page = nullptr;
    ORV_Trends_Prompt_Obj *m_prompt = nullptr;

private:
    QGridLayout *m_grid = nullptr;
};
